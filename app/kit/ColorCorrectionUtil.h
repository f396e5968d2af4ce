#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

namespace app::kit {

// Three components of a colour (r, g, b or h, s, v).
struct Triple {
  double a = 0, b = 0, c = 0;
  bool operator==(const Triple&) const = default;
};

// A colour-cube filter as a lookup table: n^3 entries of red, green, blue, alpha (each 0...1),
// red index fastest, then green, then blue.
struct ColorCubeFilter {
  std::string name = "CIColorCube";
  int64_t inputCubeDimension = 0;
  std::vector<float> inputCubeData;
};

// Colour mathematics: the byte a component is stored as, lift-gamma-gain and saturation grading,
// conversions between RGB and HSV, colour-wheel points and lookup-table filters.
class ColorCorrectionUtil {
 public:
  using Triple = app::kit::Triple;

  // The smaller of c x 255 and 255, truncated toward zero.
  static uint8_t normalizeColor(float c);
  static float colorCorrectionWithLift(float lift, float gamma, float gain, float origColor);
  static float colorCorrectionSaturationWithSaturation(float saturation, float grayScale, float origColor);
  // (h in degrees, s, v); a black colour has no hue (NaN).
  static Triple rgb2hsv(double r, double g, double b);
  // From h in degrees, s and v.
  static Triple hsv2rgb(double h, double s, double v);
  static Triple colorCorrectionWithColorHUE(const Triple& hsv, platform::graphics::Point wheelPoint);
  static Triple colorshiftFunction(platform::graphics::Point point);
  // Nothing when the image's size does not fit n x n tiles of n x n pixels (logged "Invalid colorLUT").
  static std::optional<app::kit::ColorCubeFilter> filterWithLUT(const std::shared_ptr<platform::graphics::Image>& image,
                                                                int64_t dimension);
  // The image's pixels as R, G, B, A bytes (premultiplied); nothing for no image.
  static std::optional<std::vector<uint8_t>> createRGBABitmapFromImage(
      const std::shared_ptr<platform::graphics::Image>& image);
};

}  // namespace app::kit

