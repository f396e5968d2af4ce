#include "platform/ui/GestureRecognizer.h"

#include <algorithm>

#include "platform/ui/View.h"

namespace platform::ui {

GestureRecognizer::GestureRecognizer() = default;

GestureRecognizer::~GestureRecognizer() = default;

void GestureRecognizer::addTarget(const void* target, const std::string& action, Handler handler) {
  actions_.add(target, action, 1, std::move(handler));
}

void GestureRecognizer::removeTarget(const void* target) { actions_.remove(target, nullptr, 1); }

void GestureRecognizer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) return;
  if (state_ == State::Began || state_ == State::Changed) {
    setState(State::Cancelled);
  } else if (state_ == State::Possible && !touches_.empty()) {
    state_ = State::Failed;
  }
  resetIfFinished();
  touches_.clear();
}

Point GestureRecognizer::locationInView(const View* view) const {
  Point p = lastLocation_;
  if (!touches_.empty()) {
    p = {0, 0};
    for (const auto& t : touches_) {
      p.x += t->locationInWindow().x;
      p.y += t->locationInWindow().y;
    }
    p.x /= static_cast<double>(touches_.size());
    p.y /= static_cast<double>(touches_.size());
  }
  return view ? view->convertPointFrom(p, nullptr) : p;
}

bool GestureRecognizer::wantsTouch(const Touch& touch) {
  if (!enabled_ || !view_) return false;
  auto d = delegate_.lock();
  return !d || d->gestureRecognizerShouldReceiveTouch(*this, touch);
}

void GestureRecognizer::deliverBegan(const Touches& touches, const Event& event) {
  if (isFinished() || touches.empty()) return;
  for (const auto& t : touches) {
    if (std::find(touches_.begin(), touches_.end(), t) == touches_.end()) touches_.push_back(t);
  }
  lastLocation_ = touches.back()->locationInWindow();
  touchesBegan(touches, event);
}

void GestureRecognizer::deliverMoved(const Touches& touches, const Event& event) {
  if (isFinished() || touches.empty()) return;
  lastLocation_ = touches.back()->locationInWindow();
  touchesMoved(touches, event);
}

void GestureRecognizer::deliverEnded(const Touches& touches, const Event& event) {
  if (isFinished() || touches.empty()) return;
  lastLocation_ = touches.back()->locationInWindow();
  touchesEnded(touches, event);
  removeTouches(touches);
}

void GestureRecognizer::deliverCancelled(const Touches& touches, const Event& event) {
  if (isFinished() || touches.empty()) return;
  touchesCancelled(touches, event);
  removeTouches(touches);
}

void GestureRecognizer::touchesCancelled(const Touches&, const Event&) {
  if (state_ == State::Began || state_ == State::Changed) {
    setState(State::Cancelled);
  } else if (state_ == State::Possible) {
    setState(State::Failed);
  }
}

void GestureRecognizer::removeTouches(const Touches& touches) {
  std::erase_if(touches_, [&](const auto& t) { return std::find(touches.begin(), touches.end(), t) != touches.end(); });
}

void GestureRecognizer::resetIfFinished() {
  if (!isFinished()) return;
  state_ = State::Possible;
  touches_.clear();
  reset();
}

void GestureRecognizer::failFromOutside() {
  if (state_ != State::Possible) return;
  state_ = State::Failed;
}

void GestureRecognizer::setState(State next) {
  if (isFinished() || next == state_) {
    // A continuous gesture reports every change, even to the same state.
    if (next == State::Changed && state_ == State::Changed) sendActions();
    return;
  }
  auto keep = weak_from_this().lock();
  if (state_ == State::Possible) {
    if (next == State::Failed || next == State::Cancelled || next == State::Changed) {
      state_ = State::Failed;
      return;
    }
    if (!mayTakeTouches()) {
      state_ = State::Failed;
      return;
    }
    state_ = next;
    winTouches();
    sendActions();
    return;
  }
  state_ = next;
  if (next != State::Failed) sendActions();
}

bool GestureRecognizer::canWorkAlongside(GestureRecognizer& other) {
  auto mine = delegate_.lock();
  if (mine && mine->gestureRecognizerShouldRecognizeSimultaneouslyWith(*this, other)) return true;
  auto theirs = other.delegate_.lock();
  return theirs && theirs->gestureRecognizerShouldRecognizeSimultaneouslyWith(other, *this);
}

bool GestureRecognizer::mayTakeTouches() {
  if (!enabled_ || !view_) return false;
  if (auto d = delegate_.lock(); d && !d->gestureRecognizerShouldBegin(*this)) return false;
  for (const auto& touch : touches_) {
    for (View* v = touch->view(); v; v = v->superview()) {
      if (!v->allowsRecognizerToTakeTouch(*this)) return false;
      if (v == view_) break;
    }
    for (const auto& other : touch->gestureRecognizers()) {
      if (other.get() == this) continue;
      State s = other->state_;
      bool holding = s == State::Began || s == State::Changed;
      if (holding && !canWorkAlongside(*other)) return false;
    }
  }
  return true;
}

void GestureRecognizer::winTouches() {
  for (const auto& touch : Touches(touches_)) {
    for (const auto& other : std::vector(touch->gestureRecognizers())) {
      if (other.get() != this && other->state_ == State::Possible && !canWorkAlongside(*other)) other->failFromOutside();
    }
  }
  if (!cancelsTouchesInView_) return;
  for (const auto& touch : Touches(touches_)) {
    // An ending touch counts too: the view hears of it only after the recognisers.
    if (touch->viewCancelled_ || touch->phase_ == TouchPhase::Cancelled) continue;
    touch->viewCancelled_ = true;
    auto view = touch->view_.lock();
    if (!view) continue;
    Event event(touch->timestamp_, {touch});
    view->touchesCancelled({touch}, &event);
  }
}

void GestureRecognizer::sendActions() {
  // Once its view is gone nobody is left to act on what it saw.
  if (!view_) return;
  for (const auto& handler : actions_.handlersFor(1)) handler(*this);
}

}  // namespace platform::ui
