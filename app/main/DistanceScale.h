#pragma once

#include <cmath>
#include <vector>

#include "app/main/ScaleLabels.h"

namespace app::main {

// The focus-distance scale of a bar: each point along it multiplies the distance by the same ratio, so
// near distances, where focus is critical, get the room. Marks in metres or in feet and inches; the lens's
// close focus is marked heavier, the distances below it dimmed.
class DistanceScale {
 public:
  // The factor one point along a scale `width` long multiplies the distance by.
  double ratio(double width) const;
  std::vector<ScaleLabels::Mark> build(float closeFocus, bool imperial, double width);
  // Where the mark of distance `d` stands on a scale of ratio e^`logK`.
  float markPosition(float d, float logK) const { return logf(d / distanceArray_.front()) / logK; }

  float valueAt(double position, double width) const;
  double positionFor(float meters, double width) const;

  const std::vector<float>& distanceArray() const { return distanceArray_; }
  const std::vector<float>& distanceArrayDisplayed() const { return distanceArrayDisplayed_; }
  float closeFocusDistance() const { return closeFocusDistance_; }

 private:
  std::vector<float> distanceArray_, distanceArrayDisplayed_;
  float closeFocusDistance_ = 0;
};

}  // namespace app::main
