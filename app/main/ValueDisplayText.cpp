#include "app/main/ValueDisplayText.h"

#include "app/model/DisplayNumbers.h"
#include "app/model/NumericText.h"
#include "app/optics/LensLimits.h"
#include "app/pages/DistanceText.h"

namespace app::main::valuetext {

using app::model::DisplayNumbers;
using app::model::NumericText;
using app::optics::LensLimits;

std::string focalLength(float value) {
  static const platform::foundation::NumberFormatter tenths = DisplayNumbers::plainDecimal(1, 1);
  if (!LensLimits::isFocalLength(value)) return app::pages::kNoValueText;
  if (static_cast<double>(value) < 19.9) return tenths.stringFromNumber(value) + "mm";
  return DisplayNumbers::wholeFigure(value) + "mm";
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string aperture(float value) {
  if (!LensLimits::isFNumber(value)) return app::pages::kNoValueText;
  const bool fine = static_cast<double>(value) < 9.9;
  return "f" + DisplayNumbers::plainDecimal(fine ? 1 : 0, fine ? 1 : 0).stringFromNumber(value);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

std::string repaired(std::string text) {
  text = NumericText::replacingAll(text, ",", ".");
  if (NumericText::hasPrefix(text, ".")) text = "0" + text;
  if (NumericText::hasSuffix(text, ".")) text.pop_back();
  return text;
}

}  // namespace app::main::valuetext
