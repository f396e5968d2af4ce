#include "sdk/analytics/rules/ScriptValue.h"

#include <cmath>
#include <limits>

#include "sdk/analytics/rules/SpareBlockPool.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/StringCommandEvaluator.h"

namespace sdk::analytics {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class ScriptEmptyValue final : public ScriptValue {
 public:
  ScriptEmptyValue() : ScriptValue(ScriptValueKind::Empty) {}
};

}  // namespace

ScriptValue* ScriptValue::emptyValue() {
  static ScriptEmptyValue* value = new ScriptEmptyValue();
  return value;
}

std::u16string ScriptValue::stringValueOrError(ScriptRuntimeError& error, int) const {
  setScriptError(error, kScriptErrorNoStringForm);
  return {};
}

double ScriptValue::doubleValueOrError(ScriptRuntimeError& error, int) const {
  setScriptError(error, kScriptErrorNoNumberForm);
  return kNaN;
}

bool ScriptValue::booleanValueOrError(ScriptRuntimeError& error) const {
  setScriptError(error, kScriptErrorNoBooleanForm);
  return false;
}

ScriptValueRef ScriptValue::applyWithName(const std::u16string& name, const ScriptValueList&, ScriptScope& scope,
                                             ScriptRuntimeError& error) {
  if (name != u"toString") {
    setScriptError(error, kScriptErrorUnknownMethod);
    return scriptUndefined();
  }
  auto text = stringValueOrError(error);
  if (hasScriptError(error)) return scriptUndefined();
  return scriptString(heapOfScope(scope), std::move(text), error);
}

bool ScriptValue::isEqualToRuntimeValue(const ScriptValue& other, int) const { return this == &other; }

// Undefined and null.

ScriptUndefinedValue* makeSharedUndefined() { return new ScriptUndefinedValue(); }
ScriptBooleanValue* const* makeSharedBooleans() {
  static ScriptBooleanValue* const values[2] = {new ScriptBooleanValue(false), new ScriptBooleanValue(true)};
  return values;
}

std::u16string ScriptUndefinedValue::stringValueOrError(ScriptRuntimeError&, int) const { return u"undefined"; }
double ScriptUndefinedValue::doubleValueOrError(ScriptRuntimeError&, int) const { return kNaN; }
bool ScriptUndefinedValue::booleanValueOrError(ScriptRuntimeError&) const { return false; }
ScriptValueRef ScriptUndefinedValue::applyWithName(const std::u16string&, const ScriptValueList&, ScriptScope&,
                                               ScriptRuntimeError& error) {
  setScriptError(error, kScriptErrorMethodOfNothing);
  return scriptUndefined();
}
bool ScriptUndefinedValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  return other.kind() == ScriptValueKind::Undefined;
}

ScriptNullValue* ScriptNullValue::sharedInstance() {
  static ScriptNullValue* value = new ScriptNullValue();
  return value;
}
std::u16string ScriptNullValue::stringValueOrError(ScriptRuntimeError&, int) const { return u"null"; }
double ScriptNullValue::doubleValueOrError(ScriptRuntimeError&, int) const { return 0; }
bool ScriptNullValue::booleanValueOrError(ScriptRuntimeError&) const { return false; }
ScriptValueRef ScriptNullValue::applyWithName(const std::u16string&, const ScriptValueList&, ScriptScope&, ScriptRuntimeError& error) {
  setScriptError(error, kScriptErrorMethodOfNothing);
  return scriptUndefined();
}
bool ScriptNullValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  return other.kind() == ScriptValueKind::Null;
}

// Booleans.

std::u16string ScriptBooleanValue::stringValueOrError(ScriptRuntimeError&, int) const { return value_ ? u"true" : u"false"; }
double ScriptBooleanValue::doubleValueOrError(ScriptRuntimeError&, int) const { return value_ ? 1 : 0; }
bool ScriptBooleanValue::booleanValueOrError(ScriptRuntimeError&) const { return value_; }
bool ScriptBooleanValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  return other.kind() == ScriptValueKind::Boolean && static_cast<const ScriptBooleanValue&>(other).value_ == value_;
}

// Numbers.

