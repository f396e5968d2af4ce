#include "app/main/ScaleTicks.h"

#include <cmath>
#include <vector>

#include "app/main/ScaleMath.h"
#include "app/state/FramesObject.h"
#include "platform/ui/ImpactFeedbackGenerator.h"

namespace app::main {

namespace {

constexpr int kHeavy = 2;
constexpr int kLight = 0;

bool hapticsOn() { return state::FramesObject::getSingleton()->settings.hapticFeedback; }

void tick(int style) {
  if (!hapticsOn()) return;
  using Style = platform::ui::ImpactFeedbackGenerator::Style;
  platform::ui::ImpactFeedbackGenerator(style == kHeavy ? Style::Heavy : Style::Light).impactOccurred();
}

}  // namespace

void ScaleTicks::atFocalLength(float x, const FocalLengthScale& focalLength) {
  if (std::fabs(x - lastHapticFeedback_) > 20) lastHapticFeedback_ = -100;
  auto tickAt = [this, x, &focalLength](const std::vector<double>& angles, int style) {
    for (double fov : angles) {
      const float mark = focalLength.markPosition(fov);
      if (std::fabs(mark - x) < 3 && std::fabs(lastHapticFeedback_ - x) > 20) {
        tick(style);
        lastHapticFeedback_ = x;
      }
    }
  };
  tickAt(focalLength.fovSelectedArray(), kHeavy);
  tickAt(focalLength.fovNotSelectedArrayDisplayed(), kLight);
}

void ScaleTicks::atAperture(float tr, const ApertureScale& aperture) {
  if (std::fabs(tr - lastHapticFeedback_) > 0.2f) lastHapticFeedback_ = -1;
  if (!hapticsOn()) return;
  auto stop = [](float n) { return std::round(10 * scale::apertureStop(n)) / 10; };
  if ((tr == stop(aperture.minAperture()) || tr == stop(aperture.maxAperture())) && lastHapticFeedback_ != tr) {
    tick(kHeavy);
    lastHapticFeedback_ = tr;
  }
  for (float n : aperture.apertureArrayDisplayed()) {
    if (tr == stop(n) && lastHapticFeedback_ != tr) {
      tick(kLight);
      lastHapticFeedback_ = tr;
    }
  }
}

void ScaleTicks::atDistance(double x, double k, const DistanceScale& distance) {
  if (std::fabs(x - lastHapticFeedback_) > 20) lastHapticFeedback_ = -1;
  if (!hapticsOn()) return;
  const float first = distance.distanceArray().front();
  if (std::fabs(x - std::log(distance.closeFocusDistance() / first) / std::log(k)) < 3 &&
      std::fabs(lastHapticFeedback_ - x) > 6) {
    tick(kHeavy);
    lastHapticFeedback_ = static_cast<float>(x);
  }
  const float logK = logf(static_cast<float>(k));
  for (float d : distance.distanceArrayDisplayed()) {
    if (std::fabs(x - distance.markPosition(d, logK)) < 3 && std::fabs(lastHapticFeedback_ - x) > 6) {
      tick(kHeavy);
      lastHapticFeedback_ = static_cast<float>(x);
    }
  }
}

}  // namespace app::main
