// InputScrollView: positions to values and back.
#include <cmath>

#include "app/main/InputScrollView.h"
#include "app/main/ScaleMath.h"

namespace app::main {

namespace {

template <class T>
T clampedTo(T value, T low, T high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

}  // namespace

float InputScrollView::focalLengthAt(double position) const {
  if (focalLengthArray_.empty()) return 0;
  const float first = focalLengthArray_.front(), last = focalLengthArray_.back();
  if (m_ == 0) return first;  // a scale with a single focal length
  const float u = 1 - (static_cast<float>(position) - b_) / m_;
  const double fov = 2 * std::tan(static_cast<double>(u));
  float focalLength = anamorphic * sensorWidth / (tanf(static_cast<float>(fov / 2)) * 2 * adapter);
  if (focalLength > 0 && focalLength < first) {
    focalLength = first;
  } else if (focalLength < 0 || focalLength > last) {
    focalLength = last;
  } else if (std::isnan(focalLength)) {
    focalLength = first;
  }
  return focalLength;
}

// Held to the scale's end marks: a position near a first mark that has no label of its own (it gave way
// to a lens limit) still reads its own value, not the next label's.
float InputScrollView::apertureAt(double position) const {
  const float t = static_cast<float>(position) / static_cast<float>(apertureStep());
  double fNumber = std::pow(1.4142135381698608, static_cast<double>(t) - 2);
  if (!apertureArray_.empty()) {
    fNumber = clampedTo<double>(fNumber, apertureArray_.front(), apertureArray_.back());
  }
  return static_cast<float>(fNumber);
}

float InputScrollView::distanceAt(double position) const {
  if (distanceArray_.empty()) return 0;
  const double meters = distanceArray_.front() * std::pow(distanceRatio(), position);
  return static_cast<float>(clampedTo<double>(meters, distanceArray_.front(), distanceArray_.back()));
}

double InputScrollView::positionForFocalLength(float focalLength) const {
  if (m_ == 0) return 0;
  const double fov = scale::fieldOfView(focalLength, sensorWidth, anamorphic, adapter);
  return scale::finiteOrZero((1 - atanf(static_cast<float>(fov / 2))) * m_ + b_);
}

double InputScrollView::positionForAperture(float fNumber) const {
  return scale::finiteOrZero(scale::apertureStop(fNumber) * static_cast<float>(apertureStep()));
}

double InputScrollView::positionForDistance(float meters) const {
  if (distanceArray_.empty()) return 0;
  const float first = distanceArray_.front(), last = distanceArray_.back();
  const float kf = static_cast<float>(
      std::pow(static_cast<double>(last) / first, 1 / scrollBar_->bounds().size.width));
  return scale::finiteOrZero(logf(meters / first) / logf(kf));
}

}  // namespace app::main

