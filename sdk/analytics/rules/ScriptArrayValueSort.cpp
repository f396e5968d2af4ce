#include <cmath>
#include <optional>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

namespace {

// The ordering of the sort: holes last, undefined just before them, the rest by the comparator or
// by their texts. After the first error every pair compares equal and the error is kept for the
// sort to report once the merge is done.
class SortOrder {
 public:
  SortOrder(ScriptFunctionValue* comparator, ScriptScope& scope, ScriptHeap& heap)
      : comparator_(comparator), scope_(scope), heap_(heap) {}

  // Whether b must come before a.
  bool before(const ScriptValueRef& b, const ScriptValueRef& a) {
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

  ErrorOr<int> compare(const ScriptValueRef& a, const ScriptValueRef& b) {
    TRY(heap_.chargeWork(1));
    const int ra = rank(a.get());
    const int rb = rank(b.get());
    if (ra != rb || ra != 0) return ra < rb ? -1 : (ra > rb ? 1 : 0);
    if (comparator_) {
      auto result = TRY(comparator_->invokeWithArguments({a, b}, scope_));
      const double sign = TRY(result->doubleValueOrError());
      if (std::isnan(sign)) return 0;
      return sign < 0 ? -1 : (sign > 0 ? 1 : 0);
    }
    const auto x = TRY(a->stringValueOrError());
    const auto y = TRY(b->stringValueOrError());
    return x < y ? -1 : (x > y ? 1 : 0);
  }

  ScriptFunctionValue* comparator_;
  ScriptScope& scope_;
  ScriptHeap& heap_;
  std::optional<ScriptRuntimeError> failure_;
};

// A bottom-up merge sort: it only ever reads inside its own buffers, so a comparator that lies,
// throws or changes the array cannot make it step out of bounds.
void mergeSort(ScriptValueList& items, SortOrder& order) {
  ScriptValueList buffer(items.size());
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
  ScriptValueList items = valuesIn(0, elements_.size());
  ScriptRef<ScriptFunctionValue> keep(comparator);
  SortOrder order(comparator, scope, *heap());
  mergeSort(items, order);
  // The comparator may have changed the array meanwhile; the sorted copy replaces it whole.
  elements_.assign(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
  numbersInPlace_ = 0;
  chargeSlots();
  return order.outcome();
}

}  // namespace sdk::analytics

