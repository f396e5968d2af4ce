#include "platform/graphics/Color.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform::graphics {

Color Color::fromHSB(double hue, double saturation, double brightness, double alpha) {
  double h = hue - std::floor(hue);  // a hue of 1 is red again
  double s = std::clamp(saturation, 0.0, 1.0);
  double v = std::clamp(brightness, 0.0, 1.0);
  if (s <= 0) return {v, v, v, alpha};
  double sector = h * 6;
  int i = static_cast<int>(sector) % 6;
  double f = sector - std::floor(sector);
  double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i) {
    case 0: return {v, t, p, alpha};
    case 1: return {q, v, p, alpha};
    case 2: return {p, v, t, alpha};
    case 3: return {p, q, v, alpha};
    case 4: return {t, p, v, alpha};
    default: return {v, p, q, alpha};
  }
}

Color Color::fromCode(int32_t code) {
  auto byte = [code](int shift) { return ((static_cast<uint32_t>(code) >> shift) & 0xFF) / 255.0; };
  return {byte(16), byte(8), byte(0), 1.0};
}

Color::HSB Color::hsb() const {
  double mx = std::max({r_, g_, b_}), mn = std::min({r_, g_, b_});
  double d = mx - mn;
  HSB out{0, mx > 0 ? d / mx : 0, mx, a_};
  if (d <= 0) return out;
  double h;
  if (mx == r_) {
    h = (g_ - b_) / d;
  } else if (mx == g_) {
    h = (b_ - r_) / d + 2;
  } else {
    h = (r_ - g_) / d + 4;
  }
  h /= 6;
  if (h < 0) h += 1;
  out.hue = h;
  return out;
}

int32_t Color::code() const {
  auto byte = [](double c) { return static_cast<int32_t>(c * 255) & 0xFF; };
  return (byte(r_) << 16) | (byte(g_) << 8) | byte(b_);
}

std::string Color::description() const {
  char buf[96];
  std::snprintf(buf, sizeof buf, "RGBA(%g, %g, %g, %g)", r_, g_, b_, a_);
  return buf;
}

}  // namespace platform::graphics
