#include "platform/ui/TapGestureRecognizer.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"

namespace platform::ui {

namespace {

bool allTaps(const Touches& touches) {
  return std::all_of(touches.begin(), touches.end(), [](const auto& touch) { return touch->isTap(); });
}

}  // namespace

TapGestureRecognizer::TapGestureRecognizer() = default;

TapGestureRecognizer::~TapGestureRecognizer() { stopWaiting(); }

void TapGestureRecognizer::touchesBegan(const Touches& touches, const Event&) {
  stopWaiting();
  if (taps_ == 0 && fingersThisTap_ == 0) firstLocation_ = touches.front()->locationInWindow();
  // A later tap of a multiple tap must land near the first.
  Point p = touches.front()->locationInWindow();
  if (std::hypot(p.x - firstLocation_.x, p.y - firstLocation_.y) > kMultiTapDistance) {
    setState(State::Failed);
    return;
  }
  fingersThisTap_ = std::max(fingersThisTap_, numberOfTouches());
  if (fingersThisTap_ > static_cast<size_t>(touchesRequired_)) setState(State::Failed);
}

void TapGestureRecognizer::touchesMoved(const Touches& touches, const Event&) {
  if (!allTaps(touches)) setState(State::Failed);
}

void TapGestureRecognizer::touchesEnded(const Touches& touches, const Event&) {
  if (!allTaps(touches)) {
    setState(State::Failed);
    return;
  }
  if (touches.size() < numberOfTouches()) return;  // fingers are still down
  if (fingersThisTap_ != static_cast<size_t>(touchesRequired_)) {
    setState(State::Failed);
    return;
  }
  fingersThisTap_ = 0;
  if (++taps_ >= tapsRequired_) {
    setState(State::Recognized);
    return;
  }
  waitForNextTap();
}

void TapGestureRecognizer::waitForNextTap() {
  std::weak_ptr<GestureRecognizer> weak = weak_from_this();
  wait_ = dispatch::Timer::scheduled(kTapInterval, false, dispatch::Queue::main(), [weak] {
    auto self = std::static_pointer_cast<TapGestureRecognizer>(weak.lock());
    if (!self || self->state() != State::Possible) return;
    self->setState(State::Failed);
    self->resetIfFinished();
  });
}

void TapGestureRecognizer::stopWaiting() {
  if (!wait_) return;
  wait_->invalidate();
  wait_.reset();
}

void TapGestureRecognizer::reset() {
  stopWaiting();
  taps_ = 0;
  fingersThisTap_ = 0;
}

}  // namespace platform::ui
