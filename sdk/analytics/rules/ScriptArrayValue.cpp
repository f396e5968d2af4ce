#include "sdk/analytics/rules/ScriptArrayValue.h"

#include <algorithm>
#include <cmath>

#include "sdk/analytics/rules/ArrayCommandEvaluator.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptFunctionValue.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

namespace {
constexpr std::size_t kSlotBytes = sizeof(ScriptValueRef);

// Marks an array as being converted for the guard's lifetime.
class ConversionMark {
 public:
  explicit ConversionMark(bool& flag) : flag_(flag) { flag_ = true; }
  ~ConversionMark() { flag_ = false; }

 private:
  bool& flag_;
};
}  // namespace

ScriptArrayValue::ScriptArrayValue(ScriptHeap& heap, ScriptValueList elements)
    : ScriptValue(heap, ScriptValueKind::Array, sizeof(ScriptArrayValue), true),
      elements_(std::make_move_iterator(elements.begin()), std::make_move_iterator(elements.end())) {
  chargeSlots();
}

ScriptArrayValue::~ScriptArrayValue() = default;

void ScriptArrayValue::chargeSlots() {
  const auto bytes = elements_.size() * kSlotBytes + numbersInPlace_ * kNumberBytes;
  chargeBytes(static_cast<std::ptrdiff_t>(bytes) - static_cast<std::ptrdiff_t>(chargedBytes_));
  chargedBytes_ = bytes;
}

void ScriptArrayValue::makeObjects(std::size_t first, std::size_t last) const {
  if (numbersInPlace_ == 0) return;
  for (auto i = first; i < last; ++i) {
    if (!elements_[i].holdsNumber()) continue;
    elements_[i].makeObject(*heap());
    --numbersInPlace_;
  }
  const_cast<ScriptArrayValue*>(this)->chargeSlots();
}

void ScriptArrayValue::forgetNumbers(std::size_t first, std::size_t last) {
  if (numbersInPlace_ == 0) return;
  for (auto i = first; i < last; ++i) {
    if (elements_[i].holdsNumber()) --numbersInPlace_;
  }
}

ScriptValueList ScriptArrayValue::valuesIn(std::size_t first, std::size_t last) const {
  makeObjects(first, last);
  ScriptValueList out;
  out.reserve(last - first);
  for (auto i = first; i < last; ++i) out.push_back(elements_[i].value());
  return out;
}

bool ScriptArrayValue::slotEquals(std::size_t i, const ScriptValue& value, ScriptRuntimeError& error) const {
  const auto& slot = elements_[i];
  if (slot.holdsNumber()) {
    // Strictly equal to a number only, and then by value (NaN equals nothing).
    return value.kind() == ScriptValueKind::Number && static_cast<const ScriptNumberValue&>(value).value() == slot.number();
  }
  return strictEquals(*slot.object(), value, error);
}

const ScriptValueRef& ScriptArrayValue::valueAt(std::size_t i) const {
  if (elements_[i].holdsNumber()) makeObjects(i, i + 1);
  return elements_[i].value();
}

bool ScriptArrayValue::canGrowTo(std::size_t length, ScriptRuntimeError& error) const {
  if (length <= elements_.size()) return true;
  if (length > static_cast<std::size_t>(heap()->limits().arrayLength) ||
      !heap()->reserve((length - elements_.size()) * kSlotBytes, error)) {
    setScriptError(error, kScriptErrorLimitReached);
    return false;
  }
  return true;
}

std::u16string ScriptArrayValue::stringValueWithSeparator(const std::u16string& separator, ScriptRuntimeError& error,
                                                        int depth) const {
  if (elements_.empty() || converting_) return {};
  if (depth >= heap()->limits().conversionDepth) {
    setScriptError(error, kScriptErrorLimitReached);
    return {};
  }
  ConversionMark mark(converting_);
  std::u16string out;
  const auto limit = heap()->limits().stringLength;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    const auto& slot = elements_[i];
    const auto before = out.size();
    if (slot.holdsNumber()) {
      out += formatScriptNumber(slot.number());
    } else if (!slot.isHole() && !slot.object()->isNothing()) {
      out += slot.object()->stringValueOrError(error, depth + 1);
      if (hasScriptError(error)) return {};
    }
    if (i + 1 < elements_.size()) out += separator;
    if (!heap()->chargeWork(1 + static_cast<std::int64_t>((out.size() - before) / ScriptHeap::kCodeUnitsPerStep), error)) {
      return {};
    }
    if (out.size() > limit) {
      setScriptError(error, kScriptErrorLimitReached);
      return {};
    }
  }
  return out;
}

