#include "app/pages/DistanceText.h"

#include "app/model/NumericText.h"
#include "app/optics/LensLimits.h"
#include "app/optics/MetricFormatter.h"
#include "app/optics/MetricToImperialConversion.h"

namespace app::pages {

using app::model::NumericText;

std::string DistanceText::text(double meters, int measurementSystem) {
  float value = NumericText::toFloat(meters);
  return measurementSystem == 0 ? optics::MetricFormatter::meterValue(value)
                                : optics::MetricToImperialConversion::returnFeetInchesString(value);
}

std::string DistanceText::focusText(double meters, int measurementSystem) {
  if (!optics::LensLimits::isFocusDistance(meters)) return kNoValueText;
  return text(meters, measurementSystem);
}

}  // namespace app::pages

