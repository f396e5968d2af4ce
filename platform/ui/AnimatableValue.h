#pragma once

#include <optional>
#include <variant>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Path.h"

namespace platform::ui {

// A value a layer can show part-way between two settings: a number, a point, a size, a rectangle, a
// transform, a colour or a path.
using AnimatableValue = std::variant<double, graphics::Point, graphics::Size, graphics::Rect,
                                     graphics::AffineTransform, graphics::Color, graphics::Path>;

// The value `t` of the way from `from` to `to` (t may overshoot 0..1 for springs). Colours mix with
// their alpha premultiplied, so fading in from clear keeps the hue. Paths mix point by point when
// both have the same shape of segments; otherwise the new path shows at once. Values of different
// kinds give `to`.
AnimatableValue interpolate(const AnimatableValue& from, const AnimatableValue& to, double t);

}  // namespace platform::ui
