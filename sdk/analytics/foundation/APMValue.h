#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/foundation/Value.h"

class APMValue;
// Event and item parameters: name to value.
using APMParameters = std::map<std::string, APMValue>;

// A tagged parameter or property value: a double, a 64-bit integer, a string, or an array of items
// (each item a parameter dictionary of plain values), the last only as an event parameter.
class APMValue {
 public:
  explicit APMValue(std::int64_t value) : value_(value) {}
  explicit APMValue(double value) : value_(value) {}
  explicit APMValue(std::string value) : value_(std::move(value)) {}
  explicit APMValue(const char* value) : value_(std::string(value ? value : "")) {}
  explicit APMValue(std::vector<APMParameters> items);

  // A number (booleans and integers as integers, reals as doubles) or a string; nothing else.
  static std::optional<APMValue> valueFromObject(const platform::foundation::Value& object);

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
  const std::vector<APMParameters>& items() const;

  // The value as a dynamic value: number, string, or an array of dictionaries.
  platform::foundation::Value objectValue() const;
  std::string description() const { return objectValue().description(); }

  bool operator==(const APMValue& other) const;
  bool operator!=(const APMValue& other) const { return !(*this == other); }

 private:
  using Items = std::shared_ptr<const std::vector<APMParameters>>;
  std::variant<std::int64_t, double, std::string, Items> value_;
};

platform::foundation::Dictionary APMParametersObject(const APMParameters& parameters);
