#include "app/pages/DepthOfField.h"

#include <algorithm>
#include <cmath>

#include "app/model/DisplayNumbers.h"
#include "app/model/NumericText.h"
#include "app/optics/LensLimits.h"
#include "app/pages/DistanceText.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::pages {

using app::model::DisplayNumbers;
using app::model::NumericText;
using app::optics::LensLimits;

namespace {

constexpr const char* kInfinity = "∞";
// Below this a metric total would round to "0.000m"; it is shown as a floor instead.
constexpr double kSmallestMetricDepth = 0.00095;
// The near marker never comes closer than this to the strip's centre, so it stays apart from the focus mark.
constexpr double kNearMarkerGap = -2.0;

}  // namespace

DepthOfField DepthOfField::calculate(float sensorWidth, float sensorHeight, float cocFactor, float focalLength,
                                     float aperture, float distance) {
  DepthOfField dof;
  dof.focalLength = focalLength;
  dof.aperture = aperture;
  dof.focusDistance = distance;
  double w = sensorWidth;
  double h = sensorHeight;
  double c = std::sqrt(h * h + w * w) / static_cast<double>(cocFactor);
  dof.circleOfConfusion = c;

  double f = focalLength;
  double s = distance;
  double hyperfocal = (f * f / (c * aperture) + f) / 1000.0;
  // The focus distance measured from the lens's front nodal point, in single precision as the stored
  // values are.
  double d = distance + focalLength / -1000.0f;
  dof.hyperFocalDistance = hyperfocal;
  dof.nearDistance = hyperfocal * s / (hyperfocal + d);
  dof.farDistance = hyperfocal * s / (hyperfocal - d);
  platform::log::write(platform::log::Debug, platform::foundation::format("FL: %f, Aperture: %f, Distance: %f",
                                                                          f, static_cast<double>(aperture), s));
  return dof;
}

DepthOfField DepthOfField::forPackage(const model::CameraPackage& package, float cocFactor, float focalLength,
                                      float aperture, float distance) {
  float magnification = package.adapterMagnification();
  return calculate(package.getExtractionSensorWidth(), package.getExtractionSensorHeight(), cocFactor,
                   focalLength * magnification, aperture * magnification, distance);
}

bool DepthOfField::hasCircleOfConfusion() const { return std::isfinite(circleOfConfusion) && circleOfConfusion > 0; }

bool DepthOfField::hasHyperfocal() const {
  if (!LensLimits::isFocalLength(focalLength) || !LensLimits::isFNumber(aperture)) return false;
  if (!hasCircleOfConfusion()) return false;
  return std::isfinite(hyperFocalDistance) && hyperFocalDistance > 0;
}

bool DepthOfField::hasLimits() const {
  if (!hasHyperfocal() || !LensLimits::isFocusDistance(focusDistance)) return false;
  // The same single-precision distance from the lens the limits were computed with.
  if (focusDistance + focalLength / -1000.0f < 0) return false;
  if (!std::isfinite(nearDistance)) return false;
  return beyondHyperfocal() || std::isfinite(farDistance);
}

DepthOfFieldTexts DepthOfFieldTexts::make(const DepthOfField& dof, int measurementSystem) {
  static const platform::foundation::NumberFormatter cocFormatter = DisplayNumbers::plainDecimal(3, 3);
  DepthOfFieldTexts texts;
  std::string caption = platform::ui::LocalizedStrings::localizedString("CoC:");
  texts.circleOfConfusion =
      dof.hasCircleOfConfusion()
          ? platform::foundation::format("%@ %@mm", caption,
                                         cocFormatter.stringFromNumber(NumericText::toFloat(dof.circleOfConfusion)))
          : platform::foundation::format("%@ %@", caption, kNoValueText);

  texts.hyperFocal = texts.nearLimit = texts.farLimit = texts.total = kNoValueText;
  auto distance = [&](double meters) { return DistanceText::text(meters, measurementSystem); };
  if (dof.hasHyperfocal()) texts.hyperFocal = distance(dof.hyperFocalDistance);
  if (!dof.hasLimits()) return texts;
  texts.nearLimit = distance(dof.nearDistance);
  if (dof.beyondHyperfocal()) {
    texts.farLimit = texts.total = kInfinity;
    return texts;
  }
  texts.farLimit = distance(dof.farDistance);
  double depth = dof.farDistance - dof.nearDistance;
  texts.total = measurementSystem == 0 && depth < kSmallestMetricDepth ? "<0.001m" : distance(depth);
  return texts;
}

DofMarkerOffsets DofMarkerOffsets::make(const DepthOfField& dof, double stripWidth) {
  DofMarkerOffsets offsets;
  if (!dof.hasLimits()) return offsets;
  double half = 0.5 * stripWidth;
  if (dof.beyondHyperfocal()) {
    offsets.nearOffset = kNearMarkerGap;
    offsets.farOffset = half;
    return offsets;
  }
  double s = dof.focusDistance;
  double depth = dof.farDistance - dof.nearDistance;
  double before = (s - dof.nearDistance) / depth;
  double after = (dof.farDistance - s) / depth;
  platform::log::write(platform::log::Debug, platform::foundation::format("BEFORE: %f   AFTER: %f   SUMME: %f", before,
                                                                          after, before + after));
  double nearOffset = before * -half;
  if (std::isfinite(nearOffset)) offsets.nearOffset = std::min(nearOffset, kNearMarkerGap);
  double farOffset = after * half;
  if (std::isfinite(farOffset)) offsets.farOffset = std::min(farOffset, half);
  return offsets;
}

}  // namespace app::pages

