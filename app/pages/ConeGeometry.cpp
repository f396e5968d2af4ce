#include "app/pages/ConeGeometry.h"

#include <cmath>

#include "app/pages/FieldOfView.h"

namespace app::pages {

using platform::graphics::Path;
using platform::graphics::Point;
using platform::graphics::Size;

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;
// The distance line ends this far up the cone's height.
constexpr double kDistanceLineShare = 0.15;

float radians(double degrees) { return static_cast<float>(degrees * kRadiansPerDegree); }

}  // namespace

std::optional<ConeGeometry> ConeGeometry::make(float angleDegrees, Size area) {
  if (!FieldOfView::isDrawable(angleDegrees) || !(area.width > 0) || !(area.height > kApexInset)) {
    return std::nullopt;
  }
  ConeGeometry cone;
  cone.halfAngleTangent = std::tan(radians(angleDegrees * 0.5));
  float width = static_cast<float>(area.width);
  float apexY = static_cast<float>(area.height - kApexInset);
  float halfWidth = width / 2;
  float reach = cone.halfAngleTangent * apexY;
  if (reach <= halfWidth) {
    cone.left = halfWidth - reach;
    cone.right = halfWidth + reach;
  } else {
    // Where the cone's sides leave the area, measured down from its top.
    cone.top = apexY - halfWidth * std::tan(radians(90.0f - angleDegrees / 2));
    cone.shift = -0.5 * cone.top;
    cone.right = width;
  }
  cone.widthLabelShift = cone.shift / -1.5;
  cone.apex = Point(width / 2, apexY);
  cone.distanceLineTop = cone.top + (apexY - cone.top) * kDistanceLineShare;
  cone.widthLineHalf = cone.halfAngleTangent * (apexY - cone.distanceLineTop);
  return cone;
}

Path ConeGeometry::conePath() const {
  Path path;
  path.moveTo({left, top});
  path.lineTo(apex);
  path.lineTo({right, top});
  return path;
}

Path ConeGeometry::distancePath() const {
  Path path;
  path.moveTo(apex);
  path.lineTo({apex.x, distanceLineTop});
  return path;
}

Path ConeGeometry::widthPath() const {
  Path path;
  path.moveTo({apex.x - widthLineHalf, distanceLineTop});
  path.lineTo({apex.x + widthLineHalf, distanceLineTop});
  return path;
}

Path ConeGeometry::startingLine(Size area) {
  Point apex(area.width / 2, area.height - kApexInset);
  Path path;
  path.moveTo(apex);
  path.lineTo(apex);
  return path;
}

Path ConeGeometry::startingCone(Size area) {
  Path path;
  path.moveTo({100, 100});
  path.lineTo({area.width / 2, area.height - kApexInset});
  path.lineTo({300, 100});
  return path;
}

}  // namespace app::pages

