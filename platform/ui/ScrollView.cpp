#include "platform/ui/ScrollView.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/foundation/Clock.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Path.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {

double clockNow() { return foundation::Clock::current()->monotonic(); }

double easeInOut(double t) { return t < 0.5 ? 2 * t * t : 1 - std::pow(-2 * t + 2, 2) / 2; }

struct Axis {
  double visible;     // length of the bounds along the axis
  double offset;      // where the bounds start along it
  double minOffset;
  double maxOffset;
  double insetStart;  // indicator insets at either end
  double insetEnd;
};

// Start and length of the bar along its axis, in bounds space; nullopt when the content cannot move.
std::optional<std::pair<double, double>> knob(const Axis& a) {
  double range = a.maxOffset - a.minOffset;
  if (range <= 0) return std::nullopt;
  double track = a.visible - a.insetStart - a.insetEnd - 2 * ScrollView::kIndicatorMargin;
  if (track <= 0) return std::nullopt;
  double length = std::clamp(track * a.visible / (a.visible + range), std::min(ScrollView::kIndicatorMinimumLength, track),
                             track);
  double fraction = std::clamp((a.offset - a.minOffset) / range, 0.0, 1.0);
  return std::pair{a.offset + a.insetStart + ScrollView::kIndicatorMargin + fraction * (track - length), length};
}

}  // namespace

// The scroll view's own drag recogniser: it also sees the finger come down and lift, which stop a
// coast whatever view the finger landed on.
class ScrollView::Pan : public PanGestureRecognizer {
 public:
  explicit Pan(ScrollView& owner) : owner_(owner) {}

 protected:
  void touchesBegan(const Touches& touches, const Event& event) override {
    PanGestureRecognizer::touchesBegan(touches, event);
    if (view()) owner_.fingerDown();
  }
  // Every touch sequence finishes the recogniser (ended, failed or lost to another), so this is
  // where the finger is known to be gone.
  void reset() override {
    PanGestureRecognizer::reset();
    if (view() && owner_.tracking_) owner_.fingerLifted(false);
  }

 private:
  ScrollView& owner_;  // the owner holds this recogniser, and the recogniser stops acting once detached
};

ScrollView::ScrollView(const Rect& frame) : View(frame) {
  setClipsToBounds(true);
  pan_ = std::make_shared<Pan>(*this);
  pan_->addTarget(this, "scroll", [this](GestureRecognizer&) { handlePan(); });
  addGestureRecognizer(pan_);
}

ScrollView::~ScrollView() {
  stopTimer();
  if (indicatorTimer_) indicatorTimer_->invalidate();
  if (wheelTimer_) wheelTimer_->invalidate();
}

Point ScrollView::minimumContentOffset() const { return {-contentInset_.left, -contentInset_.top}; }

Point ScrollView::maximumContentOffset() const {
  Point min = minimumContentOffset();
  Size visible = bounds().size;
  return {std::max(min.x, contentSize_.width + contentInset_.right - visible.width),
          std::max(min.y, contentSize_.height + contentInset_.bottom - visible.height)};
}

Point ScrollView::clamped(Point offset) const {
  Point min = minimumContentOffset();
  Point max = maximumContentOffset();
  return {std::clamp(offset.x, min.x, max.x), std::clamp(offset.y, min.y, max.y)};
}

bool ScrollView::applyOffset(Point offset) {
  offset = clamped(offset);
  if (offset == contentOffset()) return false;
  setBounds({offset, bounds().size});
  contentOffsetDidChange();
  if (auto d = delegate_.lock()) d->scrollViewDidScroll(*this);
  return true;
}

void ScrollView::setContentOffset(Point offset, bool animated) {
  stopDeceleration();
  stopAnimation();
  if (!animated) {
    applyOffset(offset);
    return;
  }
  animationTo_ = clamped(offset);
  if (animationTo_ == contentOffset()) return;
  animationFrom_ = contentOffset();
  animationStart_ = clockNow();
  animating_ = true;
  scheduleSteps(&ScrollView::animationStep);
}

