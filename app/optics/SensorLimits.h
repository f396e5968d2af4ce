#pragma once

namespace app::optics {

// The sensors and film gates a camera can have, a side at a time in millimetres: from the smallest
// inspection-camera chips to beyond the largest motion-picture gates. A side outside these is no camera
// (a tenth of a micrometre, a kilometre): every figure computed from it would be one nobody can use.
class SensorLimits {
 public:
  static constexpr double kSmallestSide = 1;
  static constexpr double kLargestSide = 100;

  static bool isSide(double millimetres) { return millimetres >= kSmallestSide && millimetres <= kLargestSide; }
};

}  // namespace app::optics
