#include "sdk/analytics/rules/APMPRuntimeValue.h"

#include <cmath>
#include <limits>

#include "sdk/analytics/rules/APMPBlockPool.h"
#include "sdk/analytics/rules/APMPCommandHelpers.h"
#include "sdk/analytics/rules/APMPStringCommandEvaluator.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class APMPEmptyValue final : public APMPRuntimeValue {
 public:
  APMPEmptyValue() : APMPRuntimeValue(APMPKind::Empty) {}
};

}  // namespace

APMPRuntimeValue* APMPRuntimeValue::emptyValue() {
  static APMPEmptyValue* value = new APMPEmptyValue();
  return value;
}

std::u16string APMPRuntimeValue::stringValueOrError(APMPError& error, int) const {
  APMPSetError(error, kAPMPErrorNoStringForm);
  return {};
}

double APMPRuntimeValue::doubleValueOrError(APMPError& error, int) const {
  APMPSetError(error, kAPMPErrorNoNumberForm);
  return kNaN;
}

bool APMPRuntimeValue::booleanValueOrError(APMPError& error) const {
  APMPSetError(error, kAPMPErrorNoBooleanForm);
  return false;
}

APMPValueRef APMPRuntimeValue::applyWithName(const std::u16string& name, const APMPValueList&, APMPScope& scope,
                                             APMPError& error) {
  if (name != u"toString") {
    APMPSetError(error, kAPMPErrorUnknownMethod);
    return APMPUndefined();
  }
  auto text = stringValueOrError(error);
  if (APMPFailed(error)) return APMPUndefined();
  return APMPString(APMPScopeHeap(scope), std::move(text), error);
}

bool APMPRuntimeValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int) const { return this == &other; }

// Undefined and null.

APMPUndefinedValue* APMPMakeSharedUndefined() { return new APMPUndefinedValue(); }
APMPBooleanValue* const* APMPMakeSharedBooleans() {
  static APMPBooleanValue* const values[2] = {new APMPBooleanValue(false), new APMPBooleanValue(true)};
  return values;
}

std::u16string APMPUndefinedValue::stringValueOrError(APMPError&, int) const { return u"undefined"; }
double APMPUndefinedValue::doubleValueOrError(APMPError&, int) const { return kNaN; }
bool APMPUndefinedValue::booleanValueOrError(APMPError&) const { return false; }
APMPValueRef APMPUndefinedValue::applyWithName(const std::u16string&, const APMPValueList&, APMPScope&,
                                               APMPError& error) {
  APMPSetError(error, kAPMPErrorMethodOfNothing);
  return APMPUndefined();
}
bool APMPUndefinedValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int) const {
  return other.kind() == APMPKind::Undefined;
}

APMPNullValue* APMPNullValue::sharedInstance() {
  static APMPNullValue* value = new APMPNullValue();
  return value;
}
std::u16string APMPNullValue::stringValueOrError(APMPError&, int) const { return u"null"; }
double APMPNullValue::doubleValueOrError(APMPError&, int) const { return 0; }
bool APMPNullValue::booleanValueOrError(APMPError&) const { return false; }
APMPValueRef APMPNullValue::applyWithName(const std::u16string&, const APMPValueList&, APMPScope&, APMPError& error) {
  APMPSetError(error, kAPMPErrorMethodOfNothing);
  return APMPUndefined();
}
bool APMPNullValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int) const {
  return other.kind() == APMPKind::Null;
}

// Booleans.

std::u16string APMPBooleanValue::stringValueOrError(APMPError&, int) const { return value_ ? u"true" : u"false"; }
double APMPBooleanValue::doubleValueOrError(APMPError&, int) const { return value_ ? 1 : 0; }
bool APMPBooleanValue::booleanValueOrError(APMPError&) const { return value_; }
bool APMPBooleanValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int) const {
  return other.kind() == APMPKind::Boolean && static_cast<const APMPBooleanValue&>(other).value_ == value_;
}

// Numbers.

