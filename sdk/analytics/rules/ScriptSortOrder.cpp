#include <algorithm>
#include <cmath>
#include <deque>
#include <optional>
#include <vector>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

namespace {

using sdk::analytics::Operand;

// An element being sorted, with its text once the order without a comparator needed it: made once
// per element rather than once per comparison, and a string's own text is used where it lies.
struct SortItem {
  ScriptValueRef value;
  std::size_t key = 0;  // position of its text among the sort's keys, plus one; 0 before it is made
};

// The ordering of the sort: holes last, undefined just before them, the rest by the comparator or
// by their texts. After the first error every pair compares equal and the error is kept for the
// sort to report once the merge is done.
class SortOrder {
 public:
  SortOrder(ScriptFunctionValue* comparator, ScriptScope& scope, ScriptHeap& heap)
      : comparator_(comparator), scope_(scope), heap_(heap) {}
  ~SortOrder() { heap_.refundMemory(heldBytes_); }
  SortOrder(const SortOrder&) = delete;
  SortOrder& operator=(const SortOrder&) = delete;

  // Whether b must come before a.
  bool before(SortItem& b, SortItem& a) {
    if (failure_) return false;
    auto order = compare(b, a);
    if (!order.ok()) {
      failure_ = std::move(order).releaseError();
      return false;
    }
    return *order < 0;
  }
  // The first error a comparison met, if any.
  ErrorOr<void> outcome() const {
    if (failure_) return *failure_;
    return {};
  }

 private:
  static int rank(const ScriptValue* value) {
    if (ScriptArrayValue::isHole(value)) return 2;
    return value->isUndefined() ? 1 : 0;
  }

  ErrorOr<int> compare(SortItem& a, SortItem& b) {
    TRY(heap_.chargeWork(1));
    const int ra = rank(a.value.get());
    const int rb = rank(b.value.get());
    if (ra != rb || ra != 0) return ra < rb ? -1 : (ra > rb ? 1 : 0);
    if (comparator_) {
      Operand arguments[] = {Operand(a.value), Operand(b.value)};
      auto result = TRY(comparator_->invokeWithValues(arguments, scope_));
      const double sign = result.isNumber() ? result.number() : TRY(std::move(result).box(heap_)->doubleValueOrError());
      if (std::isnan(sign)) return 0;
      return sign < 0 ? -1 : (sign > 0 ? 1 : 0);
    }
    const auto& x = *TRY(textOf(a));
    const auto& y = *TRY(textOf(b));
    // Comparing texts costs the length of what they share.
    const auto shared = std::min(x.size(), y.size());
    const auto differ = static_cast<std::size_t>(std::mismatch(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(shared), y.begin()).first - x.begin());
    TRY(heap_.chargeUnits(differ));
    if (differ == shared) return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
    return x[differ] < y[differ] ? -1 : 1;
  }

  // The element's text, made (and its memory held until the sort ends) the first time it is asked for.
  ErrorOr<const std::u16string*> textOf(SortItem& item) {
    if (item.value->kind() == ScriptValueKind::String) return &static_cast<const ScriptStringValue&>(*item.value).value();
    if (item.key == 0) {
      auto text = TRY(item.value->stringValueOrError());
      const auto bytes = sizeof(std::u16string) + text.size() * sizeof(char16_t);
      TRY(heap_.chargeMemory(bytes));
      heldBytes_ += bytes;
      keys_.push_back(std::move(text));
      item.key = keys_.size();
    }
    return &keys_[item.key - 1];
  }

  ScriptFunctionValue* comparator_;
  ScriptScope& scope_;
  ScriptHeap& heap_;
  std::deque<std::u16string> keys_;
  std::size_t heldBytes_ = 0;
  std::optional<ScriptRuntimeError> failure_;
};

// A bottom-up merge sort: it only ever reads inside its own buffers, so a comparator that lies,
// throws or changes the array cannot make it step out of bounds.
void mergeSort(std::vector<SortItem>& items, SortOrder& order) {
  std::vector<SortItem> buffer(items.size());
  for (std::size_t width = 1; width < items.size(); width *= 2) {
    for (std::size_t low = 0; low < items.size(); low += 2 * width) {
      const std::size_t middle = std::min(low + width, items.size());
      const std::size_t high = std::min(low + 2 * width, items.size());
      std::size_t i = low, j = middle, k = low;
      while (i < middle && j < high) buffer[k++] = order.before(items[j], items[i]) ? items[j++] : items[i++];
      while (i < middle) buffer[k++] = items[i++];
      while (j < high) buffer[k++] = items[j++];
    }
    items.swap(buffer);
  }
}

}  // namespace

ErrorOr<void> ScriptArrayValue::sortUsingFunctionValue(ScriptFunctionValue* comparator, ScriptScope& scope) {
  std::vector<SortItem> items;
  items.reserve(elements_.size());
  for (auto& value : valuesIn(0, elements_.size())) items.push_back(SortItem{std::move(value)});
  ScriptRef<ScriptFunctionValue> keep(comparator);
  SortOrder order(comparator, scope, *heap());
  mergeSort(items, order);
  // The comparator may have changed the array meanwhile; the sorted copy replaces it whole.
  elements_.clear();
  for (auto& item : items) elements_.emplace_back(std::move(item.value));
  numbersInPlace_ = 0;
  chargeSlots();
  return order.outcome();
}

}  // namespace sdk::analytics

