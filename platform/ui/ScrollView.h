#pragma once

#include <limits>
#include <memory>

#include "platform/ui/DelegateRef.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/View.h"

namespace platform::dispatch {
class Timer;
}

namespace platform::ui {

class ScrollView;

// All optional. The order of a drag: willBeginDragging, didScroll on every move that moved the
// content, didEndDragging (will decelerate when the finger left fast enough), and after a fling
// willBeginDecelerating, didScroll on every step and didEndDecelerating. A burst of wheel steps is
// told as a short drag that never coasts: willBeginDragging at its first step, didScroll at each,
// didEndDragging once the wheel has been still for kWheelQuietInterval, or at once when a finger
// comes down on the content.
class ScrollViewDelegate {
 public:
  virtual ~ScrollViewDelegate() = default;
  virtual void scrollViewDidScroll(ScrollView&) {}
  virtual void scrollViewWillBeginDragging(ScrollView&) {}
  virtual void scrollViewDidEndDragging(ScrollView&, bool willDecelerate) {}
  virtual void scrollViewWillBeginDecelerating(ScrollView&) {}
  virtual void scrollViewDidEndDecelerating(ScrollView&) {}
  virtual void scrollViewDidEndScrollingAnimation(ScrollView&) {}
};

// A view whose content is larger than itself. Scrolling moves bounds.origin (the content offset), always
// within the content size and insets: the content never bounces past its edges. Deceleration and
// animated offsets step on timers of the current Clock.
class ScrollView : public View {
 public:
  // The fraction of speed kept per millisecond while decelerating.
  static constexpr double kDecelerationRate = 0.998;
  // Slower than this (points per second) a released drag does not coast, and a coast stops.
  static constexpr double kMinimumFlingSpeed = 50;
  static constexpr double kStopSpeed = 10;
  static constexpr double kStepInterval = 1.0 / 60;
  static constexpr double kAnimationDuration = 0.3;

  ~ScrollView() override;

  Point contentOffset() const { return bounds().origin; }
  // Clamped into range. Tells the delegate at once, only when the offset changed. Stops a coast or
  // an animated scroll either way.
  void setContentOffset(Point offset, bool animated = false);
  Size contentSize() const { return contentSize_; }
  void setContentSize(Size size);
  EdgeInsets contentInset() const { return contentInset_; }
  void setContentInset(const EdgeInsets& insets);
  EdgeInsets scrollIndicatorInsets() const { return indicatorInsets_; }
  void setScrollIndicatorInsets(const EdgeInsets& insets) { indicatorInsets_ = insets; }
  Point minimumContentOffset() const;
  Point maximumContentOffset() const;

  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool enabled);
  // A finger is on the content.
  bool isTracking() const { return tracking_; }
  // A finger drags the content, or a wheel burst moves it.
  bool isDragging() const { return dragging_ || wheeling_; }
  bool isDecelerating() const { return decelerating_; }

  ScrollViewDelegate* delegate() const { return delegate_.get(); }
  void setDelegate(ScrollViewDelegate* delegate) { delegate_.set(delegate); }
  void setDelegate(const std::shared_ptr<ScrollViewDelegate>& delegate) { delegate_.set(delegate); }

  PanGestureRecognizer& panGestureRecognizer() const { return *pan_; }

  // --- indicators ---
  // Thin bars along the right and bottom edges showing where the visible part lies in the content.
  // They show while a finger, the wheel, a coast or an animated scroll moves the content, and for
  // kIndicatorLinger seconds after it stops, fading out over the last kIndicatorFade of them as a
  // phone's do; an offset set without animation does not show them.
  static constexpr double kIndicatorLinger = 0.5;
  static constexpr double kIndicatorFade = 0.25;
  static constexpr double kIndicatorThickness = 3;
  static constexpr double kIndicatorMargin = 3;
  static constexpr double kIndicatorMinimumLength = 36;
  bool showsVerticalScrollIndicator() const { return showsVertical_; }
  void setShowsVerticalScrollIndicator(bool shows) { showsVertical_ = shows; }
  bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
  void setShowsHorizontalScrollIndicator(bool shows) { showsHorizontal_ = shows; }
  bool areScrollIndicatorsVisible() const;
  // 1 while the content moves, falling to 0 as the bars fade after it stops.
  double scrollIndicatorAlpha() const;
  // Where each bar lies in the view's bounds space, inside the indicator insets; empty when the
  // content cannot move along that axis or the bar is switched off.
  Rect verticalScrollIndicatorFrame() const;
  Rect horizontalScrollIndicatorFrame() const;

  // The mouse wheel: moves by (dx, dy) within range; false when nothing moved. A step that moves
  // begins a burst, or lengthens the one going on (see ScrollViewDelegate).
  static constexpr double kWheelQuietInterval = 0.3;
  bool scrollByWheel(double dx, double dy);

  // While coasting, a touch stops the content and goes to nothing inside it.
  View* hitTest(Point p, const Event* event) override;
  bool allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const override;

 protected:
  explicit ScrollView(const Rect& frame = {});
  // Called after every change of the offset, before the delegate hears of it.
  virtual void contentOffsetDidChange() {}
  // True while the touch in progress came down on a coasting view (it is not a tap on the content).
  bool touchStoppedScrolling() const { return stoppedByTouch_; }
  void drawLayerOverlay(Layer& layer, Context& context) override;

 private:
  class Pan;
  friend class Pan;

  Point clamped(Point offset) const;
  bool applyOffset(Point offset);
  void handlePan();
  void fingerDown();
  void fingerLifted(bool dragged);
  void startDeceleration(Point velocity);
  void decelerationStep();
  void stopDeceleration();
  void animationStep();
  void stopAnimation();
  void scheduleSteps(void (ScrollView::*step)());
  void stopTimer();
  void lingerIndicators();
  void armWheelQuiet();
  void endWheelBurst();

  Size contentSize_;
  EdgeInsets contentInset_;
  EdgeInsets indicatorInsets_;
  bool scrollEnabled_ = true;
  bool tracking_ = false;
  bool dragging_ = false;
  bool decelerating_ = false;
  bool animating_ = false;
  bool wheeling_ = false;
  bool stoppedByTouch_ = false;
  Point dragStartOffset_;
  Point dragStartTranslation_;
  Point velocity_;
  double lastStep_ = 0;
  Point animationFrom_;
  Point animationTo_;
  double animationStart_ = 0;
  std::shared_ptr<dispatch::Timer> timer_;
  bool showsVertical_ = true;
  bool showsHorizontal_ = true;
  double indicatorsUntil_ = -std::numeric_limits<double>::infinity();
  std::shared_ptr<dispatch::Timer> indicatorTimer_;
  std::shared_ptr<dispatch::Timer> wheelTimer_;
  std::shared_ptr<PanGestureRecognizer> pan_;
  DelegateRef<ScrollViewDelegate> delegate_;
};

}  // namespace platform::ui