void ScrollView::setContentSize(Size size) {
  contentSize_ = size;
  if (!dragging_) applyOffset(contentOffset());
}

void ScrollView::setContentInset(const EdgeInsets& insets) {
  contentInset_ = insets;
  if (!dragging_) applyOffset(contentOffset());
}

void ScrollView::setScrollEnabled(bool enabled) {
  scrollEnabled_ = enabled;
  if (!enabled) {
    endWheelBurst();
    stopDeceleration();
    stopAnimation();
  }
  pan_->setEnabled(enabled);
}

// A wheel has no touch-down or lift to bracket its steps, yet a delegate finishes its work at the end
// of a drag (snapping to a mark, taking the value under a marker): so a burst of steps is a drag that
// ends once the wheel rests. A step that would move nothing is no step, and leaves a coast running.
bool ScrollView::scrollByWheel(double dx, double dy) {
  if (!scrollEnabled_ || dragging_) return false;
  const Point before = contentOffset();
  if (clamped({before.x + dx, before.y + dy}) == before) return false;
  auto keep = shared_from_this();
  stopDeceleration();
  stopAnimation();
  armWheelQuiet();
  if (!wheeling_) {
    wheeling_ = true;
    if (auto d = delegate_.lock()) d->scrollViewWillBeginDragging(*this);
  }
  if (wheeling_) {  // else the delegate ended it
    Point at = contentOffset();
    applyOffset({at.x + dx, at.y + dy});
  }
  return contentOffset() != before;
}

// Armed before the delegate hears of the step: a delegate that waits on a manual clock for the burst's
// end must find its timer already set.
void ScrollView::armWheelQuiet() {
  if (wheelTimer_) wheelTimer_->invalidate();
  std::weak_ptr<View> weak = weak_from_this();
  wheelTimer_ = dispatch::Timer::scheduled(kWheelQuietInterval, false, dispatch::Queue::main(), [weak] {
    if (auto self = std::static_pointer_cast<ScrollView>(weak.lock())) self->endWheelBurst();
  });
}

void ScrollView::endWheelBurst() {
  if (!wheeling_) return;
  wheeling_ = false;
  if (wheelTimer_) wheelTimer_->invalidate();
  wheelTimer_.reset();
  lingerIndicators();
  if (auto d = delegate_.lock()) d->scrollViewDidEndDragging(*this, false);
}

View* ScrollView::hitTest(Point p, const Event* event) {
  View* hit = View::hitTest(p, event);
  return hit && decelerating_ ? this : hit;
}

bool ScrollView::allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const {
  if (&recognizer != pan_.get()) return true;
  // A drag across the only way the content cannot move is left to others (a row's swipe, a page
  // swipe on a screen around a vertical list).
  Point t = pan_->translationInView(this);
  Point min = minimumContentOffset();
  Point max = maximumContentOffset();
  bool canX = max.x > min.x;
  bool canY = max.y > min.y;
  if (!canX && !canY) return false;
  if (!canX && std::fabs(t.x) > std::fabs(t.y)) return false;
  if (!canY && std::fabs(t.y) > std::fabs(t.x)) return false;
  return true;
}

void ScrollView::fingerDown() {
  // The burst ends before the finger's own drag can begin, so the delegate never sees two at once.
  endWheelBurst();
  tracking_ = true;
  stoppedByTouch_ = decelerating_;
  stopDeceleration();
  stopAnimation();
}

void ScrollView::fingerLifted(bool) {
  tracking_ = false;
  // A finger that only stopped a coast ends it when it lifts.
  if (stoppedByTouch_ && !dragging_) {
    stoppedByTouch_ = false;
    if (auto d = delegate_.lock()) d->scrollViewDidEndDecelerating(*this);
  }
  stoppedByTouch_ = false;
}

