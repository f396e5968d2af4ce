#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "sdk/analytics/rules/ScriptValue.h"
#include "sdk/analytics/rules/ScriptText.h"

namespace sdk::analytics {

namespace {

// Up to 17 significant digits of |value|, rounded half away from zero, trailing zeros dropped, and
// the decimal exponent of the first digit.
void significantDigits(double magnitude, std::string& digits, int& exponent) {
  char buffer[80];
  std::snprintf(buffer, sizeof buffer, "%.40e", magnitude);
  std::string text(buffer);
  const auto e = text.find('e');
  exponent = std::stoi(text.substr(e + 1));
  std::string all = text.substr(0, 1) + text.substr(2, e - 2);
  digits = all.substr(0, 17);
  if (all[17] >= '5') {
    int i = 16;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i < 0) {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++exponent;
    } else {
      ++digits[i];
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

}  // namespace

std::u16string formatScriptNumber(double value) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"Infinity" : u"-Infinity";
  if (value == 0) return u"0";
  const double magnitude = std::fabs(value);
  std::string digits;
  int exponent = 0;
  significantDigits(magnitude, digits, exponent);
  std::string out = value < 0 ? "-" : "";
  if (magnitude >= 1e21 || magnitude < 1e-6) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) {
      // Appended in two steps: GCC 12 reports a literal joined to a string here as an overlapping copy.
      out += '.';
      out.append(digits, 1);
    }
    out += exponent < 0 ? "e-" : "e+";
    out += std::to_string(std::abs(exponent));
  } else if (exponent >= 0) {
    const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
      out += digits + std::string(integerDigits - digits.size(), '0');
    } else {
      out += digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
    }
  } else {
    out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  return utf16Literal(out);
}

bool isWhiteSpaceOrLineBreak(char16_t c) {
  switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20: case 0x85: case 0xA0: case 0x1680:
    case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

double parseScriptNumber(const std::u16string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isWhiteSpaceOrLineBreak(text[begin])) ++begin;
  while (end > begin && isWhiteSpaceOrLineBreak(text[end - 1])) --end;
  if (begin == end) return 0;
  const std::u16string trimmed = text.substr(begin, end - begin);
  if (trimmed == u"NaN") return std::numeric_limits<double>::quiet_NaN();
  if (trimmed == u"Infinity") return std::numeric_limits<double>::infinity();
  if (trimmed == u"-Infinity") return -std::numeric_limits<double>::infinity();
  // Decimal notation only: sign, digits, fraction, exponent; the whole text must be the number.
  std::string ascii;
  ascii.reserve(trimmed.size());
  for (char16_t c : trimmed) {
    if (c > 0x7F) return std::numeric_limits<double>::quiet_NaN();
    ascii.push_back(static_cast<char>(c));
  }
  std::size_t i = 0;
  bool negative = false;
  if (ascii[i] == '+' || ascii[i] == '-') negative = ascii[i++] == '-';
  const std::size_t start = i;
  std::size_t mantissaDigits = 0;
  while (i < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[i]))) ++i, ++mantissaDigits;
  if (i < ascii.size() && ascii[i] == '.') {
    ++i;
    while (i < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[i]))) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return std::numeric_limits<double>::quiet_NaN();
  if (i < ascii.size() && (ascii[i] == 'e' || ascii[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < ascii.size() && (ascii[j] == '+' || ascii[j] == '-')) ++j;
    std::size_t exponentDigits = 0;
    while (j < ascii.size() && std::isdigit(static_cast<unsigned char>(ascii[j]))) ++j, ++exponentDigits;
    if (exponentDigits > 0) i = j;
  }
  if (i != ascii.size()) return std::numeric_limits<double>::quiet_NaN();
  std::string number = ascii.substr(start);
  if (number[0] == '.') number.insert(number.begin(), '0');
  double value = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on overflow or underflow; the scanner gives infinity or 0.
    value = number.find_first_of("123456789") < number.find_first_of("eE") && number.find("e-") == std::string::npos &&
                    number.find("E-") == std::string::npos
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  } else if (result.ec != std::errc() || result.ptr != number.data() + number.size()) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return negative ? -value : value;
}

}  // namespace sdk::analytics

