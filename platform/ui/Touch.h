#pragma once

#include <memory>
#include <vector>

#include "platform/graphics/Geometry.h"

namespace platform::ui {

using graphics::Point;

class GestureRecognizer;
class View;
class Window;

enum class TouchPhase { Began, Moved, Stationary, Ended, Cancelled };

// One finger on the screen, from the moment it comes down until it lifts. The same object stands for
// the finger in every event of its life, so views and recognisers may keep it to compare. Times are
// the current Clock's monotonic seconds.
class Touch {
 public:
  // How far a finger may stray from where it came down and still make a tap, as on a phone: past it
  // the touch is a drag or a swipe, and a lift chooses nothing (a pan begins at the same distance).
  static constexpr double kTapSlop = 10;

  Touch(Window* window, int finger, Point location, double timestamp, int tapCount);

  TouchPhase phase() const { return phase_; }
  double timestamp() const { return timestamp_; }
  // How many taps in quick succession at about this place this touch completes (1 for a single tap).
  int tapCount() const { return tapCount_; }
  // The finger has stayed within kTapSlop of where it came down, so far: lifted now, it taps. Once it
  // strayed further it never taps again, even back at its start.
  bool isTap() const { return isTap_; }
  int finger() const { return finger_; }
  Window* window() const { return window_; }
  // The view hit when the finger came down; null once that view is gone.
  View* view() const { return view_.lock().get(); }
  Point locationInWindow() const { return location_; }
  Point previousLocationInWindow() const { return previous_; }
  // The location in `view`'s space; a null view means the window's space.
  Point locationInView(const View* view) const;
  Point previousLocationInView(const View* view) const;
  // The recognisers that see this touch, deepest view first.
  const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }

 private:
  friend class TouchDispatcher;
  friend class GestureRecognizer;

  Window* window_;  // non-owning: the window that dispatches this touch outlives it
  int finger_;
  TouchPhase phase_ = TouchPhase::Began;
  void moveTo(Point location);

  Point start_;
  Point location_;
  Point previous_;
  double timestamp_;
  int tapCount_;
  bool isTap_ = true;
  std::weak_ptr<View> view_;
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
  bool viewCancelled_ = false;  // a recogniser took the touch: the view saw touchesCancelled
};

using Touches = std::vector<std::shared_ptr<Touch>>;

// The touches that changed together at one moment, with every touch currently on the screen.
class Event {
 public:
  Event(double timestamp, Touches all) : timestamp_(timestamp), all_(std::move(all)) {}

  double timestamp() const { return timestamp_; }
  const Touches& allTouches() const { return all_; }
  // Touches that came down on `view` or one of its subviews.
  Touches touchesForView(const View* view) const;
  Touches touchesForGestureRecognizer(const GestureRecognizer* recognizer) const;

 private:
  double timestamp_;
  Touches all_;
};

}  // namespace platform::ui
