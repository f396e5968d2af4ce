#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sdk::analytics {

// A decimal number of up to 38 significant digits: sign, digits and a power of ten, exact for every
// decimal text the audience filters compare. Zero has no digits.
class DecimalNumber {
 public:
  static constexpr std::size_t kMaxDigits = 38;

  // Reads text that matches the decimal pattern (see isDecimalNumberString); longer mantissas are
  // rounded half up to 38 digits.
  static std::optional<DecimalNumber> parse(std::string_view text);
  static DecimalNumber fromInt64(std::int64_t value);

  // The exact product, rounded half up to 38 significant digits.
  DecimalNumber multipliedBy(const DecimalNumber& other) const;

  // Plain decimal text without exponent or trailing zeros: "12.5", "-0.001", "1200", "0".
  std::string description() const;
  double doubleValue() const;
  bool isZero() const { return digits_.empty(); }

  // -1, 0 or 1.
  int compare(const DecimalNumber& other) const;
  bool operator==(const DecimalNumber& other) const { return compare(other) == 0; }
  bool operator<(const DecimalNumber& other) const { return compare(other) < 0; }

 private:
  void normalize();
  int compareMagnitude(const DecimalNumber& other) const;

  bool negative_ = false;
  std::string digits_;  // no leading or trailing zeros
  std::int64_t exponent_ = 0;
};

// Whether `text` matches ^[+-]?(([0-9]+\.?)|([0-9]*\.[0-9]+))$; empty text does not.
bool isDecimalNumberString(std::string_view text);
// The number, or nothing (logged) when the text is not a decimal number or its value's text is not
// found again in the input (".5", "+.5", 39 significant digits).
std::optional<DecimalNumber> decimalNumberFromString(std::string_view text);
// The same reading without a log line, for texts read ahead of time.
std::optional<DecimalNumber> exactDecimalNumber(std::string_view text);

}  // namespace sdk::analytics

