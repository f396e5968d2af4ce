#pragma once

#include <limits>

namespace app::optics {

// The lenses and adapters that exist, and the distances they focus at. A focal length, f-number or focus
// outside these is no lens (a matched stop behind the lens, a reducer that shrinks a 50 mm lens to a
// hundredth of a millimetre, a focus closer than a centimetre): the screens show no value for it instead
// of a number nobody can use.
class LensLimits {
 public:
  // There is no longest focal length: past the longest telephotos a telescope is a lens too, and every
  // page computes at any length a float holds.
  static constexpr double kShortestFocalLength = 0.5;  // mm
  // No lens in air opens wider than f/0.5; pinholes stop down to a few hundred.
  static constexpr double kWidestFNumber = 0.5;
  static constexpr double kNarrowestFNumber = 1000;
  // Focal reducers, converters and anamorphic squeezes: from a tenth to a hundred times, far past the
  // strongest stack of extenders. Through a hundred times the coverage page still draws the recording
  // frame inside the magnified image circle at a size that can be seen.
  static constexpr double kSmallestAdapterFactor = 0.1;
  static constexpr double kLargestAdapterFactor = 100;
  // Focus distances in metres: a typed distance closer than a centimetre is raised to it. There is no
  // farthest one: a landscape kilometres away is focused on, and past the hyperfocal distance every
  // focus gives the same near limit and a far one at infinity.
  static constexpr double kNearestFocus = 0.01;

  static bool isFocalLength(double millimetres) {
    return millimetres >= kShortestFocalLength && millimetres <= std::numeric_limits<float>::max();
  }
  static bool isFNumber(double fNumber) { return fNumber >= kWidestFNumber && fNumber <= kNarrowestFNumber; }
  // Distances are held in single precision: the nearest focus stored as a float is still in range. An
  // infinite one (a typed figure past what a float holds) is no distance.
  static bool isFocusDistance(double meters) {
    return meters >= static_cast<float>(kNearestFocus) && meters <= std::numeric_limits<double>::max();
  }
  static bool isAdapterFactor(double factor) {
    return factor >= kSmallestAdapterFactor && factor <= kLargestAdapterFactor;
  }
};

}  // namespace app::optics

