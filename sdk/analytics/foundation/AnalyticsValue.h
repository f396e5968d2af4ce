#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

class AnalyticsValue;
// Event and item parameters: name to value.
using Parameters = std::map<std::string, AnalyticsValue>;

// A tagged parameter or property value: a double, a 64-bit integer, a string, or an array of items
// (each item a parameter dictionary of plain values), the last only as an event parameter.
class AnalyticsValue {
 public:
  explicit AnalyticsValue(std::int64_t value) : value_(value) {}
  explicit AnalyticsValue(double value) : value_(value) {}
  explicit AnalyticsValue(std::string value) : value_(std::move(value)) {}
  explicit AnalyticsValue(const char* value) : value_(std::string(value ? value : "")) {}
  explicit AnalyticsValue(std::vector<Parameters> items);

  // A number (booleans and integers as integers, reals as doubles) or a string; nothing else.
  static std::optional<AnalyticsValue> valueFromObject(const platform::foundation::Value& object);

  bool isString() const { return std::holds_alternative<std::string>(value_); }
  bool isDouble() const { return std::holds_alternative<double>(value_); }
  bool isInt64() const { return std::holds_alternative<std::int64_t>(value_); }
  bool isItemArray() const { return std::holds_alternative<Items>(value_); }

  // Readers convert between the two number kinds; other kinds read as empty or 0.
  std::string stringValue() const;
  // The string in place, nullptr for the other kinds.
  const std::string* string() const { return std::get_if<std::string>(&value_); }
  double doubleValue() const;
  std::int64_t int64Value() const;
  const std::vector<Parameters>& items() const;

  // The value as a dynamic value: number, string, or an array of dictionaries.
  platform::foundation::Value objectValue() const;
  std::string description() const { return objectValue().description(); }

  bool operator==(const AnalyticsValue& other) const;
  bool operator!=(const AnalyticsValue& other) const { return !(*this == other); }

 private:
  using Items = std::shared_ptr<const std::vector<Parameters>>;
  std::variant<std::int64_t, double, std::string, Items> value_;
};

platform::foundation::Dictionary parametersAsDictionary(const Parameters& parameters);

}  // namespace sdk::analytics