std::u16string ScriptArrayValue::stringValueOrError(ScriptRuntimeError& error, int depth) const {
  return stringValueWithSeparator(u",", error, depth);
}

double ScriptArrayValue::doubleValueOrError(ScriptRuntimeError& error, int depth) const {
  const auto text = stringValueOrError(error, depth);
  if (hasScriptError(error)) return parseScriptNumber(u"NaN");
  return parseScriptNumber(text);
}

ScriptValueRef ScriptArrayValue::applyWithName(const std::u16string& name, const ScriptValueList& arguments,
                                           ScriptScope& scope, ScriptRuntimeError& error) {
  if (auto* property = properties_.valueForName(name)) {
    if (property->kind() != ScriptValueKind::Function) {
      setScriptError(error, kScriptErrorUnknownMethod);
      return scriptUndefined();
    }
    ScriptRef<ScriptFunctionValue> function(static_cast<ScriptFunctionValue*>(property));
    return function->invokeWithArguments(arguments, scope, error);
  }
  return ArrayCommandEvaluator::sharedInstance().evaluateCommand(name, ScriptRef<ScriptArrayValue>(this), arguments,
                                                                     scope, error);
}

bool ScriptArrayValue::isEqualToRuntimeValue(const ScriptValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != ScriptValueKind::Array) return false;
  const auto& o = static_cast<const ScriptArrayValue&>(other);
  if (o.elements_.size() != elements_.size() || depth >= heap()->limits().conversionDepth) return false;
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    const auto& a = elements_[i];
    const auto& b = o.elements_[i];
    if (a.holdsNumber() || b.holdsNumber()) {
      const auto x = a.operand();
      const auto y = b.operand();
      if (!x.isNumber() || !y.isNumber()) return false;
      if (!(x.number() == y.number() || (std::isnan(x.number()) && std::isnan(y.number())))) return false;
    } else if (a.isHole() || b.isHole()) {
      if (a.object() != b.object()) return false;
    } else if (!a.object()->isEqualToRuntimeValue(*b.object(), depth + 1)) {
      return false;
    }
  }
  return true;
}

bool ScriptArrayValue::setLength(std::int64_t length, ScriptRuntimeError& error) {
  if (length < 0) return false;
  const auto n = static_cast<std::size_t>(length);
  if (!canGrowTo(n, error)) return false;
  // Growing fills holes, shrinking releases elements: either way every slot passed is work.
  const auto passed = n > elements_.size() ? n - elements_.size() : elements_.size() - n;
  if (!heap()->chargeWork(static_cast<std::int64_t>(passed), error)) return false;
  if (n < elements_.size()) forgetNumbers(n, elements_.size());
  elements_.resize(n, sdk::analytics::ArraySlot(ScriptValueRef(ScriptValue::emptyValue())));
  chargeSlots();
  return true;
}

void ScriptArrayValue::setValueForProperty(const ScriptValueRef& value, const ScriptValue& property,
                                         ScriptRuntimeError& error) {
  const auto name = property.stringValueOrError(error);
  if (hasScriptError(error)) return;
  if (property.kind() == ScriptValueKind::String && name == u"length") {
    if (!isArrayIndex(*value)) {
      setScriptError(error, kScriptErrorBadLength);
      return;
    }
    const auto length = arrayIndexFromDouble(value->doubleValueOrError(error));
    if (length > heap()->limits().arrayLength) {
      setScriptError(error, kScriptErrorBadLength);
      return;
    }
    (void)setLength(length, error);
    return;
  }
  if (isArrayIndex(property)) {
    const auto index = arrayIndexFromDouble(property.doubleValueOrError(error));
    if (index >= heap()->limits().arrayLength) {
      setScriptError(error, kScriptErrorLimitReached);
      return;
    }
    const auto slot = static_cast<std::size_t>(index);
    if (slot >= elements_.size() && !setLength(index + 1, error)) return;
    forgetNumbers(slot, slot + 1);
    elements_[slot] = value;
    chargeSlots();
    return;
  }
  setProperty(value, name);
}

ScriptValueRef ScriptArrayValue::valueForProperty(const ScriptValue& property, ScriptRuntimeError& error) const {
  const auto name = property.stringValueOrError(error);
  if (hasScriptError(error)) return scriptUndefined();
  if (property.kind() == ScriptValueKind::String && name == u"length") {
    return scriptNumber(*heap(), static_cast<double>(elements_.size()));
  }
  if (isArrayIndex(property)) {
    const auto index = arrayIndexFromDouble(property.doubleValueOrError(error));
    if (static_cast<std::uint64_t>(index) >= elements_.size()) return scriptUndefined();
    const auto i = static_cast<std::size_t>(index);
    return elements_[i].isHole() ? ScriptValueRef(scriptUndefined()) : valueAt(i);
  }
  auto* value = properties_.valueForName(name);
  return value ? ScriptValueRef(value) : ScriptValueRef(scriptUndefined());
}

