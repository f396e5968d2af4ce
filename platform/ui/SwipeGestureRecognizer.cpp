#include "platform/ui/SwipeGestureRecognizer.h"

#include <cmath>

namespace platform::ui {

void SwipeGestureRecognizer::touchesBegan(const Touches& touches, const Event& event) {
  if (numberOfTouches() > 1) {
    setState(State::Failed);
    return;
  }
  start_ = touches.front()->locationInWindow();
  startTime_ = event.timestamp();
}

void SwipeGestureRecognizer::touchesMoved(const Touches& touches, const Event& event) {
  if (event.timestamp() - startTime_ > kMaximumDuration) {
    setState(State::Failed);
    return;
  }
  Point p = touches.front()->locationInWindow();
  double dx = p.x - start_.x;
  double dy = p.y - start_.y;
  bool horizontal = std::fabs(dx) >= std::fabs(dy);
  double along = horizontal ? std::fabs(dx) : std::fabs(dy);
  double across = horizontal ? std::fabs(dy) : std::fabs(dx);
  // Mostly straight: no more than about 30 degrees off the axis once it has gone some way.
  if (along > 15 && across > along * 0.58) {
    setState(State::Failed);
    return;
  }
  if (along < kMinimumDistance) return;
  std::uint32_t went = horizontal ? (dx > 0 ? SwipeDirectionRight : SwipeDirectionLeft)
                                  : (dy > 0 ? SwipeDirectionDown : SwipeDirectionUp);
  setState(direction_ & went ? State::Recognized : State::Failed);
}

void SwipeGestureRecognizer::touchesEnded(const Touches&, const Event&) {
  if (state() == State::Possible) setState(State::Failed);
}

}  // namespace platform::ui
