#include "app/kit/ColorBrightnessUtil.h"

namespace app::kit {

bool ColorBrightnessUtil::isColorDark(const std::optional<Color>& color) {
  return color && color->perceivedBrightness() < 0.5;
}

std::optional<ColorBrightnessUtil::Color> ColorBrightnessUtil::labelColorForBGColor(const std::optional<Color>& color) {
  if (!color) return std::nullopt;
  return isColorDark(color) ? Color::whiteColor() : Color::blackColor();
}

}  // namespace app::kit

