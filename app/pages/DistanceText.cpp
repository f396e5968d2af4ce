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
// The farthest distances, in metres, shown in metres (before "10000m") and in feet (ten miles):
// farther ones read in the larger unit.
constexpr double kFarthestInMetres = 9999.5;
constexpr double kFarthestInFeet = 10 * kMetresPerMile;
// Tenths below this, as the metre texts have; then whole figures, so that even the farthest focus a
// float holds ("3.4e35km") fits the value display's column unshrunk.
constexpr double kLargestWithTenths = 19.95;

// An amount of kilometres or miles, at least ten.
std::string largeText(double amount, const char* unit) {
  static const platform::foundation::NumberFormatter tenths = DisplayNumbers::plainDecimal(1, 1);
  if (amount < kLargestWithTenths) return tenths.stringFromNumber(amount) + unit;
  return DisplayNumbers::wholeFigure(amount) + unit;
}

}  // namespace

std::string DistanceText::text(double meters, int measurementSystem) {
  if (!std::isfinite(meters)) return kNoValueText;
  if (measurementSystem == 0) {
    if (meters >= kFarthestInMetres) return largeText(meters / kMetresPerKilometre, "km");
    return optics::MetricFormatter::meterValue(NumericText::toFloat(meters));
  }
  if (meters >= kFarthestInFeet) return largeText(meters / kMetresPerMile, "mi");
  return optics::MetricToImperialConversion::returnFeetInchesString(NumericText::toFloat(meters));
}

std::string DistanceText::focusText(double meters, int measurementSystem) {
  if (!optics::LensLimits::isFocusDistance(meters)) return kNoValueText;
  return text(meters, measurementSystem);
}

}  // namespace app::pages
