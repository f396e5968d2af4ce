#include "platform/foundation/DecimalText.h"

#include <charconv>
#include <cmath>

namespace platform::foundation {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<double> readDecimalNumber(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars would take "inf", "nan" and a sign of its own: the number starts with a digit or a point.
  if (text.empty() || !(isDigit(text.front()) || text.front() == '.')) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (failure != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

}  // namespace platform::foundation
