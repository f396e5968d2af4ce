#include "app/kit/ColorPickerUtil.h"

#include <functional>
#include <vector>

#include "app/kit/ColorCorrectionUtil.h"

namespace app::kit {

namespace {

using platform::graphics::Color;

// An opaque RGBA image whose pixel (column, row) has the colour of `hsb`.
ColorPickerUtil::ImagePtr imageOf(int width, int height, const std::function<Color(int column, int row)>& hsb) {
  std::vector<uint8_t> bytes(static_cast<size_t>(width) * height * 4);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const Color c = hsb(column, row);
      uint8_t* pixel = &bytes[(static_cast<size_t>(row) * width + column) * 4];
      pixel[0] = ColorCorrectionUtil::normalizeColor(static_cast<float>(c.red()));
      pixel[1] = ColorCorrectionUtil::normalizeColor(static_cast<float>(c.green()));
      pixel[2] = ColorCorrectionUtil::normalizeColor(static_cast<float>(c.blue()));
      pixel[3] = ColorCorrectionUtil::normalizeColor(static_cast<float>(c.alpha()));
    }
  }
  return platform::graphics::Image::fromRGBA(width, height, static_cast<size_t>(width) * 4, bytes.data());
}

ColorPickerUtil::ImagePtr strip(const std::function<Color(double fraction)>& colorForRow) {
  return imageOf(ColorPickerUtil::kStripWidth, ColorPickerUtil::kStripHeight,
                 [&](int, int row) { return colorForRow(row); });
}

constexpr double kStrip = ColorPickerUtil::kStripHeight;
constexpr double kGrid = ColorPickerUtil::kGridSize;

}  // namespace

ColorPickerUtil::ImagePtr ColorPickerUtil::getColorGridSlider4HUE() {
  return strip([](double r) { return Color::fromHSB(r / kStrip, 1, 1); });
}

ColorPickerUtil::ImagePtr ColorPickerUtil::getColorGridSlider4Saturation(const Color& color) {
  const auto hsb = color.hsb();
  return strip([hsb](double r) { return Color::fromHSB(hsb.hue, (kStrip - r) / kStrip, hsb.brightness); });
}

ColorPickerUtil::ImagePtr ColorPickerUtil::getColorGridSlider4Brightness(const Color& color) {
  const auto hsb = color.hsb();
  return strip([hsb](double r) { return Color::fromHSB(hsb.hue, hsb.saturation, (kStrip - r) / kStrip); });
}

ColorPickerUtil::ImagePtr ColorPickerUtil::getColorGrid4HUE(float hue) {
  return imageOf(kGridSize, kGridSize,
                 [hue](int c, int r) { return Color::fromHSB(hue, c / kGrid, (kGrid - r) / kGrid); });
}

ColorPickerUtil::ImagePtr ColorPickerUtil::getColorGrid4Saturation(float saturation) {
  return imageOf(kGridSize, kGridSize,
                 [saturation](int c, int r) { return Color::fromHSB(c / kGrid, saturation, (kGrid - r) / kGrid); });
}

ColorPickerUtil::ImagePtr ColorPickerUtil::getColorGrid4Brightness(float brightness) {
  return imageOf(kGridSize, kGridSize,
                 [brightness](int c, int r) { return Color::fromHSB(c / kGrid, (kGrid - r) / kGrid, brightness); });
}

}  // namespace app::kit

