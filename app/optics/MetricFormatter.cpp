#include "app/optics/MetricFormatter.h"

#include "platform/foundation/NumberFormatter.h"

namespace {

using platform::foundation::NumberFormatter;

NumberFormatter metres(int minimumFractionDigits, int maximumFractionDigits) {
  NumberFormatter formatter;
  formatter.setNumberStyle(NumberFormatter::Style::Decimal);
  formatter.setDecimalSeparator(".");
  formatter.setGroupingSeparator("");
  formatter.setUsesGroupingSeparator(false);
  formatter.setMaximumFractionDigits(maximumFractionDigits);
  formatter.setMinimumFractionDigits(minimumFractionDigits);
  return formatter;
}

}  // namespace

std::string MetricFormatter::meterValue(float meters) {
  static const NumberFormatter millimetres = metres(3, 3);
  static const NumberFormatter centimetres = metres(2, 2);
  static const NumberFormatter decimetres = metres(1, 1);
  static const NumberFormatter whole = metres(0, 0);
  // Fewer decimals as the distance grows; the steps are compared in double precision.
  double v = meters;
  const NumberFormatter& formatter = v < 0.0095 ? millimetres : v < 9.95 ? centimetres : v < 19.95 ? decimetres : whole;
  return formatter.stringFromNumber(v) + "m";
}
