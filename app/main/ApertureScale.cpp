#include "app/main/ApertureScale.h"

#include <algorithm>
#include <cmath>

namespace app::main {

namespace {

constexpr float kApertureMarks[] = {0.5f, 0.7f, 1.0f, 1.4f, 2.0f, 2.8f, 4.0f, 5.6f,
                                    8.0f, 11,   16,   22,   32,   45,   64,   90};

}  // namespace

std::vector<ScaleLabels::Mark> ApertureScale::build(float minAperture, float maxAperture, float step) {
  minAperture_ = minAperture;
  maxAperture_ = maxAperture;
  apertureArray_.assign(std::begin(kApertureMarks), std::end(kApertureMarks));
  std::vector<ScaleLabels::Mark> marks;
  auto addLabel = [&marks, step](float value, int kind) {
    marks.push_back({scale::apertureStop(value) * step, scale::numberText(value), kind});
  };
  // A limit of 0 is no limit: it has no place on the scale.
  if (minAperture_ > 0) addLabel(minAperture_, 1);
  if (maxAperture_ > 0) addLabel(maxAperture_, 1);
  apertureArrayDisplayed_.clear();
  const float tMin = scale::apertureStop(minAperture_), tMax = scale::apertureStop(maxAperture_);
  for (float n : apertureArray_) {
    const float t = scale::apertureStop(n);
    if (std::fabs(t - tMin) < 0.3f || std::fabs(t - tMax) < 0.3f) continue;
    int kind = 0;
    if ((minAperture_ != 0 && maxAperture_ != 0 && (n < minAperture_ || n > maxAperture_)) ||
        (minAperture_ != 0 && maxAperture_ == 0 && n < minAperture_)) {
      kind = 2;
    }
    addLabel(n, kind);
    apertureArrayDisplayed_.push_back(n);
  }
  return marks;
}

// Held to the scale's end marks: a position near a first mark that has no label of its own (it gave way
// to a lens limit) still reads its own value, not the next label's.
float ApertureScale::valueAt(double position, double step) const {
  const float t = static_cast<float>(position) / static_cast<float>(step);
  double fNumber = std::pow(1.4142135381698608, static_cast<double>(t) - 2);
  if (!apertureArray_.empty()) {
    fNumber = std::clamp<double>(fNumber, apertureArray_.front(), apertureArray_.back());
  }
  return static_cast<float>(fNumber);
}

double ApertureScale::positionFor(float fNumber, double step) const {
  return scale::finiteOrZero(scale::apertureStop(fNumber) * static_cast<float>(step));
}

}  // namespace app::main
