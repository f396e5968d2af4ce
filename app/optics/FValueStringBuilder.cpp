#include "app/optics/FValueStringBuilder.h"

#include <cmath>

#include "app/model/NumericText.h"
#include "platform/foundation/Format.h"

using app::model::NumericText;

namespace app::optics {

std::string FValueStringBuilder::fStringFromFloat(float aperture) {
  double v = aperture;
  if (v > 10.0) {
    // Above f 10 only whole numbers are shown; a fraction rounds up only from .8 on (10.85 is 11, 16.5 is 16).
    double whole = std::floor(v);
    return platform::foundation::format("%1.0f", v - whole > 0.8 ? v : whole);
  }
  std::string text = platform::foundation::format("%1.1f", v);
  if (NumericText::hasSuffix(text, ".0")) return platform::foundation::format("%1.0f", v);
  // The lens scales say 5.6 for what one decimal would print as 5.7.
  if (text == "5.7") return "5.6";
  float hundredths = std::round(aperture * 100.0f) / 100.0f;
  return platform::foundation::format("%1.1f", static_cast<double>(hundredths));
}

}  // namespace app::optics

