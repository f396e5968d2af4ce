#include "sdk/analytics/rules/ScriptSortOrder.h"

#include <algorithm>
#include <cmath>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"

namespace sdk::analytics {

ScriptSortOrder::~ScriptSortOrder() { heap_.refundMemory(heldBytes_); }

void ScriptSortOrder::sort(std::vector<Item>& items) {
  std::vector<Item> buffer(items.size());
  for (std::size_t width = 1; width < items.size(); width *= 2) {
    for (std::size_t low = 0; low < items.size(); low += 2 * width) {
      const std::size_t middle = std::min(low + width, items.size());
      const std::size_t high = std::min(low + 2 * width, items.size());
      std::size_t i = low, j = middle, k = low;
      while (i < middle && j < high) buffer[k++] = before(items[j], items[i]) ? items[j++] : items[i++];
      while (i < middle) buffer[k++] = items[i++];
      while (j < high) buffer[k++] = items[j++];
    }
    items.swap(buffer);
  }
}

bool ScriptSortOrder::before(Item& b, Item& a) {
  if (failure_) return false;
  auto order = compare(b, a);
  if (!order.ok()) {
    failure_ = std::move(order).releaseError();
    return false;
  }
  return *order < 0;
}

ErrorOr<void> ScriptSortOrder::outcome() const {
  if (failure_) return *failure_;
  return {};
}

int ScriptSortOrder::rank(const ScriptValue* value) {
  if (ScriptArrayValue::isHole(value)) return 2;
  return value->isUndefined() ? 1 : 0;
}

ErrorOr<int> ScriptSortOrder::compare(Item& a, Item& b) {
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

ErrorOr<const std::u16string*> ScriptSortOrder::textOf(Item& item) {
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

}  // namespace sdk::analytics
