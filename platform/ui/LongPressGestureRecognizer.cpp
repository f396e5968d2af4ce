#include "platform/ui/LongPressGestureRecognizer.h"

#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"

namespace platform::ui {

LongPressGestureRecognizer::LongPressGestureRecognizer() = default;

LongPressGestureRecognizer::~LongPressGestureRecognizer() { stopTimer(); }

void LongPressGestureRecognizer::touchesBegan(const Touches& touches, const Event&) {
  if (numberOfTouches() > 1) {
    setState(State::Failed);
    return;
  }
  start_ = touches.front()->locationInWindow();
  std::weak_ptr<GestureRecognizer> weak = weak_from_this();
  timer_ = dispatch::Timer::scheduled(duration_, false, dispatch::Queue::main(), [weak] {
    auto self = weak.lock();
    if (self && self->state() == State::Possible && self->numberOfTouches() > 0) {
      static_cast<LongPressGestureRecognizer*>(self.get())->setState(State::Began);
    }
  });
}

void LongPressGestureRecognizer::touchesMoved(const Touches& touches, const Event&) {
  if (state() == State::Possible) {
    Point p = touches.front()->locationInWindow();
    if (std::hypot(p.x - start_.x, p.y - start_.y) > movement_) setState(State::Failed);
    return;
  }
  setState(State::Changed);
}

void LongPressGestureRecognizer::touchesEnded(const Touches&, const Event&) {
  setState(state() == State::Possible ? State::Failed : State::Ended);
}

void LongPressGestureRecognizer::reset() { stopTimer(); }

void LongPressGestureRecognizer::stopTimer() {
  if (!timer_) return;
  timer_->invalidate();
  timer_.reset();
}

}  // namespace platform::ui
