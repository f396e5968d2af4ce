#pragma once

namespace app::optics {

// The lenses and adapters that exist. A focal length or f-number outside these is no lens (a typed
// focal length of a kilometre, a matched stop behind the lens, a reducer that shrinks a 50 mm lens to a
// hundredth of a millimetre): the screens show no value for it instead of a number nobody can use.
class LensLimits {
 public:
  static constexpr double kShortestFocalLength = 0.5;  // mm
  static constexpr double kLongestFocalLength = 10000;  // mm
  // No lens in air opens wider than f/0.5; pinholes stop down to a few hundred.
  static constexpr double kWidestFNumber = 0.5;
  static constexpr double kNarrowestFNumber = 1000;
  // Focal reducers, converters and anamorphic squeezes: from a tenth to ten times.
  static constexpr double kSmallestAdapterFactor = 0.1;
  static constexpr double kLargestAdapterFactor = 10;

  static bool isFocalLength(double millimetres) {
    return millimetres >= kShortestFocalLength && millimetres <= kLongestFocalLength;
  }
  static bool isFNumber(double fNumber) { return fNumber >= kWidestFNumber && fNumber <= kNarrowestFNumber; }
  static bool isAdapterFactor(double factor) {
    return factor >= kSmallestAdapterFactor && factor <= kLargestAdapterFactor;
  }
};

}  // namespace app::optics

