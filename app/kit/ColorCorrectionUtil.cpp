#include "app/kit/ColorCorrectionUtil.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/log/Log.h"

using app::kit::Triple;

namespace app::kit {

uint8_t ColorCorrectionUtil::normalizeColor(float c) {
  // A component that is not a number, or below 0, would be undefined as a byte: it counts as 0.
  const float scaled = std::min(c * 255, 255.0f);
  return scaled > 0 ? static_cast<uint8_t>(scaled) : 0;
}

float ColorCorrectionUtil::colorCorrectionWithLift(float lift, float gamma, float gain, float origColor) {
  const float l = 1.5f * lift - 0.5f * lift * lift;
  const float g = 0.75f * (gamma + 1) * (gamma + 1) + 0.25f;
  return (std::pow(origColor, 1 / g) * (1 - l) + l) * gain;
}

float ColorCorrectionUtil::colorCorrectionSaturationWithSaturation(float saturation, float grayScale, float origColor) {
  return (1 - saturation) * grayScale + saturation * origColor;
}

Triple ColorCorrectionUtil::rgb2hsv(double r, double g, double b) {
  const double max = std::max({r, g, b}), min = std::min({r, g, b});
  const double v = max, d = max - min;
  if (d < 0.00001) return {0, 0, v};
  if (max <= 0) return {std::nan(""), 0, v};
  const double s = d / max;
  double h;
  if (r >= max) {
    h = (g - b) / d;
  } else if (g >= max) {
    h = 2 + (b - r) / d;
  } else {
    h = 4 + (r - g) / d;
  }
  h *= 60;
  if (h < 0) h += 360;
  return {h, s, v};
}

Triple ColorCorrectionUtil::hsv2rgb(double h, double s, double v) {
  if (s <= 0) return {v, v, v};
  double hh = h >= 360 ? 0 : h;
  hh /= 60;
  const int i = static_cast<int>(hh);
  const double f = hh - i;
  const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
  }
}

Triple ColorCorrectionUtil::colorCorrectionWithColorHUE(const Triple& hsv, platform::graphics::Point wheelPoint) {
  // The angle comes from the point's own distance: taken from the distance held to the wheel's rim, a
  // point beyond the rim would have no angle at all. The centre has hue 0.
  const double length = std::hypot(wheelPoint.x, wheelPoint.y);
  const double rho = std::min(length, 1.0);
  const double a = length > 0 ? std::acos(wheelPoint.x / length) * 180 / std::numbers::pi : 0;
  return {wheelPoint.x < 0 ? 360 - a : a, hsv.b, rho};
}

Triple ColorCorrectionUtil::colorshiftFunction(platform::graphics::Point point) {
  const double x = point.x, y = point.y, pi = std::numbers::pi;
  const double m = std::hypot(x, y);
  double theta = 0;
  if (y > 0) {
    theta = std::atan(x / y);
    if (x < 0) theta += 2 * pi;
  } else if (y < 0) {
    theta = std::atan(x / y) + pi;
  } else if (x == 1) {
    theta = pi / 2;
  } else if (x == -1) {
    theta = pi;
  }
  auto reduced = [pi](double angle) { return angle >= 2 * pi ? angle - 2 * pi : angle; };
  return {y, m * std::cos(reduced(theta + 2 * pi / 3)), m * std::cos(reduced(theta + 4 * pi / 3))};
}

std::optional<std::vector<uint8_t>> ColorCorrectionUtil::createRGBABitmapFromImage(
    const std::shared_ptr<platform::graphics::Image>& image) {
  if (!image || image->pixelWidth() <= 0 || image->pixelHeight() <= 0) return std::nullopt;
  return image->rgbaBytes();
}

std::optional<app::kit::ColorCubeFilter> ColorCorrectionUtil::filterWithLUT(
    const std::shared_ptr<platform::graphics::Image>& image, int64_t n) {
  if (!image || n <= 0) {
    platform::log::write(platform::log::Notice, "Invalid colorLUT");
    return std::nullopt;
  }
  const int64_t width = image->pixelWidth(), height = image->pixelHeight();
  const int64_t columns = width / n, rows = height / n;
  if (columns * n != width || rows * n != height || columns * rows != n) {
    platform::log::write(platform::log::Notice, "Invalid colorLUT");
    return std::nullopt;
  }
  const auto bitmap = createRGBABitmapFromImage(image);
  if (!bitmap) return std::nullopt;
  app::kit::ColorCubeFilter filter;
  filter.inputCubeDimension = n;
  filter.inputCubeData.resize(static_cast<size_t>(n * n * n * 4));
  for (int64_t row = 0; row < rows; ++row) {
    for (int64_t column = 0; column < columns; ++column) {
      const int64_t blue = row * columns + column;
      for (int64_t j = 0; j < n; ++j) {
        for (int64_t i = 0; i < n; ++i) {
          const size_t source = static_cast<size_t>(((row * n + j) * width + column * n + i) * 4);
          const size_t entry = static_cast<size_t>(((blue * n + j) * n + i) * 4);
          for (int k = 0; k < 4; ++k) filter.inputCubeData[entry + k] = (*bitmap)[source + k] / 255.0f;
        }
      }
    }
  }
  return filter;
}

}  // namespace app::kit

