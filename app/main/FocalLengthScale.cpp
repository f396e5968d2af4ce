#include "app/main/FocalLengthScale.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/main/ScaleMath.h"
#include "platform/log/Log.h"

namespace app::main {

namespace {

constexpr float kDefaultMarks[] = {6, 8, 10, 12, 16, 20, 25, 28, 32, 35, 40, 50, 65, 85, 100, 135, 200, 300, 500, 1000};

// The width of a focal-length scale that has fewer than two different focal lengths: nothing to scroll.
constexpr float kSingleMarkWidth = 0;

}  // namespace

void FocalLengthScale::takePrimes(const model::LensSet& lensSet) {
  focalLengthArray_.clear();
  focalLengthSelectedArray_.clear();
  for (const auto& lens : lensSet.lenses) focalLengthArray_.push_back(lens.focalLength);
  for (const auto& lens : lensSet.selectedLenses) focalLengthSelectedArray_.push_back(lens.focalLength);
}

void FocalLengthScale::takeZoom(float minFl, float maxFl) {
  focalLengthSelectedArray_ = {minFl, maxFl};
  focalLengthArray_ = {minFl};
  for (float v : kDefaultMarks) {
    if (minFl < v && v < maxFl) focalLengthArray_.push_back(v);
  }
  focalLengthArray_.push_back(maxFl);
}

float FocalLengthScale::measure(const Optics& optics) {
  focalLengthNotSelectedArray_.clear();
  for (float fl : focalLengthArray_) {
    if (std::find(focalLengthSelectedArray_.begin(), focalLengthSelectedArray_.end(), fl) ==
        focalLengthSelectedArray_.end()) {
      focalLengthNotSelectedArray_.push_back(fl);
    }
  }
  auto angles = [&optics](const std::vector<float>& lengths) {
    std::vector<double> out;
    for (float fl : lengths) {
      out.push_back(scale::fieldOfView(fl, optics.sensorWidth, optics.anamorphic, optics.adapter));
    }
    return out;
  };
  fovArray_ = angles(focalLengthArray_);
  fovSelectedArray_ = angles(focalLengthSelectedArray_);
  fovNotSelectedArray_ = angles(focalLengthNotSelectedArray_);
  fovNotSelectedArrayDisplayed_.clear();

  // A scale needs two different focal lengths; with fewer, or a series that runs the wrong way, the angle
  // range is zero or negative and every position would be a division by it.
  float a1 = 0, a2 = 0;
  if (fovArray_.size() >= 2) {
    a1 = atanf(static_cast<float>(fovArray_.front() / 2));
    a2 = atanf(static_cast<float>(fovArray_.back() / 2));
  }
  a1_ = a1;
  range_ = (1 - a2) - (1 - a1);
  measurable_ = fovArray_.size() >= 2 && range_ > 0 && std::isfinite(range_);
  if (!measurable_) {
    // One focal length (or none): a scale without length, its single mark at the start.
    range_ = 0;
    m_ = 0;
    b_ = 0;
    return kSingleMarkWidth;
  }
  float spread = powf(focalLengthArray_.back() - focalLengthArray_.front(), 0.02f);
  if (!(spread > 0)) spread = 1;
  int density = 1500;
  for (size_t i = 0; i + 1 < fovArray_.size(); ++i) {
    const double difference = fovArray_[i] - fovArray_[i + 1];
    if (difference < 0.035 && fovArray_[i] != fovArray_[i + 1]) {
      density = 2500;
      break;
    }
  }
  platform::log::write(platform::log::Debug, "Spreadfactor: " + std::to_string(density));
  return spread * density * range_;
}

void FocalLengthScale::setLength(double width) {
  if (!measurable_) return;
  m_ = static_cast<float>(width) / range_;
  b_ = -(1 - a1_) * m_;
}

std::vector<ScaleLabels::Mark> FocalLengthScale::marks(bool prime) {
  auto positionOf = [this](double fov) -> float { return measurable_ ? markPosition(fov) : 0; };
  std::vector<ScaleLabels::Mark> marks;
  for (size_t i = 0; i < fovSelectedArray_.size(); ++i) {
    marks.push_back({positionOf(fovSelectedArray_[i]), scale::numberText(focalLengthSelectedArray_[i]), 1});
  }
  for (size_t i = 0; i < fovNotSelectedArray_.size(); ++i) {
    const float x = positionOf(fovNotSelectedArray_[i]);
    const std::string text = scale::numberText(focalLengthNotSelectedArray_[i]);
    if (prime) {
      marks.push_back({x, text, 2});
      fovNotSelectedArrayDisplayed_.push_back(fovNotSelectedArray_[i]);
    } else if (!fovSelectedArray_.empty() && std::fabs(x - positionOf(fovSelectedArray_.front())) >= 20 &&
               std::fabs(x - positionOf(fovSelectedArray_.back())) >= 20) {
      fovNotSelectedArrayDisplayed_.push_back(fovNotSelectedArray_[i]);
      marks.push_back({x, text, 0});
    }
  }
  return marks;
}

float FocalLengthScale::markPosition(double fov) const { return (1 - atanf(static_cast<float>(fov / 2))) * m_ + b_; }

float FocalLengthScale::valueAt(double position, const Optics& optics) const {
  if (focalLengthArray_.empty()) return 0;
  const float first = focalLengthArray_.front(), last = focalLengthArray_.back();
  if (m_ == 0) return first;  // a scale with a single focal length
  const float u = 1 - (static_cast<float>(position) - b_) / m_;
  const double fov = 2 * std::tan(static_cast<double>(u));
  float focalLength = optics.anamorphic * optics.sensorWidth / (tanf(static_cast<float>(fov / 2)) * 2 * optics.adapter);
  if (focalLength > 0 && focalLength < first) {
    focalLength = first;
  } else if (focalLength < 0 || focalLength > last) {
    focalLength = last;
  } else if (std::isnan(focalLength)) {
    focalLength = first;
  }
  return focalLength;
}

double FocalLengthScale::positionFor(float focalLength, const Optics& optics) const {
  if (m_ == 0) return 0;
  const double fov = scale::fieldOfView(focalLength, optics.sensorWidth, optics.anamorphic, optics.adapter);
  return scale::finiteOrZero(markPosition(fov));
}

}  // namespace app::main
