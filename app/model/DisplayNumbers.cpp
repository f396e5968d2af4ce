#include "app/model/DisplayNumbers.h"

#include <cmath>

#include "platform/foundation/Format.h"

namespace app::model {

namespace {

// Below this a whole number has at most five digits (half to even: 99999.5 would read 100000).
constexpr double kLargestWholeFigure = 99999.5;

}  // namespace

using platform::foundation::NumberFormatter;

NumberFormatter DisplayNumbers::plainDecimal(int minimumFractionDigits, int maximumFractionDigits) {
  NumberFormatter formatter;
  formatter.setNumberStyle(NumberFormatter::Style::Decimal);
  formatter.setDecimalSeparator(".");
  formatter.setGroupingSeparator("");
  formatter.setUsesGroupingSeparator(false);
  formatter.setMaximumFractionDigits(maximumFractionDigits);
  formatter.setMinimumFractionDigits(minimumFractionDigits);
  return formatter;
}

std::string DisplayNumbers::ratio(double value) {
  static const NumberFormatter formatter = plainDecimal(0, 2);
  return formatter.stringFromNumber(value);
}

std::string DisplayNumbers::focal(double value) {
  static const NumberFormatter formatter = plainDecimal(0, 1);
  return formatter.stringFromNumber(value);
}

std::string DisplayNumbers::wholeFigure(double value) {
  static const NumberFormatter whole = plainDecimal(0, 0);
  if (value < kLargestWholeFigure) return whole.stringFromNumber(value);
  int exponent = static_cast<int>(std::floor(std::log10(value)));
  double mantissa = std::round(value / std::pow(10.0, exponent) * 10) / 10;
  if (mantissa >= 10) {
    mantissa /= 10;
    ++exponent;
  }
  return platform::foundation::format("%.1fe%d", mantissa, exponent);
}

}  // namespace app::model