void ScrollView::handlePan() {
  Point t = pan_->translationInView(this);
  switch (pan_->state()) {
    case GestureRecognizerState::Began:
      endWheelBurst();  // turned under a finger that rested; the finger's drag takes over
      dragging_ = true;
      stoppedByTouch_ = false;
      dragStartOffset_ = contentOffset();
      dragStartTranslation_ = {};
      // The content follows the finger from the moment it left the hysteresis circle, so a quick
      // first move is not lost and a slow one does not jump.
      if (double length = std::hypot(t.x, t.y); length > 0) {
        double k = std::min(1.0, PanGestureRecognizer::kHysteresis / length);
        dragStartTranslation_ = {t.x * k, t.y * k};
      }
      if (auto d = delegate_.lock()) d->scrollViewWillBeginDragging(*this);
      if (!dragging_) break;
      [[fallthrough]];
    case GestureRecognizerState::Changed:
      applyOffset({dragStartOffset_.x - (t.x - dragStartTranslation_.x),
                   dragStartOffset_.y - (t.y - dragStartTranslation_.y)});
      break;
    case GestureRecognizerState::Ended: {
      dragging_ = false;
      lingerIndicators();
      Point v = pan_->velocityInView(this);
      startDeceleration({-v.x, -v.y});
      break;
    }
    case GestureRecognizerState::Cancelled:
      dragging_ = false;
      lingerIndicators();
      if (auto d = delegate_.lock()) d->scrollViewDidEndDragging(*this, false);
      break;
    default:
      break;
  }
}

void ScrollView::startDeceleration(Point velocity) {
  // Speed towards an edge the content already touches is lost, not stored.
  Point at = contentOffset();
  Point min = minimumContentOffset();
  Point max = maximumContentOffset();
  if ((velocity.x < 0 && at.x <= min.x) || (velocity.x > 0 && at.x >= max.x)) velocity.x = 0;
  if ((velocity.y < 0 && at.y <= min.y) || (velocity.y > 0 && at.y >= max.y)) velocity.y = 0;
  bool coast = std::hypot(velocity.x, velocity.y) > kMinimumFlingSpeed;
  if (auto d = delegate_.lock()) d->scrollViewDidEndDragging(*this, coast);
  if (!coast || dragging_ || decelerating_) return;  // the delegate may have moved or grabbed it
  velocity_ = velocity;
  decelerating_ = true;
  lastStep_ = clockNow();
  if (auto d = delegate_.lock()) d->scrollViewWillBeginDecelerating(*this);
  if (decelerating_) scheduleSteps(&ScrollView::decelerationStep);
}

void ScrollView::decelerationStep() {
  if (!decelerating_) return;
  auto keep = shared_from_this();
  double now = clockNow();
  double dt = std::max(0.0, now - lastStep_);
  lastStep_ = now;
  Point at = contentOffset();
  Point next = clamped({at.x + velocity_.x * dt, at.y + velocity_.y * dt});
  // Meeting an edge takes the speed along that axis.
  if (next.x != at.x + velocity_.x * dt) velocity_.x = 0;
  if (next.y != at.y + velocity_.y * dt) velocity_.y = 0;
  double keepFactor = std::pow(kDecelerationRate, dt * 1000);
  velocity_ = {velocity_.x * keepFactor, velocity_.y * keepFactor};
  applyOffset(next);
  if (!decelerating_) return;  // the delegate stopped it
  if (std::hypot(velocity_.x, velocity_.y) < kStopSpeed) {
    stopDeceleration();
    if (auto d = delegate_.lock()) d->scrollViewDidEndDecelerating(*this);
  }
}

void ScrollView::stopDeceleration() {
  if (!decelerating_) return;
  decelerating_ = false;
  velocity_ = {};
  stopTimer();
  lingerIndicators();
}

void ScrollView::animationStep() {
  if (!animating_) return;
  auto keep = shared_from_this();
  double t = std::clamp((clockNow() - animationStart_) / kAnimationDuration, 0.0, 1.0);
  double k = easeInOut(t);
  Point p{animationFrom_.x + (animationTo_.x - animationFrom_.x) * k,
          animationFrom_.y + (animationTo_.y - animationFrom_.y) * k};
  applyOffset(t >= 1 ? animationTo_ : p);
  if (t < 1 || !animating_) return;
  stopAnimation();
  if (auto d = delegate_.lock()) d->scrollViewDidEndScrollingAnimation(*this);
}

