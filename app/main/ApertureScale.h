#pragma once

#include <vector>

#include "app/main/ScaleLabels.h"
#include "app/main/ScaleMath.h"

namespace app::main {

// The aperture scale of a bar: the f-numbers a full stop apart at an even step, f/0.5 at the start. The
// lens's open and closed limits are marked heavier, the stops it cannot reach dimmed.
class ApertureScale {
 public:
  // The distance between two stops on a scale `width` long, in single precision as the marks are placed.
  static double step(double width) {
    return static_cast<float>(width) / static_cast<float>(scale::kApertureMarks - 1);
  }

  // The labels for a lens opening to `minAperture` and closing to `maxAperture` (0: no limit).
  std::vector<ScaleLabels::Mark> build(float minAperture, float maxAperture, float step);

  float valueAt(double position, double step) const;
  double positionFor(float fNumber, double step) const;

  const std::vector<float>& apertureArray() const { return apertureArray_; }
  const std::vector<float>& apertureArrayDisplayed() const { return apertureArrayDisplayed_; }
  float minAperture() const { return minAperture_; }
  float maxAperture() const { return maxAperture_; }

 private:
  std::vector<float> apertureArray_, apertureArrayDisplayed_;
  float minAperture_ = 0, maxAperture_ = 0;
};

}  // namespace app::main
