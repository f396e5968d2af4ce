#include "app/model/NumericText.h"

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>

namespace app::model {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of `s` that reads as a decimal number (sign, digits, fraction, exponent).
size_t numberLength(std::string_view s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

}  // namespace

double NumericText::doubleValue(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
  std::string_view rest = text.substr(start);
  size_t length = numberLength(rest);
  if (length == 0) return 0.0;
  std::string_view number = rest.substr(0, length);
  bool negative = false;
  if (number.front() == '+' || number.front() == '-') {
    negative = number.front() == '-';
    number.remove_prefix(1);
  }
  double value = 0.0;
  auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on overflow or underflow; tell them apart by the exponent's sign.
    bool tiny = number.find("e-") != std::string_view::npos || number.find("E-") != std::string_view::npos;
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

float NumericText::floatValue(std::string_view text) { return toFloat(doubleValue(text)); }

bool NumericText::isWholeNumber(std::string_view text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return !text.empty() && numberLength(text) == text.size();
}

float NumericText::toFloat(double value) {
  if (std::fabs(value) > static_cast<double>(FLT_MAX)) {
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

std::string NumericText::keepingOnly(std::string_view text, std::string_view allowed) {
  std::string kept;
  for (char c : text) {
    if (allowed.find(c) != std::string_view::npos) kept.push_back(c);
  }
  return kept;
}

std::string NumericText::replacingAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  if (from.empty()) return std::string(text);
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

bool NumericText::hasPrefix(std::string_view text, std::string_view prefix) { return text.starts_with(prefix); }

bool NumericText::hasSuffix(std::string_view text, std::string_view suffix) { return text.ends_with(suffix); }

bool NumericText::contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace app::model

