#pragma once

#include <vector>

#include "app/main/ScaleLabels.h"
#include "app/model/LensSet.h"

namespace app::main {

// The focal-length scale of a bar. Marks stand by angle of view, not by millimetres, so the wide end,
// where a few millimetres change the picture most, gets the room: a mark for the angle `fov` stands at
// (1 - atan(fov / 2)) m + b. The bar gives it the focal lengths, then the length it laid the scale out
// at; the sensor and factors are asked for at each reading, since the main screen may change them.
class FocalLengthScale {
 public:
  // What turns a focal length into an angle of view.
  struct Optics {
    float sensorWidth = 0, anamorphic = 0, adapter = 0;
  };

  // A prime series: its own focal lengths, the selected lenses' marked.
  void takePrimes(const model::LensSet& lensSet);
  // A zoom: its two ends, with the default marks strictly between them.
  void takeZoom(float minFl, float maxFl);
  // The marks' angles; the width the scale asks for (none for fewer than two different focal lengths).
  [[nodiscard]] float measure(const Optics& optics);
  // m and b for the width the scale was laid out at.
  void setLength(double width);
  // The labels, selected lenses first; a prime series shows every mark, a zoom only those clear of its ends.
  std::vector<ScaleLabels::Mark> marks(bool prime);

  float valueAt(double position, const Optics& optics) const;
  double positionFor(float focalLength, const Optics& optics) const;
  // Where the mark of an angle stands, in single precision as the labels are placed.
  float markPosition(double fov) const;

  const std::vector<float>& focalLengthArray() const { return focalLengthArray_; }
  const std::vector<float>& focalLengthSelectedArray() const { return focalLengthSelectedArray_; }
  const std::vector<double>& fovArray() const { return fovArray_; }
  const std::vector<double>& fovSelectedArray() const { return fovSelectedArray_; }
  const std::vector<double>& fovNotSelectedArrayDisplayed() const { return fovNotSelectedArrayDisplayed_; }
  float m() const { return m_; }
  float b() const { return b_; }

 private:
  std::vector<float> focalLengthArray_, focalLengthSelectedArray_, focalLengthNotSelectedArray_;
  std::vector<double> fovArray_, fovSelectedArray_, fovNotSelectedArray_, fovNotSelectedArrayDisplayed_;
  float range_ = 0, m_ = 0, b_ = 0;
  float a1_ = 0;
  bool measurable_ = false;
};

}  // namespace app::main
