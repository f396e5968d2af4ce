#include "platform/foundation/NumberFormatter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform::foundation {
namespace {

// More digits than a double can carry (its exact expansion is at most 1074 fraction digits);
// the cap keeps a careless setting from asking for a giant text.
constexpr int kMostFractionDigits = 340;

// printf's %f rounds the exact binary value and resolves exact ties to even: the rounding we want.
// It gives digits around the locale's decimal point, which the caller finds rather than assumes.
std::string fixed(double magnitude, int digits) {
  int size = std::snprintf(nullptr, 0, "%.*f", digits, magnitude);
  std::string text(static_cast<size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", digits, magnitude);
  text.resize(static_cast<size_t>(size));
  return text;
}

std::string grouped(const std::string& digits, const std::string& separator) {
  std::string out;
  size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  out.append(digits, 0, lead);
  for (size_t i = lead; i < digits.size(); i += 3) {
    out += separator;
    out.append(digits, i, 3);
  }
  return out;
}

}  // namespace

void NumberFormatter::setNumberStyle(Style style) {
  style_ = style;
  minimumFractionDigits_ = 0;
  maximumFractionDigits_ = style == Style::Decimal ? 3 : 0;
  usesGroupingSeparator_ = style == Style::Decimal;
}

void NumberFormatter::setMinimumFractionDigits(int digits) {
  minimumFractionDigits_ = std::clamp(digits, 0, kMostFractionDigits);
  maximumFractionDigits_ = std::max(maximumFractionDigits_, minimumFractionDigits_);
}

void NumberFormatter::setMaximumFractionDigits(int digits) {
  maximumFractionDigits_ = std::clamp(digits, 0, kMostFractionDigits);
  minimumFractionDigits_ = std::min(minimumFractionDigits_, maximumFractionDigits_);
}

std::string NumberFormatter::stringFromNumber(double value) const {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "∞" : "-∞";

  std::string text = fixed(std::fabs(value), maximumFractionDigits_);
  size_t point = text.find_first_not_of("0123456789");
  std::string whole = text.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
  while (fraction.size() > static_cast<size_t>(minimumFractionDigits_) && !fraction.empty() &&
         fraction.back() == '0') {
    fraction.pop_back();
  }

  bool zero = whole.find_first_not_of('0') == std::string::npos && fraction.find_first_not_of('0') == std::string::npos;
  std::string out = (value < 0 && !zero) ? "-" : "";
  bool group = usesGroupingSeparator_ && !groupingSeparator_.empty();
  out += group ? grouped(whole, groupingSeparator_) : whole;
  if (!fraction.empty()) out += decimalSeparator_ + fraction;
  return out;
}

}  // namespace platform::foundation
