#include "sdk/analytics/foundation/APMValue.h"

using platform::foundation::Value;

APMValue::APMValue(std::vector<APMParameters> items)
    : value_(std::make_shared<const std::vector<APMParameters>>(std::move(items))) {}

std::optional<APMValue> APMValue::valueFromObject(const Value& object) {
  if (object.isBool() || object.isInteger()) return APMValue(object.toInt64());
  if (object.isReal()) return APMValue(object.toDouble());
  if (object.isString()) return APMValue(*object.string());
  return std::nullopt;
}

std::string APMValue::stringValue() const {
  const auto* text = std::get_if<std::string>(&value_);
  return text ? *text : std::string();
}

double APMValue::doubleValue() const {
  if (const auto* d = std::get_if<double>(&value_)) return *d;
  if (const auto* n = std::get_if<std::int64_t>(&value_)) return static_cast<double>(*n);
  return 0;
}

std::int64_t APMValue::int64Value() const {
  if (const auto* n = std::get_if<std::int64_t>(&value_)) return *n;
  if (const auto* d = std::get_if<double>(&value_)) return Value(*d).toInt64();  // clamped, NaN gives 0
  return 0;
}

const std::vector<APMParameters>& APMValue::items() const {
  static const std::vector<APMParameters> kNone;
  const auto* items = std::get_if<Items>(&value_);
  return items && *items ? **items : kNone;
}

Value APMValue::objectValue() const {
  if (const auto* n = std::get_if<std::int64_t>(&value_)) return Value(*n);
  if (const auto* d = std::get_if<double>(&value_)) return Value(*d);
  if (const auto* s = std::get_if<std::string>(&value_)) return Value(*s);
  platform::foundation::Array array;
  for (const APMParameters& item : items()) array.emplace_back(APMParametersObject(item));
  return Value(std::move(array));
}

bool APMValue::operator==(const APMValue& other) const {
  if (value_.index() != other.value_.index()) return false;
  if (isItemArray()) return items() == other.items();
  return value_ == other.value_;
}

platform::foundation::Dictionary APMParametersObject(const APMParameters& parameters) {
  platform::foundation::Dictionary dictionary;
  for (const auto& [name, value] : parameters) dictionary.emplace(name, value.objectValue());
  return dictionary;
}
