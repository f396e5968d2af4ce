#include <cmath>

#include "sdk/analytics/rules/APMPArrayValue.h"
#include "sdk/analytics/rules/APMPFunctionValue.h"

namespace {

// The ordering of the sort: holes last, undefined just before them, the rest by the comparator or
// by their texts. After the first error every pair compares equal and the error is kept.
class SortOrder {
 public:
  SortOrder(APMPFunctionValue* comparator, APMPScope& scope, APMPHeap& heap, APMPError& error)
      : comparator_(comparator), scope_(scope), heap_(heap), error_(error) {}

  // Whether b must come before a.
  bool before(const APMPValueRef& b, const APMPValueRef& a) { return compare(b, a) < 0; }

 private:
  static int rank(const APMPRuntimeValue* value) {
    if (APMPArrayValue::isHole(value)) return 2;
    return value->isUndefined() ? 1 : 0;
  }

  int compare(const APMPValueRef& a, const APMPValueRef& b) {
    if (APMPFailed(error_) || !heap_.chargeWork(1, error_)) return 0;
    const int ra = rank(a.get());
    const int rb = rank(b.get());
    if (ra != rb || ra != 0) return ra < rb ? -1 : (ra > rb ? 1 : 0);
    if (comparator_) {
      auto result = comparator_->invokeWithArguments({a, b}, scope_, error_);
      if (APMPFailed(error_)) return 0;
      const double sign = result->doubleValueOrError(error_);
      if (APMPFailed(error_) || std::isnan(sign)) return 0;
      return sign < 0 ? -1 : (sign > 0 ? 1 : 0);
    }
    const auto x = a->stringValueOrError(error_);
    if (APMPFailed(error_)) return 0;
    const auto y = b->stringValueOrError(error_);
    if (APMPFailed(error_)) return 0;
    return x < y ? -1 : (x > y ? 1 : 0);
  }

  APMPFunctionValue* comparator_;
  APMPScope& scope_;
  APMPHeap& heap_;
  APMPError& error_;
};

// A bottom-up merge sort: it only ever reads inside its own buffers, so a comparator that lies,
// throws or changes the array cannot make it step out of bounds.
void mergeSort(APMPValueList& items, SortOrder& order) {
  APMPValueList buffer(items.size());
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

void APMPArrayValue::sortUsingFunctionValue(APMPFunctionValue* comparator, APMPScope& scope, APMPError& error) {
  APMPValueList items = valuesIn(0, elements_.size());
  APMPRef<APMPFunctionValue> keep(comparator);
  SortOrder order(comparator, scope, *heap(), error);
  mergeSort(items, order);
  // The comparator may have changed the array meanwhile; the sorted copy replaces it whole.
  elements_.assign(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
  numbersInPlace_ = 0;
  chargeSlots();
}
