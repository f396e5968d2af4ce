#pragma once

namespace app::optics {

// The sensors and film gates a camera can have, a side at a time in millimetres: from the smallest
// inspection-camera chips to far past the largest plate cameras (20 x 24 inch, and the room-sized ones
// of two metres). A side outside these is no camera (a tenth of a micrometre, a kilometre): every figure
// computed from it would be one nobody can use, and the pages print a side with its two decimals in a
// box laid out for five digits before them.
class SensorLimits {
 public:
  static constexpr double kSmallestSide = 1;
  static constexpr double kLargestSide = 10000;

  static bool isSide(double millimetres) { return millimetres >= kSmallestSide && millimetres <= kLargestSide; }
};

}  // namespace app::optics