void* ScriptNumberValue::operator new(std::size_t) { return SpareBlockPool<sizeof(ScriptNumberValue)>::take(); }
void ScriptNumberValue::operator delete(void* block, std::size_t) { SpareBlockPool<sizeof(ScriptNumberValue)>::give(block); }
void* ScriptControlValue::operator new(std::size_t) { return SpareBlockPool<sizeof(ScriptControlValue)>::take(); }
void ScriptControlValue::operator delete(void* block, std::size_t) {
  SpareBlockPool<sizeof(ScriptControlValue)>::give(block);
}

std::u16string ScriptNumberValue::stringValueOrError(ScriptRuntimeError&, int) const { return formatScriptNumber(value_); }
double ScriptNumberValue::doubleValueOrError(ScriptRuntimeError&, int) const { return value_; }
bool ScriptNumberValue::booleanValueOrError(ScriptRuntimeError&) const { return !(value_ == 0 || std::isnan(value_)); }
bool ScriptNumberValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  if (other.kind() != ScriptValueKind::Number) return false;
  const double b = static_cast<const ScriptNumberValue&>(other).value_;
  return value_ == b || (std::isnan(value_) && std::isnan(b));
}

// Strings.

ScriptValueRef scriptString(ScriptHeap& heap, std::u16string value, ScriptRuntimeError& error) {
  if (value.size() > heap.limits().stringLength || !heap.reserve(value.size() * 2, error)) {
    setScriptError(error, kScriptErrorLimitReached);
    return scriptUndefined();
  }
  return heap.make<ScriptStringValue>(std::move(value));
}

// Both conversions copy or scan the whole text: long texts are charged as native work.
std::u16string ScriptStringValue::stringValueOrError(ScriptRuntimeError& error, int) const {
  if (!heap()->chargeUnits(value_.size(), error)) return {};
  return value_;
}
double ScriptStringValue::doubleValueOrError(ScriptRuntimeError& error, int) const {
  if (!heap()->chargeUnits(value_.size(), error)) return kNaN;
  return parseScriptNumber(value_);
}
bool ScriptStringValue::booleanValueOrError(ScriptRuntimeError&) const { return !value_.empty(); }
ScriptValueRef ScriptStringValue::applyWithName(const std::u16string& name, const ScriptValueList& arguments,
                                            ScriptScope& scope, ScriptRuntimeError& error) {
  return StringCommandEvaluator::sharedInstance().evaluateCommand(name, value_, arguments, scope, error);
}
bool ScriptStringValue::isEqualToRuntimeValue(const ScriptValue& other, int) const {
  return other.kind() == ScriptValueKind::String && static_cast<const ScriptStringValue&>(other).value_ == value_;
}

// Control values.

ScriptControlValue::ScriptControlValue(Type type)
    : ScriptValue(ScriptValueKind::Control), type_(type), data_(scriptUndefined()) {}
ScriptControlValue::ScriptControlValue(ScriptHeap& heap, Type type, ScriptValueRef data)
    : ScriptValue(heap, ScriptValueKind::Control, sizeof(ScriptControlValue), false), type_(type), data_(std::move(data)) {
  if (!data_) data_ = scriptUndefined();
}
ScriptControlValue* ScriptControlValue::breakValue() {
  static ScriptControlValue* value = new ScriptControlValue(Type::Break);
  return value;
}
ScriptControlValue* ScriptControlValue::continueValue() {
  static ScriptControlValue* value = new ScriptControlValue(Type::Continue);
  return value;
}
ScriptValueRef ScriptControlValue::returnValueWithData(ScriptHeap& heap, ScriptValueRef data) {
  return heap.make<ScriptControlValue>(Type::Return, std::move(data));
}
std::u16string ScriptControlValue::typeName() const {
  switch (type_) {
    case Type::Break: return u"break";
    case Type::Continue: return u"continue";
    case Type::Return: return u"return";
  }
  return {};
}
bool ScriptControlValue::isEqualToRuntimeValue(const ScriptValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != ScriptValueKind::Control) return false;
  const auto& o = static_cast<const ScriptControlValue&>(other);
  if (o.type_ != type_) return false;
  const ScriptValue* a = data_ ? data_.get() : scriptUndefined();
  const ScriptValue* b = o.data_ ? o.data_.get() : scriptUndefined();
  return depth < 64 && a->isEqualToRuntimeValue(*b, depth + 1);
}

}  // namespace sdk::analytics