void ScriptArrayValue::removeValueForProperty(const ScriptValue& property, ScriptRuntimeError& error) {
  const auto name = property.stringValueOrError(error);
  if (hasScriptError(error)) return;
  if (isArrayIndex(property)) {
    const auto index = arrayIndexFromDouble(property.doubleValueOrError(error));
    if (static_cast<std::uint64_t>(index) < elements_.size()) {
      const auto i = static_cast<std::size_t>(index);
      forgetNumbers(i, i + 1);
      elements_[i] = ScriptValueRef(ScriptValue::emptyValue());
      chargeSlots();
    }
    return;
  }
  chargeBytes(properties_.removeValueForName(name));
}

bool ScriptArrayValue::hasProperty(const ScriptValue& property, ScriptRuntimeError& error) const {
  if (isArrayIndex(property)) {
    const auto index = arrayIndexFromDouble(property.doubleValueOrError(error));
    return static_cast<std::uint64_t>(index) < elements_.size() &&
           !elements_[static_cast<std::size_t>(index)].isHole();
  }
  const auto name = property.stringValueOrError(error);
  if (hasScriptError(error)) return false;
  return properties_.hasName(name);
}

ScriptValueList ScriptArrayValue::allPropertyNames(ScriptRuntimeError& error) const {
  ScriptValueList names;
  const auto count = properties_.count() + elements_.size();
  ScriptMemoryCharge list(*heap(), count * (sizeof(ScriptValueRef) + sizeof(ScriptStringValue) + 32), error);
  if (!list.charged() || !heap()->chargeWork(static_cast<std::int64_t>(count), error)) return names;
  for (const auto& name : properties_.allNames()) names.push_back(shortScriptString(*heap(), name));
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    if (!elements_[i].isHole()) names.push_back(shortScriptString(*heap(), utf16Literal(std::to_string(i))));
  }
  return names;
}

ScriptValueList ScriptArrayValue::allElements(ScriptRuntimeError& error) const {
  ScriptValueList out;
  if (!heap()->chargeWork(static_cast<std::int64_t>(elements_.size()), error) ||
      !heap()->reserve(elements_.size() * kSlotBytes, error)) {
    return out;
  }
  makeObjects(0, elements_.size());
  out.reserve(elements_.size());
  for (const auto& element : elements_) {
    out.push_back(element.isHole() ? ScriptValueRef(scriptUndefined()) : element.value());
  }
  return out;
}

ScriptRef<ScriptArrayValue> ScriptArrayValue::subarrayWithRange(std::int64_t location, std::int64_t length,
                                                          ScriptRuntimeError& error) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  const auto start = std::clamp<std::int64_t>(location, 0, n);
  const auto count = std::clamp<std::int64_t>(length, 0, n - start);
  if (!heap()->chargeWork(count, error) || !canGrowTo(static_cast<std::size_t>(count), error)) return nullptr;
  return heap()->make<ScriptArrayValue>(valuesIn(static_cast<std::size_t>(start), static_cast<std::size_t>(start + count)));
}

ScriptValueList ScriptArrayValue::spliceFrom(std::int64_t from, std::int64_t deleteCount, ScriptArguments values,
                                         ScriptRuntimeError& error) {
  const auto n = static_cast<std::int64_t>(elements_.size());
  const auto start = std::clamp<std::int64_t>(from, 0, n);
  const auto d = std::clamp<std::int64_t>(deleteCount, 0, n - start);
  if (!canGrowTo(elements_.size() - d + values.size(), error)) return {};
  if (!heap()->chargeWork(n + static_cast<std::int64_t>(values.size()), error)) return {};
  ScriptValueList removed = valuesIn(static_cast<std::size_t>(start), static_cast<std::size_t>(start + d));
  elements_.erase(elements_.begin() + start, elements_.begin() + start + d);
  elements_.insert(elements_.begin() + start, values.begin(), values.end());
  chargeSlots();
  return removed;
}

