#include "app/pages/FieldOfView.h"

#include <cmath>
#include <limits>

#include "app/model/DisplayNumbers.h"
#include "app/optics/LensLimits.h"
#include "app/pages/DistanceText.h"

namespace app::pages {

using app::model::DisplayNumbers;
using app::optics::LensLimits;

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
// Wide angles lose their decimal so the three labels keep their width.
constexpr float kLastAngleWithDecimal = 99.5f;

}  // namespace

FieldOfView FieldOfView::calculate(float formatWidth, float formatHeight, float focalLength) {
  float twiceFocal = focalLength + focalLength;
  auto angleOf = [&](float size) {
    float quotient = size / twiceFocal;
    return static_cast<float>(2.0 * std::atan(static_cast<double>(quotient)) * kDegreesPerRadian);
  };
  FieldOfView fov;
  fov.horizontal = angleOf(formatWidth);
  fov.vertical = angleOf(formatHeight);
  float squares = formatWidth * formatWidth + formatHeight * formatHeight;
  fov.diagonal = static_cast<float>(2.0 * std::atan(std::sqrt(static_cast<double>(squares)) / twiceFocal) *
                                    kDegreesPerRadian);
  return fov;
}

FieldOfView FieldOfView::forPackage(const model::CameraPackage& package, float focalLength) {
  const float magnification = package.adapterMagnification();
  if (!LensLimits::isAdapterFactor(magnification) || !LensLimits::isFocalLength(focalLength * magnification)) {
    constexpr float none = std::numeric_limits<float>::quiet_NaN();
    return {none, none, none};
  }
  return calculate(package.getFinalSimulationFormatWidth(), package.getFinalSimulationFormatHeight(), focalLength);
}

bool FieldOfView::isDrawable(float angle) { return std::isfinite(angle) && angle > 0 && angle < 180; }

std::string FieldOfView::angleText(float angle) {
  static const platform::foundation::NumberFormatter oneDecimal = DisplayNumbers::plainDecimal(1, 1);
  static const platform::foundation::NumberFormatter whole = DisplayNumbers::plainDecimal(0, 0);
  if (!isDrawable(angle)) return kNoValueText;
  return (angle > kLastAngleWithDecimal ? whole : oneDecimal).stringFromNumber(angle);
}

float FieldOfView::angle(int selected) const {
  switch (selected) {
    case 0: return horizontal;
    case 1: return vertical;
    case 2: return diagonal;
    default: return std::numeric_limits<float>::quiet_NaN();
  }
}

}  // namespace app::pages