void ScrollView::stopAnimation() {
  if (!animating_) return;
  animating_ = false;
  stopTimer();
  lingerIndicators();
}

void ScrollView::scheduleSteps(void (ScrollView::*step)()) {
  stopTimer();
  std::weak_ptr<View> weak = weak_from_this();
  timer_ = dispatch::Timer::scheduled(kStepInterval, true, dispatch::Queue::main(), [weak, step] {
    if (auto self = std::static_pointer_cast<ScrollView>(weak.lock())) (self.get()->*step)();
  });
}

void ScrollView::stopTimer() {
  if (!timer_) return;
  timer_->invalidate();
  timer_.reset();
}

// --- indicators ---

bool ScrollView::areScrollIndicatorsVisible() const { return scrollIndicatorAlpha() > 0; }

double ScrollView::scrollIndicatorAlpha() const {
  if (isDragging() || decelerating_ || animating_) return 1;
  double left = indicatorsUntil_ - foundation::Clock::current()->monotonic();
  if (!(left > 0)) return 0;
  return std::min(1.0, left / kIndicatorFade);
}

Rect ScrollView::verticalScrollIndicatorFrame() const {
  Rect b = bounds();
  if (!showsVertical_) return {};
  // Room is left at the bottom for the other bar when both can show.
  bool other = showsHorizontal_ && maximumContentOffset().x > minimumContentOffset().x;
  auto k = knob({b.height(), b.minY(), minimumContentOffset().y, maximumContentOffset().y, indicatorInsets_.top,
                 indicatorInsets_.bottom + (other ? kIndicatorThickness + kIndicatorMargin : 0)});
  if (!k) return {};
  return {b.maxX() - indicatorInsets_.right - kIndicatorMargin - kIndicatorThickness, k->first, kIndicatorThickness,
          k->second};
}

Rect ScrollView::horizontalScrollIndicatorFrame() const {
  Rect b = bounds();
  if (!showsHorizontal_) return {};
  bool other = showsVertical_ && maximumContentOffset().y > minimumContentOffset().y;
  auto k = knob({b.width(), b.minX(), minimumContentOffset().x, maximumContentOffset().x, indicatorInsets_.left,
                 indicatorInsets_.right + (other ? kIndicatorThickness + kIndicatorMargin : 0)});
  if (!k) return {};
  return {k->first, b.maxY() - indicatorInsets_.bottom - kIndicatorMargin - kIndicatorThickness, k->second,
          kIndicatorThickness};
}

void ScrollView::drawLayerOverlay(Layer&, Context& context) {
  double alpha = scrollIndicatorAlpha();
  if (!(alpha > 0)) return;
  // Dark bars on a light screen, light ones on a dark screen, translucent over any content.
  Window* w = window();
  bool dark = w && w->userInterfaceStyle() == UserInterfaceStyle::Dark;
  Color bar = dark ? Color(1, 1, 1, 0.35 * alpha) : Color(0, 0, 0, 0.35 * alpha);
  for (const Rect& r : {verticalScrollIndicatorFrame(), horizontalScrollIndicatorFrame()}) {
    if (r.isEmpty()) continue;
    context.saveGState();
    context.setFillColor(bar);
    context.fillPath(graphics::Path::roundedRect(r, kIndicatorThickness / 2));
    context.restoreGState();
  }
}

void ScrollView::lingerIndicators() {
  indicatorsUntil_ = foundation::Clock::current()->monotonic() + kIndicatorLinger;
  if (indicatorTimer_) indicatorTimer_->invalidate();
  // Nothing to do when it fires; while it is pending a window keeps drawing frames, so the fade is
  // seen, and the frame after it has the bars gone.
  indicatorTimer_ = dispatch::Timer::scheduled(kIndicatorLinger, false, dispatch::Queue::main(), [] {});
}

}  // namespace platform::ui
