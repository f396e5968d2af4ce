#pragma once

#include <cmath>
#include <optional>

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Path.h"

namespace app::pages {

// The field-of-view drawing for one angle in an area of the given size: an opening cone from an apex 8
// points above the bottom centre, a distance line up from the apex and a width line across it. A cone
// wider than the area is clipped at its sides; its top edge then moves down and the whole drawing is
// shifted up by half of that free space.
struct ConeGeometry {
  platform::graphics::Point apex;
  double left = 0;
  double right = 0;
  double top = 0;
  double shift = 0;           // vertical translation of the drawing area
  double widthLabelShift = 0;  // vertical translation of the width caption
  double distanceLineTop = 0;  // y of the distance line's end and of the width line
  double widthLineHalf = 0;    // half the width line's length
  float halfAngleTangent = 0;

  static constexpr double kApexInset = 8;

  // None for an angle that cannot be drawn (not strictly between 0 and 180 degrees) or an empty area.
  static std::optional<ConeGeometry> make(float angleDegrees, platform::graphics::Size area);

  // The scene width at `distance` metres: twice the distance times the tangent of half the angle, in
  // single precision as the labels were laid out for, and in double where a float cannot hold it.
  double sceneWidth(float distance) const {
    const float width = 2 * distance * halfAngleTangent;
    return std::isinf(width) ? 2.0 * distance * halfAngleTangent : width;
  }

  platform::graphics::Path conePath() const;
  platform::graphics::Path distancePath() const;
  platform::graphics::Path widthPath() const;
  // The starting shapes before the first drawing: every line collapsed to the apex, the cone a fixed tent.
  static platform::graphics::Path startingLine(platform::graphics::Size area);
  static platform::graphics::Path startingCone(platform::graphics::Size area);
};

}  // namespace app::pages

