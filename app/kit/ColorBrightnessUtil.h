#pragma once

#include <optional>

#include "platform/graphics/Color.h"

namespace app::kit {

// Whether a colour reads as dark, and the text colour that stays readable on it.
class ColorBrightnessUtil {
 public:
  using Color = platform::graphics::Color;

  // True when the perceived brightness is below 0.5; false for no colour.
  static bool isColorDark(const std::optional<Color>& color);
  // White on a dark background, black otherwise; no colour for no colour.
  static std::optional<Color> labelColorForBGColor(const std::optional<Color>& color);
};

}  // namespace app::kit

