#include "app/model/DisplayNumbers.h"

namespace app::model {

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

}  // namespace app::model

