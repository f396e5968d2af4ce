#include "app/model/DisplayNumbers.h"

#include "platform/foundation/NumberFormatter.h"

namespace {

using platform::foundation::NumberFormatter;

NumberFormatter decimalFormatter(int maximumFractionDigits) {
  NumberFormatter formatter;
  formatter.setNumberStyle(NumberFormatter::Style::Decimal);
  formatter.setDecimalSeparator(".");
  formatter.setGroupingSeparator("");
  formatter.setUsesGroupingSeparator(false);
  formatter.setMinimumFractionDigits(0);
  formatter.setMaximumFractionDigits(maximumFractionDigits);
  return formatter;
}

}  // namespace

std::string DisplayNumbers::ratio(double value) {
  static const NumberFormatter formatter = decimalFormatter(2);
  return formatter.stringFromNumber(value);
}

std::string DisplayNumbers::focal(double value) {
  static const NumberFormatter formatter = decimalFormatter(1);
  return formatter.stringFromNumber(value);
}
