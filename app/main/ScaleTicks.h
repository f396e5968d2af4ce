#pragma once

#include "app/main/ApertureScale.h"
#include "app/main/DistanceScale.h"
#include "app/main/FocalLengthScale.h"

namespace app::main {

// The ticks the person feels as a mark passes under a bar's marker while the haptic setting is on: one
// per mark however slowly it passes, since the place of the last tick is kept until the bar has moved
// away from it. Main thread only.
class ScaleTicks {
 public:
  // `x`: the position under the marker.
  void atFocalLength(float x, const FocalLengthScale& focalLength);
  // `tr`: the stops above f/0.5 under the marker, to a tenth.
  void atAperture(float tr, const ApertureScale& aperture);
  // `x`: the position under the marker on a scale of ratio `k`, which holds at least one distance.
  void atDistance(double x, double k, const DistanceScale& distance);

 private:
  float lastHapticFeedback_ = 0;
};

}  // namespace app::main
