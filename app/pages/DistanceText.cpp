#include "app/pages/DistanceText.h"

#include <cmath>

#include "app/model/DisplayNumbers.h"
#include "app/model/NumericText.h"
#include "app/optics/LensLimits.h"
#include "app/optics/MetricFormatter.h"
#include "app/optics/MetricToImperialConversion.h"
#include "platform/foundation/Format.h"

namespace app::pages {

using app::model::DisplayNumbers;
using app::model::NumericText;

namespace {

constexpr double kMetresPerKilometre = 1000;
// A mile of 5280 feet, at the 3.2808 feet to the metre the foot texts use.
constexpr double kMetresPerMile = 5280 / 3.2808;
// The most digits a distance's whole part may have: the narrowest place a distance is printed in, the
// value display's field, holds "99999mm" and no more without cutting the figure.
constexpr std::size_t kWidestFigure = 5;
// Tenths below this, as the metre texts have; then whole figures, so that even the farthest focus a
// float holds ("3.4e35km") fits the value display's column unshrunk.
constexpr double kLargestWithTenths = 19.95;

// A metre or foot text whose figure fits; "inf'", for feet past what a float holds, is no figure.
bool fitsItsPlace(const std::string& text) {
  if (text.find_first_not_of("0123456789.-<m' ") != std::string::npos) return false;
  const std::size_t digits = text.find_first_not_of("0123456789");
  return (digits == std::string::npos ? text.size() : digits) <= kWidestFigure;
}

// An amount of kilometres or miles, at least ten.
std::string largeText(double amount, const char* unit) {
  static const platform::foundation::NumberFormatter tenths = DisplayNumbers::plainDecimal(1, 1);
  if (amount < kLargestWithTenths) return tenths.stringFromNumber(amount) + unit;
  return DisplayNumbers::wholeFigure(amount) + unit;
}

}  // namespace

std::string DistanceText::text(double meters, int measurementSystem) {
  if (!std::isfinite(meters)) return kNoValueText;
  const float narrowed = NumericText::toFloat(meters);
  const bool metric = measurementSystem == 0;
  if (std::isfinite(narrowed)) {
    std::string text = metric ? optics::MetricFormatter::meterValue(narrowed)
                              : optics::MetricToImperialConversion::returnFeetInchesString(narrowed);
    if (fitsItsPlace(text)) return text;
  }
  return metric ? largeText(meters / kMetresPerKilometre, "km") : largeText(meters / kMetresPerMile, "mi");
}

std::string DistanceText::focusText(double meters, int measurementSystem) {
  if (!optics::LensLimits::isFocusDistance(meters)) return kNoValueText;
  return text(meters, measurementSystem);
}

}  // namespace app::pages
