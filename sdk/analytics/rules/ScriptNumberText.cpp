#include "sdk/analytics/rules/ScriptNumberText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace sdk::analytics {

namespace {

constexpr int kSignificantDigits = 17;

// Significant digits of a positive finite double, trailing zeros dropped, and the decimal exponent of
// the first digit.
struct Digits {
  char text[24];
  int count = 0;
  int exponent = 0;
};

// The exact decimal expansion of a double that is not whole, when it has at most 19 digits: a double
// m * 2^-k (m odd) expands to the digits of m * 5^k, which end in a 5. Only such an expansion can lie
// exactly half way between two texts one digit shorter: rounding half to even (what the exact
// conversions below do) and half away from zero part there alone.
struct Expansion {
  std::uint64_t digits = 0;
  int count = 0;
  int exponent = 0;  // of the first digit
};

std::optional<Expansion> shortExpansion(double magnitude) {
  constexpr unsigned __int128 kTooMany = 10'000'000'000'000'000'000ULL;
  int binaryExponent = 0;
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(std::frexp(magnitude, &binaryExponent), 53));
  int shift = binaryExponent - 53;
  while ((mantissa & 1) == 0) {
    mantissa >>= 1;
    ++shift;
  }
  if (shift >= 0) return std::nullopt;
  unsigned __int128 digits = mantissa;
  for (int i = 0; i < -shift && digits < kTooMany; ++i) digits *= 5;
  if (digits >= kTooMany) return std::nullopt;
  Expansion out;
  out.digits = static_cast<std::uint64_t>(digits);
  char text[24];
  out.count = static_cast<int>(std::to_chars(text, text + sizeof text, out.digits).ptr - text);
  out.exponent = out.count - 1 + shift;
  return out;
}

// An expansion's digits but the last, which is a 5, rounded away from zero, trailing zeros dropped.
Digits roundedAwayFromZero(const Expansion& exact) {
  Digits out;
  out.exponent = exact.exponent;
  const auto end = std::to_chars(out.text, out.text + sizeof out.text, exact.digits / 10 + 1).ptr;
  out.count = static_cast<int>(end - out.text);
  if (out.count == exact.count) {  // all nines carried into one more digit
    --out.count;
    ++out.exponent;
  }
  while (out.count > 1 && out.text[out.count - 1] == '0') --out.count;
  return out;
}

// The decimal style's 17 significant digits, rounded half away from zero.
Digits significantDigits(double magnitude) {
  Digits out;
  if (magnitude < 9007199254740992.0 && magnitude == std::trunc(magnitude)) {
    // A whole number below 2^53 has at most 16 digits, all exact.
    out.count = static_cast<int>(std::to_chars(out.text, out.text + sizeof out.text, static_cast<std::uint64_t>(magnitude)).ptr - out.text);
    out.exponent = out.count - 1;
  } else if (const auto exact = shortExpansion(magnitude); exact && exact->count == kSignificantDigits + 1) {
    return roundedAwayFromZero(*exact);
  } else {
    // Correctly rounded, unlike printing many digits and rounding that text again.
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude, std::chars_format::scientific,
                                   kSignificantDigits - 1).ptr;
    *end = '\0';
    out.text[0] = buffer[0];
    std::memcpy(out.text + 1, buffer + 2, kSignificantDigits - 1);
    out.count = kSignificantDigits;
    out.exponent = std::atoi(std::strchr(buffer, 'e') + 1);
  }
  while (out.count > 1 && out.text[out.count - 1] == '0') --out.count;
  return out;
}

// The fewest significant digits that read back as |magnitude| (a positive finite double), the closest
// of them to it, and the decimal exponent of the first digit: 1e-7 is "1" and -7, where 17 digits
// would give 9.9999999999999995e-8.
Digits shortestDigits(double magnitude) {
  char buffer[40];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer - 1, magnitude, std::chars_format::scientific).ptr;
  *end = '\0';
  Digits out;
  const char* exponent = std::strchr(buffer, 'e');
  for (const char* c = buffer; c < exponent; ++c) {
    if (*c != '.') out.text[out.count++] = *c;
  }
  out.exponent = std::atoi(exponent + 1);
  // On an exact tie between two texts of the fewest digits, the one away from zero. It reads back
  // whenever the one nearer zero does: the gap above a double is never narrower than the one below.
  const auto exact = shortExpansion(magnitude);
  return exact && exact->count == out.count + 1 ? roundedAwayFromZero(*exact) : out;
}

void appendDigits(std::u16string& out, const char* digits, int count) {
  for (int i = 0; i < count; ++i) out.push_back(static_cast<char16_t>(digits[i]));
}

// Whether a decimal that from_chars found out of range lies below the smallest double rather than
// above the largest: the power of ten of its first nonzero digit, written exponent included, is
// negative. The digits before and after the point may be millions long, as may the exponent.
bool belowEveryDouble(std::string_view number) {
  const auto exponentAt = std::min(number.find_first_of("eE"), number.size());
  const auto mantissa = number.substr(0, exponentAt);
  const auto point = std::min(mantissa.find('.'), mantissa.size());
  const auto first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return true;
  auto power = first < point ? static_cast<std::int64_t>(point - first) - 1 : -static_cast<std::int64_t>(first - point);
  if (exponentAt < number.size()) {
    constexpr std::int64_t kFarBeyondAnyDigits = std::int64_t{1} << 40;
    std::size_t i = exponentAt + 1;
    const bool negative = number[i] == '-';
    if (number[i] == '+' || number[i] == '-') ++i;
    std::int64_t written = 0;
    for (; i < number.size() && written < kFarBeyondAnyDigits; ++i) written = written * 10 + (number[i] - '0');
    power += negative ? -written : written;
  }
  return power < 0;
}

}  // namespace

std::u16string formatScriptNumber(double value) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"Infinity" : u"-Infinity";
  if (value == 0) return u"0";
  const double magnitude = std::fabs(value);
  const bool scientific = magnitude >= 1e21 || magnitude < 1e-6;
  const Digits digits = scientific ? shortestDigits(magnitude) : significantDigits(magnitude);
  std::u16string out;
  out.reserve(32);
  if (value < 0) out.push_back(u'-');
  if (scientific) {
    out.push_back(static_cast<char16_t>(digits.text[0]));
    if (digits.count > 1) {
      out.push_back(u'.');
      appendDigits(out, digits.text + 1, digits.count - 1);
    }
    out += digits.exponent < 0 ? u"e-" : u"e+";
    char exponent[8];
    const auto end = std::to_chars(exponent, exponent + sizeof exponent, std::abs(digits.exponent)).ptr;
    appendDigits(out, exponent, static_cast<int>(end - exponent));
  } else if (digits.exponent >= 0) {
    const int integerDigits = digits.exponent + 1;
    if (digits.count <= integerDigits) {
      appendDigits(out, digits.text, digits.count);
      out.append(static_cast<std::size_t>(integerDigits - digits.count), u'0');
    } else {
      appendDigits(out, digits.text, integerDigits);
      out.push_back(u'.');
      appendDigits(out, digits.text + integerDigits, digits.count - integerDigits);
    }
  } else {
    out += u"0.";
    out.append(static_cast<std::size_t>(-digits.exponent - 1), u'0');
    appendDigits(out, digits.text, digits.count);
  }
  return out;
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
    value = belowEveryDouble(number) ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (result.ec != std::errc() || result.ptr != number.data() + number.size()) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return negative ? -value : value;
}

}  // namespace sdk::analytics