void ScriptArrayValue::concat(const ScriptValueRef& value, ScriptRuntimeError& error) {
  if (value->kind() == ScriptValueKind::Control) {
    setScriptError(error, kScriptErrorArgumentType);
    return;
  }
  if (value->kind() == ScriptValueKind::Array) {
    const auto& other = static_cast<const ScriptArrayValue&>(*value);
    const auto copy = other.valuesIn(0, other.elements_.size());
    if (!canGrowTo(elements_.size() + copy.size(), error) ||
        !heap()->chargeWork(static_cast<std::int64_t>(copy.size()), error)) {
      return;
    }
    elements_.insert(elements_.end(), copy.begin(), copy.end());
  } else {
    if (!canGrowTo(elements_.size() + 1, error)) return;
    elements_.push_back(value);
  }
  chargeSlots();
}

bool ScriptArrayValue::reverse(ScriptRuntimeError& error) {
  if (!heap()->chargeWork(static_cast<std::int64_t>(elements_.size()), error)) return false;
  std::reverse(elements_.begin(), elements_.end());
  return true;
}

ScriptValueRef ScriptArrayValue::removeFirstElement(ScriptRuntimeError& error) {
  if (elements_.empty()) return scriptUndefined();
  if (!heap()->chargeWork(static_cast<std::int64_t>(elements_.size()), error)) return scriptUndefined();
  ScriptValueRef first = valueAt(0);
  elements_.erase(elements_.begin());
  chargeSlots();
  return isHole(first.get()) ? ScriptValueRef(scriptUndefined()) : first;
}

ScriptValueRef ScriptArrayValue::removeLastElement() {
  if (elements_.empty()) return scriptUndefined();
  ScriptValueRef last = valueAt(elements_.size() - 1);
  elements_.pop_back();
  chargeSlots();
  return isHole(last.get()) ? ScriptValueRef(scriptUndefined()) : last;
}

std::int64_t ScriptArrayValue::appendElements(ScriptArguments values, ScriptRuntimeError& error) {
  if (canGrowTo(elements_.size() + values.size(), error)) {
    elements_.insert(elements_.end(), values.begin(), values.end());
    chargeSlots();
  }
  return static_cast<std::int64_t>(elements_.size());
}

std::int64_t ScriptArrayValue::appendOperands(std::span<sdk::analytics::Operand> values, std::size_t heldBytes,
                                            ScriptRuntimeError& error) {
  // The held bytes stay counted through the check, as the numbers' objects would have been.
  const bool fits = canGrowTo(elements_.size() + values.size(), error);
  heap()->refundMemory(heldBytes);
  if (!fits) return static_cast<std::int64_t>(elements_.size());
  for (auto& value : values) {
    if (value.isPlainNumber()) {
      elements_.emplace_back(value.number());
      ++numbersInPlace_;
    } else {
      elements_.emplace_back(std::move(value).box(*heap()));
    }
  }
  chargeSlots();
  return static_cast<std::int64_t>(elements_.size());
}

std::int64_t ScriptArrayValue::prependElements(ScriptArguments values, ScriptRuntimeError& error) {
  if (canGrowTo(elements_.size() + values.size(), error) &&
      heap()->chargeWork(static_cast<std::int64_t>(elements_.size()), error)) {
    elements_.insert(elements_.begin(), values.begin(), values.end());
    chargeSlots();
  }
  return static_cast<std::int64_t>(elements_.size());
}

std::int64_t ScriptArrayValue::indexOfValue(const ScriptValue& value, std::int64_t fromIndex,
                                          ScriptRuntimeError& error) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  for (auto i = std::max<std::int64_t>(fromIndex, 0); i < n; ++i) {
    if (!heap()->chargeWork(1, error)) return -1;
    if (slotEquals(static_cast<std::size_t>(i), value, error)) return i;
    if (hasScriptError(error)) return -1;
  }
  return -1;
}

std::int64_t ScriptArrayValue::lastIndexOfValue(const ScriptValue& value, std::int64_t fromIndex,
                                              ScriptRuntimeError& error) const {
  const auto n = static_cast<std::int64_t>(elements_.size());
  for (auto i = std::min<std::int64_t>(fromIndex, n - 1); i >= 0; --i) {
    if (!heap()->chargeWork(1, error)) return -1;
    if (slotEquals(static_cast<std::size_t>(i), value, error)) return i;
    if (hasScriptError(error)) return -1;
  }
  return -1;
}

void ScriptArrayValue::visitChildren(ChildVisitor visit, void* context) {
  for (const auto& element : elements_) {
    if (!element.holdsNumber()) visit(element.object(), context);
  }
  properties_.forEachValue([&](ScriptValue* value) { visit(value, context); });
}

void ScriptArrayValue::clearChildren() {
  elements_.clear();
  numbersInPlace_ = 0;
  properties_.clear();
  chargeSlots();
}

}  // namespace sdk::analytics