void* APMPNumberValue::operator new(std::size_t) { return APMPBlockPool<sizeof(APMPNumberValue)>::take(); }
void APMPNumberValue::operator delete(void* block, std::size_t) { APMPBlockPool<sizeof(APMPNumberValue)>::give(block); }
void* APMPControlValue::operator new(std::size_t) { return APMPBlockPool<sizeof(APMPControlValue)>::take(); }
void APMPControlValue::operator delete(void* block, std::size_t) {
  APMPBlockPool<sizeof(APMPControlValue)>::give(block);
}

std::u16string APMPNumberValue::stringValueOrError(APMPError&, int) const { return APMPFormatNumber(value_); }
double APMPNumberValue::doubleValueOrError(APMPError&, int) const { return value_; }
bool APMPNumberValue::booleanValueOrError(APMPError&) const { return !(value_ == 0 || std::isnan(value_)); }
bool APMPNumberValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int) const {
  if (other.kind() != APMPKind::Number) return false;
  const double b = static_cast<const APMPNumberValue&>(other).value_;
  return value_ == b || (std::isnan(value_) && std::isnan(b));
}

// Strings.

APMPValueRef APMPString(APMPHeap& heap, std::u16string value, APMPError& error) {
  if (value.size() > heap.limits().stringLength || !heap.reserve(value.size() * 2, error)) {
    APMPSetError(error, kAPMPErrorLimitReached);
    return APMPUndefined();
  }
  return heap.make<APMPStringValue>(std::move(value));
}

// Both conversions copy or scan the whole text: long texts are charged as native work.
std::u16string APMPStringValue::stringValueOrError(APMPError& error, int) const {
  if (!heap()->chargeUnits(value_.size(), error)) return {};
  return value_;
}
double APMPStringValue::doubleValueOrError(APMPError& error, int) const {
  if (!heap()->chargeUnits(value_.size(), error)) return kNaN;
  return APMPParseNumber(value_);
}
bool APMPStringValue::booleanValueOrError(APMPError&) const { return !value_.empty(); }
APMPValueRef APMPStringValue::applyWithName(const std::u16string& name, const APMPValueList& arguments,
                                            APMPScope& scope, APMPError& error) {
  return APMPStringCommandEvaluator::sharedInstance().evaluateCommand(name, value_, arguments, scope, error);
}
bool APMPStringValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int) const {
  return other.kind() == APMPKind::String && static_cast<const APMPStringValue&>(other).value_ == value_;
}

// Control values.

APMPControlValue::APMPControlValue(Type type)
    : APMPRuntimeValue(APMPKind::Control), type_(type), data_(APMPUndefined()) {}
APMPControlValue::APMPControlValue(APMPHeap& heap, Type type, APMPValueRef data)
    : APMPRuntimeValue(heap, APMPKind::Control, sizeof(APMPControlValue), false), type_(type), data_(std::move(data)) {
  if (!data_) data_ = APMPUndefined();
}
APMPControlValue* APMPControlValue::breakValue() {
  static APMPControlValue* value = new APMPControlValue(Type::Break);
  return value;
}
APMPControlValue* APMPControlValue::continueValue() {
  static APMPControlValue* value = new APMPControlValue(Type::Continue);
  return value;
}
APMPValueRef APMPControlValue::returnValueWithData(APMPHeap& heap, APMPValueRef data) {
  return heap.make<APMPControlValue>(Type::Return, std::move(data));
}
std::u16string APMPControlValue::typeName() const {
  switch (type_) {
    case Type::Break: return u"break";
    case Type::Continue: return u"continue";
    case Type::Return: return u"return";
  }
  return {};
}
bool APMPControlValue::isEqualToRuntimeValue(const APMPRuntimeValue& other, int depth) const {
  if (this == &other) return true;
  if (other.kind() != APMPKind::Control) return false;
  const auto& o = static_cast<const APMPControlValue&>(other);
  if (o.type_ != type_) return false;
  const APMPRuntimeValue* a = data_ ? data_.get() : APMPUndefined();
  const APMPRuntimeValue* b = o.data_ ? o.data_.get() : APMPUndefined();
  return depth < 64 && a->isEqualToRuntimeValue(*b, depth + 1);
}
