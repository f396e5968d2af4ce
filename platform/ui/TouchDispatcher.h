#pragma once

#include <map>
#include <memory>

#include "platform/ui/Touch.h"

namespace platform::ui {

// Turns finger positions into touch events for one window: hit-tests where a finger comes down,
// counts quick taps, and hands every change to the touch's recognisers first and then to its view.
// Times come from the current Clock. Fingers are told apart by number; a finger that comes down
// while it is still down first ends its old touch as cancelled.
class TouchDispatcher {
 public:
  // Taps this close in time (seconds, from the last lift) and place (points) count up.
  static constexpr double kMultiTapInterval = 0.35;
  static constexpr double kMultiTapDistance = 45;

  explicit TouchDispatcher(Window& window) : window_(window) {}

  void touchDown(Point location, int finger = 0);
  void touchMove(Point location, int finger = 0);
  void touchUp(Point location, int finger = 0);
  void touchCancel(int finger = 0);
  void cancelAll();
  // Moves the content of the innermost scroll view under `location` that can move that way by
  // (dx, dy) points; returns whether one moved.
  bool scrollWheel(Point location, double dx, double dy);

  size_t activeTouches() const { return active_.size(); }

 private:
  void began(const std::shared_ptr<Touch>& touch);
  void deliver(const std::shared_ptr<Touch>& touch, TouchPhase phase);
  int tapCountAt(Point location, double now) const;
  Event eventFor(double timestamp) const;

  Window& window_;
  std::map<int, std::shared_ptr<Touch>> active_;
  bool hasLastTap_ = false;
  Point lastTapLocation_;
  double lastTapTime_ = 0;
  int lastTapCount_ = 0;
};

}  // namespace platform::ui
