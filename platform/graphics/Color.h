#pragma once

#include <cstdint>
#include <string>

namespace platform::graphics {

// A colour in device RGB with straight (not premultiplied) alpha, each component in 0...1.
class Color {
 public:
  constexpr Color() = default;
  constexpr Color(double red, double green, double blue, double alpha = 1.0)
      : r_(clamp(red)), g_(clamp(green)), b_(clamp(blue)), a_(clamp(alpha)) {}

  static constexpr Color withWhite(double level, double alpha = 1.0) { return {level, level, level, alpha}; }
  static Color fromHSB(double hue, double saturation, double brightness, double alpha = 1.0);
  // The app's colour code 0xRRGGBB: each byte divided by 255, alpha 1.
  static Color fromCode(int32_t code);
  // Bytes 0...255 as the palettes write them.
  static constexpr Color fromBytes(int r, int g, int b, double alpha = 1.0) {
    return {r / 255.0, g / 255.0, b / 255.0, alpha};
  }

  static constexpr Color blackColor() { return {0, 0, 0, 1}; }
  static constexpr Color whiteColor() { return {1, 1, 1, 1}; }
  static constexpr Color clearColor() { return {0, 0, 0, 0}; }
  static constexpr Color redColor() { return {1, 0, 0, 1}; }
  static constexpr Color greenColor() { return {0, 1, 0, 1}; }
  static constexpr Color blueColor() { return {0, 0, 1, 1}; }
  static constexpr Color grayColor() { return {0.5, 0.5, 0.5, 1}; }
  static constexpr Color lightGrayColor() { return {2.0 / 3, 2.0 / 3, 2.0 / 3, 1}; }
  static constexpr Color darkGrayColor() { return {1.0 / 3, 1.0 / 3, 1.0 / 3, 1}; }
  // The system tint that controls take when nothing else is set.
  static constexpr Color systemBlueColor() { return {0, 122 / 255.0, 1, 1}; }

  constexpr double red() const { return r_; }
  constexpr double green() const { return g_; }
  constexpr double blue() const { return b_; }
  constexpr double alpha() const { return a_; }

  struct HSB {
    double hue, saturation, brightness, alpha;
  };
  HSB hsb() const;
  // Each component times 255, truncated, packed as 0xRRGGBB.
  int32_t code() const;
  Color withAlpha(double alpha) const { return {r_, g_, b_, alpha}; }
  // Opaque black-to-white brightness used to pick readable text: (299 r + 587 g + 114 b) / 1000.
  double perceivedBrightness() const { return (299 * r_ + 587 * g_ + 114 * b_) / 1000; }
  std::string description() const;

  constexpr bool operator==(const Color&) const = default;

 private:
  static constexpr double clamp(double v) { return v != v ? 0 : (v < 0 ? 0 : (v > 1 ? 1 : v)); }
  double r_ = 0, g_ = 0, b_ = 0, a_ = 0;
};

}  // namespace platform::graphics
