#include "app/optics/MetricFormatter.h"

#include "app/model/DisplayNumbers.h"

using app::model::DisplayNumbers;

using platform::foundation::NumberFormatter;

namespace app::optics {

std::string MetricFormatter::meterValue(float meters) {
  static const NumberFormatter millimetres = DisplayNumbers::plainDecimal(3, 3);
  static const NumberFormatter centimetres = DisplayNumbers::plainDecimal(2, 2);
  static const NumberFormatter decimetres = DisplayNumbers::plainDecimal(1, 1);
  static const NumberFormatter whole = DisplayNumbers::plainDecimal(0, 0);
  // Fewer decimals as the distance grows; the steps are compared in double precision.
  double v = meters;
  const NumberFormatter& formatter = v < 0.0095 ? millimetres : v < 9.95 ? centimetres : v < 19.95 ? decimetres : whole;
  return formatter.stringFromNumber(v) + "m";
}

}  // namespace app::optics

