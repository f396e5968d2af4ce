#include "sdk/analytics/rules/CommandHelpers.h"

#include <cmath>
#include <limits>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/ScriptEvaluator.h"

namespace sdk::analytics {

ErrorOr<ScriptValueList> evaluateArguments(ScriptArguments arguments, ScriptScope& scope) {
  ScriptValueList values;
  values.reserve(arguments.size());
  for (const auto& argument : arguments) values.push_back(TRY(ScriptEvaluator::evaluateStatement(*argument, scope)));
  return values;
}

ErrorOr<void> evaluateArgumentsInto(ScriptArguments arguments, ScriptValueRef* out, ScriptScope& scope) {
  std::size_t n = 0;
  for (const auto& argument : arguments) out[n++] = TRY(ScriptEvaluator::evaluateStatement(*argument, scope));
  return {};
}

ErrorOr<void> checkArgumentCount(ScriptArguments list, std::size_t n) {
  if (list.size() == n) return {};
  return scriptError(kScriptErrorArgumentCount);
}

ErrorOr<void> checkMinimumArgumentCount(ScriptArguments list, std::size_t n) {
  if (list.size() >= n) return {};
  return scriptError(kScriptErrorArgumentCount);
}

ErrorOr<void> checkMaximumArgumentCount(ScriptArguments list, std::size_t n) {
  if (list.size() <= n) return {};
  return scriptError(kScriptErrorArgumentCount);
}

ErrorOr<ScriptRef<ScriptStringValue>> nameValueOf(const ScriptValueRef& value, ScriptHeap& heap) {
  if (value->kind() == ScriptValueKind::String) return ScriptRef<ScriptStringValue>(static_cast<ScriptStringValue*>(value.get()));
  auto text = TRY(value->stringValueOrError());
  TRY(heap.reserve(sizeof(ScriptStringValue) + text.size() * sizeof(char16_t)));
  return heap.make<ScriptStringValue>(std::move(text));
}

ErrorOr<std::vector<ScriptRef<ScriptStringValue>>> nameValuesOf(const ScriptArrayValue& list, ScriptHeap& heap) {
  const auto elements = TRY(list.allElements());
  return nameValuesOf(ScriptArguments(elements), heap);
}

ErrorOr<std::vector<ScriptRef<ScriptStringValue>>> nameValuesOf(ScriptArguments elements, ScriptHeap& heap) {
  // The snapshot of the elements and the list of names, both held while the names are made.
  ScriptMemoryCharge lists(heap, elements.size() * (sizeof(ScriptValueRef) + sizeof(ScriptRef<ScriptStringValue>)));
  TRY(lists.status());
  std::vector<ScriptRef<ScriptStringValue>> names;
  names.reserve(elements.size());
  for (const auto& element : elements) {
    TRY(heap.chargeWork(1));
    auto name = TRY(nameValueOf(element, heap));
    TRY(heap.chargeUnits(name->value().size()));
    names.push_back(std::move(name));
  }
  return names;
}

bool isStringLike(const ScriptValue& value) {
  switch (value.kind()) {
    case ScriptValueKind::Array: case ScriptValueKind::Function: case ScriptValueKind::Map: case ScriptValueKind::String:
      return true;
    default:
      return false;
  }
}

bool isArrayIndex(const ScriptValue& value) {
  if (value.kind() != ScriptValueKind::Number && value.kind() != ScriptValueKind::String) return false;
  const auto converted = value.doubleValueOrError();
  if (!converted.ok()) return false;
  const double number = *converted;
  return std::isfinite(number) && number >= 0 && std::trunc(number) == number;
}

std::int64_t arrayIndexFromDouble(double value) {
  if (!(value < 9223372036854775808.0)) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(value);
}

std::int32_t toInt32(double value) { return static_cast<std::int32_t>(toUInt32(value)); }

std::uint32_t toUInt32(double value) {
  if (!std::isfinite(value)) return 0;
  double m = std::fmod(std::trunc(value), 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<std::uint32_t>(m);
}

double toInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value == 0 || std::isinf(value)) return value;
  return std::trunc(value);
}

std::int64_t toInt64Clamped(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
  if (value < -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

ErrorOr<bool> stringEquals(const ScriptValue& a, const ScriptValue& b) {
  if (a.kind() == ScriptValueKind::String && b.kind() == ScriptValueKind::String) {
    // Two texts compare in place, without the copies their conversions would make.
    const auto& x = static_cast<const ScriptStringValue&>(a).value();
    const auto& y = static_cast<const ScriptStringValue&>(b).value();
    if (x.size() != y.size()) return false;
    TRY(a.heap()->chargeUnits(x.size()));
    return x == y;
  }
  const auto x = TRY(a.stringValueOrError());
  const auto y = TRY(b.stringValueOrError());
  return x == y;
}

ErrorOr<bool> numberEquals(const ScriptValue& a, const ScriptValue& b) {
  const double x = TRY(a.doubleValueOrError());
  const double y = TRY(b.doubleValueOrError());
  return x == y;
}

ErrorOr<bool> strictEquals(const ScriptValue& a, const ScriptValue& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case ScriptValueKind::Number:
    case ScriptValueKind::Boolean:
      return numberEquals(a, b);
    case ScriptValueKind::String:
      return stringEquals(a, b);
    default:
      return &a == &b;
  }
}

}  // namespace sdk::analytics

