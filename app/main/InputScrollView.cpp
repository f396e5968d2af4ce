#include "app/main/InputScrollView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/kit/UIConstants.h"
#include "app/main/ScaleMath.h"
#include "app/state/FramesObject.h"
#include "platform/log/Log.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/TapGestureRecognizer.h"

using platform::ui::make;
using platform::ui::Rect;
using platform::ui::View;

namespace app::main {

namespace {

constexpr double kSnapDuration = 0.2;
constexpr double kTapDuration = 0.15;
constexpr double kProgrammaticDuration = 0.4;

state::FramesSettings& settings() { return state::FramesObject::getSingleton()->settings; }

void debugLine(const char* format, double a, double b = 0) {
  char line[96];
  std::snprintf(line, sizeof line, format, a, b);
  platform::log::write(platform::log::Debug, line);
}

// Between a scale's first and last values (either way round); an empty scale holds nothing.
bool scaleHolds(const std::vector<float>& values, float value) {
  if (values.empty()) return false;
  const auto [low, high] = std::minmax(values.front(), values.back());
  return low <= value && value <= high;
}

}  // namespace

InputScrollView::InputScrollView(const Rect& frame) : View(frame) { customInit(); }

void InputScrollView::customInit() {
  contentView_ = make<View>(bounds());
  gradient_ = make<platform::ui::GradientLayer>();
  contentView_->layer().insertSublayer(gradient_, 0);
  scrollView_ = make<platform::ui::ScrollView>(bounds());
  scrollContentView_ = make<View>();
  scrollBar_ = make<View>();
  scrollContentView_->addSubview(scrollBar_);
  scrollView_->addSubview(scrollContentView_);
  titleLabel_ = make<platform::ui::Label>(Rect{12, 0, 200, 12});
  titleLabel_->setUserInteractionEnabled(false);
  markerView_ = make<View>();
  markerView_->setUserInteractionEnabled(false);
  markerView_->setBackgroundColor(kit::UIConstants::blue());
  contentView_->addSubview(scrollView_);
  contentView_->addSubview(titleLabel_);
  contentView_->addSubview(markerView_);
  addSubview(contentView_);

  sensorWidth = 24.0f;
  anamorphic = 1.0f;
  adapter = 1.0f;
  secondCamera_ = false;
  scrollView_->setDelegate(static_cast<platform::ui::ScrollViewDelegate*>(this));
  lastFLSnapPosition_ = -1000.0;

  // The recognisers live in this bar's own views; the bar outlives them.
  auto inScale = make<platform::ui::TapGestureRecognizer>();
  inScale->addTarget(this, &InputScrollView::tapInScrollBar);
  scrollBar_->addGestureRecognizer(inScale);
  auto beside = make<platform::ui::TapGestureRecognizer>();
  beside->addTarget(this, &InputScrollView::tapOutsideScrollBar);
  scrollContentView_->addGestureRecognizer(beside);
  layOutScale();
}

void InputScrollView::layoutSubviews() {
  contentView_->setFrame(bounds());
  scrollView_->setFrame(contentView_->bounds());
  gradient_->setFrame(contentView_->bounds());
  const Rect area = contentView_->bounds();
  markerView_->setFrame({area.midX() - 1, 12, 2, area.size.height - 12});
  layOutScale();
}

// The scale with its two insets inside the scroller: the scroller's content is the area around the scale.
void InputScrollView::layOutScale() {
  const double height = contentView_->bounds().size.height;
  const double lead = scrollBarLeadingConstraint_.constant(), trail = scrollBarTrailingConstraint_.constant();
  const double width = scrollBarWidthConstraint_.constant();
  scrollContentView_->setFrame({0, 0, lead + width + trail, height});
  scrollBar_->setFrame({lead, 0, width, height});
  scrollView_->setContentSize({lead + width + trail, height});
}

void InputScrollView::setInputType(int type) {
  setApertureAndCloseFocus();
  scrollBarType_ = type;
  if (type == 2) {
    redrawScrollBarWithAnimation(2);
  } else if (type == 1) {
    redrawScrollBarWithAnimation(1);
  } else if (type == 0) {
    makeFocalLength();
  }
  const double half = contentView_->frame().size.width / 2;
  scrollBarLeadingConstraint_.setConstant(half);
  scrollBarTrailingConstraint_.setConstant(half);
  setNeedsLayout();
  layoutIfNeeded();
  // One background gradient per bar, brought up to date (a rebuild used to stack another each time).
  gradient_->setFrame(contentView_->bounds());
  gradient_->setColors({kit::UIConstants::gradientColorTop(), kit::UIConstants::gradientColorBottom()});
}

void InputScrollView::setFLIndex(int index) {
  currentFLIndex_ = index;
  setApertureAndCloseFocus();
}

bool InputScrollView::isPrimePackage() const {
  return mCameraPackage && mCameraPackage->lensManufacturer && mCameraPackage->lensManufacturer->isPrimeLens();
}

bool InputScrollView::isZoomPackage() const {
  return mCameraPackage && mCameraPackage->lensManufacturer && mCameraPackage->lensManufacturer->isZoomLens();
}

void InputScrollView::setApertureAndCloseFocus() { currentLens_.take(isZoomPackage(), lensSet, currentFLIndex_); }

void InputScrollView::setTitle(const char* key) {
  titleLabel_->setTextColor(kit::UIConstants::lowContrastText());
  titleLabel_->setFont(kit::UIConstants::heavyFontWithSize(9));
  titleLabel_->setText(platform::ui::LocalizedStrings::localizedString(key));
}

float InputScrollView::nonLinearToLinearCurve(float y, float width) {
  return static_cast<float>(std::sqrt(static_cast<double>(y)) * std::sqrt(static_cast<double>(width)));
}

float InputScrollView::zoomPercentage() const {
  const double width = scrollBarWidthConstraint_.constant();
  const double percent = position() / width * 100;
  if (!(percent > 0)) return 0;  // NaN (a scale without length) reads as the start
  return static_cast<float>(percent > 100 ? 100 : percent);
}

// --- the scales ---
void InputScrollView::makeFocalLength() {
  setTitle("FOCAL LENGTH");
  const bool prime = isPrimePackage();
  if (prime) {
    focalLength_.takePrimes(lensSet);
  } else if (isZoomPackage()) {
    const auto zoom = mCameraPackage->getFreeZoomLens();
    const float minFl = zoom ? static_cast<float>(zoom->minFl) : 0, maxFl = zoom ? static_cast<float>(zoom->maxFl) : 0;
    focalLength_.takeZoom(minFl, maxFl);
  }
  scrollBarWidthConstraint_.setConstant(focalLength_.measure(optics()));
  layOutScale();
  focalLength_.setLength(barWidth());
  // Labels kept from the last build have been through the overlap pass already.
  if (labels_.show(*scrollBar_, focalLength_.marks(prime), true)) ScaleLabels::overlapPass(*scrollBar_);
}

void InputScrollView::makeAperture() {
  setTitle("APERTURE");
  scrollBarWidthConstraint_.setConstant(scale::kApertureWidth);
  layOutScale();
  const float step = static_cast<float>(apertureStep());
  const auto marks = aperture_.build(currentLens_.aperture(), currentLens_.apertureClosed(), step);
  if (labels_.show(*scrollBar_, marks, false)) labels_.fadeInShown();
}

void InputScrollView::makeDistance() {
  setTitle("DISTANCE");
  scrollBarWidthConstraint_.setConstant(scale::kDistanceWidth);
  layOutScale();
  const bool imperial = state::FramesObject::getSingleton()->settings.measurementSystem != 0;
  if (labels_.show(*scrollBar_, distance_.build(currentLens_.closeFocus(), imperial, barWidth()), false)) {
    labels_.fadeInShown();
  }
}

void InputScrollView::redrawScrollBarWithAnimation(int type) {
  if (type == 1) {
    makeAperture();
  } else if (type == 2) {
    makeDistance();
  } else {
    return;
  }
  labels_.crossFade(contentView_);
}

// --- behaviour ---

bool InputScrollView::snapOn() const { return settings().snap; }

// --- scroll events ---

void InputScrollView::scrollUpdateFocalLength() {
  const float x = static_cast<float>(position());
  float focalLength = focalLengthAt(x);
  ticks_.atFocalLength(x, focalLength_);
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
  ticks_.atAperture(tr, aperture_);
  if (auto delegate = delegate_.lock()) delegate->updateAperture(fNumber, secondCamera_, scrollingProgrammatically);
}

void InputScrollView::scrollUpdateDistance() {
  const double x = position();
  if (distance_.distanceArray().empty()) return;
  const double k = distanceRatio();
  const double meters = distanceAt(x);
  debugLine("DISTANCE VALUE: %f", meters);
  ticks_.atDistance(x, k, distance_);
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
  const bool onScale = scaleHolds(focalLength_.focalLengthArray(), focalLength);
  moveProgrammatically(positionForFocalLength(focalLength), onScale, withAnimation, true);
}

void InputScrollView::setAperture(float fNumber, bool withAnimation) {
  const bool onScale = scaleHolds(aperture_.apertureArray(), fNumber);
  moveProgrammatically(positionForAperture(fNumber), onScale, withAnimation, true);
}

void InputScrollView::setDistance(float meters, bool withAnimation) {
  const bool onScale = scaleHolds(distance_.distanceArray(), meters);
  moveProgrammatically(positionForDistance(meters), onScale, withAnimation, false);
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

