#include "sdk/analytics/foundation/AnalyticsValue.h"

namespace sdk::analytics {

using platform::foundation::Value;

AnalyticsValue::AnalyticsValue(std::vector<Parameters> items)
    : value_(std::make_shared<const std::vector<Parameters>>(std::move(items))) {}

std::optional<AnalyticsValue> AnalyticsValue::valueFromObject(const Value& object) {
  if (object.isBool() || object.isInteger()) return AnalyticsValue(object.toInt64());
  if (object.isReal()) return AnalyticsValue(object.toDouble());
  if (object.isString()) return AnalyticsValue(*object.string());
  return std::nullopt;
}

std::string AnalyticsValue::stringValue() const {
  const auto* text = std::get_if<std::string>(&value_);
  return text ? *text : std::string();
}

double AnalyticsValue::doubleValue() const {
  if (const auto* d = std::get_if<double>(&value_)) return *d;
  if (const auto* n = std::get_if<std::int64_t>(&value_)) return static_cast<double>(*n);
  return 0;
}

std::int64_t AnalyticsValue::int64Value() const {
  if (const auto* n = std::get_if<std::int64_t>(&value_)) return *n;
  if (const auto* d = std::get_if<double>(&value_)) return Value(*d).toInt64();  // clamped, NaN gives 0
  return 0;
}

const std::vector<Parameters>& AnalyticsValue::items() const {
  static const std::vector<Parameters> kNone;
  const auto* items = std::get_if<Items>(&value_);
  return items && *items ? **items : kNone;
}

Value AnalyticsValue::objectValue() const {
  if (const auto* n = std::get_if<std::int64_t>(&value_)) return Value(*n);
  if (const auto* d = std::get_if<double>(&value_)) return Value(*d);
  if (const auto* s = std::get_if<std::string>(&value_)) return Value(*s);
  platform::foundation::Array array;
  for (const Parameters& item : items()) array.emplace_back(parametersAsDictionary(item));
  return Value(std::move(array));
}

bool AnalyticsValue::operator==(const AnalyticsValue& other) const {
  if (value_.index() != other.value_.index()) return false;
  if (isItemArray()) return items() == other.items();
  return value_ == other.value_;
}

platform::foundation::Dictionary parametersAsDictionary(const Parameters& parameters) {
  platform::foundation::Dictionary dictionary;
  for (const auto& [name, value] : parameters) dictionary.emplace(name, value.objectValue());
  return dictionary;
}

}  // namespace sdk::analytics

