// InputScrollView: what the bar reports while it moves, ticks, snapping, the prime under the marker,
// programmatic moves and the out-of-range warning.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/kit/UIConstants.h"
#include "app/main/InputScrollView.h"
#include "app/main/ScaleMath.h"
#include "app/state/FramesObject.h"
#include "platform/log/Log.h"
#include "platform/ui/ImpactFeedbackGenerator.h"

using platform::ui::View;
namespace app::main {

namespace {

constexpr int kHeavy = 2;
constexpr int kLight = 0;
constexpr double kSnapDuration = 0.2;
constexpr double kTapDuration = 0.15;
constexpr double kProgrammaticDuration = 0.4;

state::FramesSettings& settings() { return state::FramesObject::getSingleton()->settings; }

void debugLine(const char* format, double a, double b = 0) {
  char line[96];
  std::snprintf(line, sizeof line, format, a, b);
  platform::log::write(platform::log::Debug, line);
}

}  // namespace

bool InputScrollView::hapticsOn() const { return settings().hapticFeedback; }
bool InputScrollView::snapOn() const { return settings().snap; }

void InputScrollView::tick(int style) {
  if (!hapticsOn()) return;
  using Style = platform::ui::ImpactFeedbackGenerator::Style;
  platform::ui::ImpactFeedbackGenerator(style == kHeavy ? Style::Heavy : Style::Light).impactOccurred();
}

// --- scroll events ---

void InputScrollView::scrollUpdateFocalLength() {
  const float x = static_cast<float>(position());
  float focalLength = focalLengthAt(x);
  if (std::fabs(x - lastHapticFeedback_) > 20) lastHapticFeedback_ = -100;
  auto tickAt = [this, x](const std::vector<double>& angles, int style) {
    for (double fov : angles) {
      const float mark = focalLength_.markPosition(fov);
      if (std::fabs(mark - x) < 3 && std::fabs(lastHapticFeedback_ - x) > 20) {
        tick(style);
        lastHapticFeedback_ = x;
      }
    }
  };
  tickAt(focalLength_.fovSelectedArray(), kHeavy);
  tickAt(focalLength_.fovNotSelectedArrayDisplayed(), kLight);
  const auto& values = focalLength_.focalLengthArray();
  if (snapOn() && snapped_ && snapFL_ > -1 && snapFL_ < static_cast<double>(values.size())) {
    focalLength = values[static_cast<size_t>(snapFL_)];
    debugLine("SNAPFL: %f  - %f", snapFL_, focalLength);
  }
  if (auto delegate = delegate_.lock()) delegate->updateFocalLength(focalLength, secondCamera_, scrollingProgrammatically);
}

void InputScrollView::scrollUpdateAperture() {
  const float x = static_cast<float>(position());
  const float t = x / static_cast<float>(apertureStep());
  const float tr = std::round(10 * t) / 10;
  const float fNumber = apertureAt(x);
  if (std::fabs(tr - lastHapticFeedback_) > 0.2f) lastHapticFeedback_ = -1;
  if (hapticsOn()) {
    auto stop = [](float n) { return std::round(10 * scale::apertureStop(n)) / 10; };
    if ((tr == stop(aperture_.minAperture()) || tr == stop(aperture_.maxAperture())) && lastHapticFeedback_ != tr) {
      tick(kHeavy);
      lastHapticFeedback_ = tr;
    }
    for (float n : aperture_.apertureArrayDisplayed()) {
      if (tr == stop(n) && lastHapticFeedback_ != tr) {
        tick(kLight);
        lastHapticFeedback_ = tr;
      }
    }
  }
  if (auto delegate = delegate_.lock()) delegate->updateAperture(fNumber, secondCamera_, scrollingProgrammatically);
}

void InputScrollView::scrollUpdateDistance() {
  const double x = position();
  if (distance_.distanceArray().empty()) return;
  const double k = distanceRatio();
  const float first = distance_.distanceArray().front();
  const double meters = distanceAt(x);
  debugLine("DISTANCE VALUE: %f", meters);
  if (std::fabs(x - lastHapticFeedback_) > 20) lastHapticFeedback_ = -1;
  if (hapticsOn()) {
    if (std::fabs(x - std::log(distance_.closeFocusDistance() / first) / std::log(k)) < 3 &&
        std::fabs(lastHapticFeedback_ - x) > 6) {
      tick(kHeavy);
      lastHapticFeedback_ = static_cast<float>(x);
    }
    const float logK = logf(static_cast<float>(k));
    for (float d : distance_.distanceArrayDisplayed()) {
      if (std::fabs(x - distance_.markPosition(d, logK)) < 3 && std::fabs(lastHapticFeedback_ - x) > 6) {
        tick(kHeavy);
        lastHapticFeedback_ = static_cast<float>(x);
      }
    }
  }
  if (auto delegate = delegate_.lock()) delegate->updateDistance(static_cast<float>(meters), secondCamera_);
}

// --- the scroller's delegate ---

void InputScrollView::scrollViewWillBeginDragging(platform::ui::ScrollView&) {
  if (auto delegate = delegate_.lock()) delegate->blockSwipeGesture(true);
  hideOutOfRangeWarning();
}

void InputScrollView::scrollViewDidScroll(platform::ui::ScrollView&) {
  if (scrollBarType_ == 2) {
    scrollUpdateDistance();
  } else if (scrollBarType_ == 1) {
    scrollUpdateAperture();
    if (auto delegate = delegate_.lock()) delegate->freeProgrammaticScrollAperture(secondCamera_);
  } else if (scrollBarType_ == 0) {
    scrollUpdateFocalLength();
    if (auto delegate = delegate_.lock()) delegate->freeProgrammaticScrollFocalLength(secondCamera_);
  }
}

void InputScrollView::endOfMovement() {
  if (snapOn()) {
    const float x = static_cast<float>(position());
    if (scrollBarType_ == 2) snapToValueDistance(x, false);
    if (scrollBarType_ == 1) snapToValueAperture(x, false);
    if (scrollBarType_ == 0) snapToValueFocalLength(x, false);
  }
  if (scrollBarType_ == 0) {
    updatePrimeLensIndex();
    if (auto delegate = delegate_.lock()) delegate->updateMatchPrimeLens(0, secondCamera_);
  }
}

void InputScrollView::scrollViewDidEndDragging(platform::ui::ScrollView&, bool willDecelerate) {
  if (!willDecelerate) endOfMovement();
  if (auto delegate = delegate_.lock()) delegate->blockSwipeGesture(false);
}

void InputScrollView::scrollViewDidEndDecelerating(platform::ui::ScrollView&) {
  endOfMovement();
  if (auto delegate = delegate_.lock()) delegate->blockSwipeGesture(false);
}

// --- taps ---

// Moves the scale over `duration`; `done` runs at the end unless the bar is gone by then.
void InputScrollView::moveAnimated(double target, double duration, unsigned options,
                                   std::function<void(InputScrollView&)> done) {
  auto scroller = scrollView_;
  auto content = contentView_;
  std::weak_ptr<View> weakSelf = weak_from_this();
  View::animate(duration, 0, options, [scroller, content, target] {
    scroller->setContentOffset({target, 0}, false);
    content->layoutIfNeeded();
  }, [weakSelf, done = std::move(done)](bool) {
    if (auto self = std::static_pointer_cast<InputScrollView>(weakSelf.lock()); self && done) done(*self);
  });
}

void InputScrollView::tapFallback(double x, bool updatePrime) {
  moveAnimated(x, kTapDuration, platform::ui::AnimationOptionCurveEaseOut, [updatePrime](InputScrollView& bar) {
    bar.scrollViewDidEndDragging(*bar.scrollView_, false);
    if (updatePrime) {
      bar.updatePrimeLensIndex();
      if (auto delegate = bar.delegate_.lock()) delegate->updateMatchPrimeLens(0, bar.secondCamera_);
    }
  });
}

void InputScrollView::tapInScrollBar(platform::ui::GestureRecognizer& tap) {
  const double x = tap.locationInView(scrollBar_.get()).x;
  if (snapOn()) {
    if (scrollBarType_ == 2) snapToValueDistance(static_cast<float>(x), true);
    if (scrollBarType_ == 1) snapToValueAperture(static_cast<float>(x), true);
    if (scrollBarType_ == 0) {
      snapToValueFocalLength(static_cast<float>(x), true);
      updatePrimeLensIndex();
      if (auto delegate = delegate_.lock()) delegate->updateMatchPrimeLens(0, secondCamera_);
    }
    return;
  }
  tapFallback(x, scrollBarType_ == 0);
}

void InputScrollView::tapOutsideScrollBar(platform::ui::GestureRecognizer& tap) {
  const auto point = tap.locationInView(scrollContentView_.get());
  if (!(point.y > 12 && point.y < 52)) return;
  const double half = scrollView_->bounds().size.width / 2;
  if (point.x == half) return;
  const double target = point.x < half ? 0 : scrollBar_->bounds().size.width;
  moveAnimated(target, kTapDuration, platform::ui::AnimationOptionCurveEaseOut,
               [](InputScrollView& bar) { bar.scrollViewDidEndDragging(*bar.scrollView_, false); });
}

// --- snapping ---

void InputScrollView::snapTo(double target) { moveAnimated(target, kSnapDuration, 0, {}); }

void InputScrollView::snapToValueFocalLength(float x, bool didUserTap) {
  const auto& angles = focalLength_.fovArray();
  for (size_t i = 0; i < angles.size(); ++i) {
    const double p = (1 - std::atan(angles[i] / 2)) * focalLength_.m() + focalLength_.b();
    if (std::fabs(p - x) < 20 && p != lastFLSnapPosition_) {
      snapFL_ = static_cast<double>(i);
      snapped_ = true;
      lastFLSnapPosition_ = p;
      moveAnimated(p, kSnapDuration, 0, [](InputScrollView& bar) { bar.snapped_ = false; });
      return;
    }
  }
  lastFLSnapPosition_ = -1000;
  if (didUserTap) tapFallback(x, true);
}

void InputScrollView::snapToValueAperture(float x, bool didUserTap) {
  const double step = apertureStep();
  const double tx = std::round(10 * static_cast<float>(x / step)) / 10;
  const double tMin = scale::apertureStopDouble(aperture_.minAperture());
  const double tMax = scale::apertureStopDouble(aperture_.maxAperture());
  if (std::fabs(tx - tMin) < 0.25) return snapTo(step * tMin);
  if (std::fabs(tx - tMax) < 0.25) return snapTo(step * tMax);
  for (float n : aperture_.apertureArrayDisplayed()) {
    const double t = scale::apertureStopDouble(n);
    if (std::fabs(tx - t) < 0.25) return snapTo(step * t);
  }
  if (didUserTap) tapFallback(x, false);
}

void InputScrollView::snapToValueDistance(float x, bool didUserTap) {
  if (distance_.distanceArray().empty()) return;
  const float first = distance_.distanceArray().front();
  const float logK = logf(static_cast<float>(distanceRatio()));
  const double closeFocus = std::log(distance_.closeFocusDistance() / first) / logK;
  if (std::fabs(x - closeFocus) < 20) return snapTo(closeFocus);
  for (float d : distance_.distanceArrayDisplayed()) {
    const double p = distance_.markPosition(d, logK);
    if (std::fabs(x - p) < 20) return snapTo(p);
  }
  if (didUserTap) tapFallback(x, false);
}

// --- the prime under the marker ---

void InputScrollView::updatePrimeLensIndex() {
  if (!isPrimePackage()) return;
  const float x = static_cast<float>(position());
  bool found = false;
  const auto& angles = focalLength_.fovArray();
  for (double fov : angles) {
    const float p = focalLength_.markPosition(fov);
    if (std::fabs(p - x) < 3) {
      const auto first = std::find(angles.begin(), angles.end(), fov);
      const int index = static_cast<int>(first - angles.begin());
      debugLine("POSITION CHECK: %.0f", index);
      primeLensHasChangedWithFLIndex(index);
      found = true;
    }
  }
  if (!found) primeLensHasChangedWithFLIndex(-1);
}

void InputScrollView::primeLensHasChangedWithFLIndex(int index) {
  if (auto delegate = delegate_.lock()) delegate->switchPrimesLensWithSecondCamera(secondCamera_, index);
}

// --- programmatic moves ---

namespace {

// Between a scale's first and last values (either way round); an empty scale holds nothing.
bool scaleHolds(const std::vector<float>& values, float value) {
  if (values.empty()) return false;
  const auto [low, high] = std::minmax(values.front(), values.back());
  return low <= value && value <= high;
}

}  // namespace

void InputScrollView::moveProgrammatically(double target, bool onScale, bool animated, bool silenceTicks) {
  auto& shared = settings();
  const bool haptics = shared.hapticFeedback;
  if (silenceTicks) shared.hapticFeedback = false;
  const double width = scrollBar_->bounds().size.width;
  // A scale's own end (a zoom's long end, the last distance) can come out a hair past the scale in single
  // precision: it is still the end, in range.
  if (onScale) {
    target = std::clamp(target, 0.0, width);
    hideOutOfRangeWarning();
  } else if (target < 0) {
    target = 0;
    showOutOfRangeWarning();
  } else if (target > width) {
    target = width;
    showOutOfRangeWarning();
  } else {
    hideOutOfRangeWarning();
  }
  if (animated) {
    moveAnimated(target, kProgrammaticDuration, 0, {});
  } else {
    scrollView_->setContentOffset({target, 0}, false);
    contentView_->layoutIfNeeded();
  }
  if (silenceTicks) settings().hapticFeedback = haptics;
}

void InputScrollView::setFocalLength(float focalLength, bool withAnimation) {
  moveProgrammatically(positionForFocalLength(focalLength), scaleHolds(focalLength_.focalLengthArray(), focalLength), withAnimation, true);
}

void InputScrollView::setAperture(float fNumber, bool withAnimation) {
  moveProgrammatically(positionForAperture(fNumber), scaleHolds(aperture_.apertureArray(), fNumber), withAnimation, true);
}

void InputScrollView::setDistance(float meters, bool withAnimation) {
  moveProgrammatically(positionForDistance(meters), scaleHolds(distance_.distanceArray(), meters), withAnimation, false);
}

void InputScrollView::abortScrollViewAnimation() { scrollView_->setContentOffset(scrollView_->contentOffset(), false); }

void InputScrollView::showOutOfRangeWarning() {
  markerView_->setBackgroundColor(kit::UIConstants::redWarning());
  if (auto delegate = delegate_.lock()) delegate->valuesOutOfRangeFor(scrollBarType_, secondCamera_);
}

void InputScrollView::hideOutOfRangeWarning() {
  markerView_->setBackgroundColor(secondCamera_ ? kit::UIConstants::secondCameraGreen() : kit::UIConstants::blue());
  if (auto delegate = delegate_.lock()) delegate->valuesWithinOfRangeFor(scrollBarType_, secondCamera_);
}

}  // namespace app::main

