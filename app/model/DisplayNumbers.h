#pragma once

#include <string>

#include "platform/foundation/NumberFormatter.h"

namespace app::model {

// The number texts the package and record labels share: decimal style, "." as separator, no grouping, half
// to even, with the fraction digits each label was laid out for.
class DisplayNumbers {
 public:
  // At most 2 fraction digits: ratios ("2.39") and adapter factors ("0.71").
  static std::string ratio(double value);
  // At most 1 fraction digit: focal lengths in lens lists ("35", "17.5").
  static std::string focal(double value);
  // A whole number of up to five digits ("35", "99999"), then a digit, a tenth and a power of ten
  // ("1.0e5", "3.4e35"): a value column laid out for five digits shows any figure whole and unshrunk.
  static std::string wholeFigure(double value);

  // The formatter behind these texts, for labels laid out for other fraction digits (distances).
  static platform::foundation::NumberFormatter plainDecimal(int minimumFractionDigits, int maximumFractionDigits);
};

}  // namespace app::model

