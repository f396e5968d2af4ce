#pragma once

#include <cstdint>
#include <memory>

#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"

namespace app::kit {

// The colour picker's images, computed pixel by pixel from hue, saturation and brightness: the
// 40 x 360 strips and the 264 x 264 grids. Row 0 is the top.
class ColorPickerUtil {
 public:
  using Color = platform::graphics::Color;
  using ImagePtr = std::shared_ptr<platform::graphics::Image>;

  static constexpr int kStripWidth = 40;
  static constexpr int kStripHeight = 360;
  static constexpr int kGridSize = 264;

  static ImagePtr getColorGridSlider4HUE();
  static ImagePtr getColorGridSlider4Saturation(const Color& color);
  static ImagePtr getColorGridSlider4Brightness(const Color& color);
  static ImagePtr getColorGrid4HUE(float hue);
  static ImagePtr getColorGrid4Saturation(float saturation);
  static ImagePtr getColorGrid4Brightness(float brightness);

  static Color uiColorFromColorCode(int32_t code) { return Color::fromCode(code); }
  static int32_t colorCodeFromUIColor(const Color& color) { return color.code(); }
};

}  // namespace app::kit

