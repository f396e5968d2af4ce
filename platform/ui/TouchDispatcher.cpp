#include "platform/ui/TouchDispatcher.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Clock.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {

double monotonicNow() { return foundation::Clock::current()->monotonic(); }

}  // namespace

Event TouchDispatcher::eventFor(double timestamp) const {
  Touches all;
  for (const auto& [finger, touch] : active_) all.push_back(touch);
  return Event(timestamp, std::move(all));
}

int TouchDispatcher::tapCountAt(Point location, double now) const {
  if (!hasLastTap_) return 1;
  double distance = std::hypot(location.x - lastTapLocation_.x, location.y - lastTapLocation_.y);
  bool close = now - lastTapTime_ <= kMultiTapInterval && distance <= kMultiTapDistance;
  return close ? lastTapCount_ + 1 : 1;
}

void TouchDispatcher::touchDown(Point location, int finger) {
  if (active_.count(finger)) touchCancel(finger);
  double now = monotonicNow();
  auto touch = std::make_shared<Touch>(&window_, finger, location, now, tapCountAt(location, now));
  active_[finger] = touch;
  began(touch);
}

void TouchDispatcher::began(const std::shared_ptr<Touch>& touch) {
  View* hit = window_.hitTest(window_.convertPointFrom(touch->location_, nullptr), nullptr);
  if (hit) {
    touch->view_ = hit->weak_from_this();
    for (View* v = hit; v; v = v->superview()) {
      for (const auto& r : v->gestureRecognizers()) {
        if (r->wantsTouch(*touch)) touch->recognizers_.push_back(r);
      }
    }
  }
  deliver(touch, TouchPhase::Began);
}

void TouchDispatcher::touchMove(Point location, int finger) {
  auto it = active_.find(finger);
  if (it == active_.end()) return;
  auto touch = it->second;
  if (location == touch->location_) return;
  touch->moveTo(location);
  touch->timestamp_ = monotonicNow();
  deliver(touch, TouchPhase::Moved);
}

void TouchDispatcher::touchUp(Point location, int finger) {
  auto it = active_.find(finger);
  if (it == active_.end()) return;
  auto touch = it->second;
  touch->moveTo(location);
  touch->timestamp_ = monotonicNow();
  deliver(touch, TouchPhase::Ended);
  active_.erase(finger);
  hasLastTap_ = true;
  lastTapLocation_ = location;
  lastTapTime_ = touch->timestamp_;
  lastTapCount_ = touch->tapCount_;
}

void TouchDispatcher::touchCancel(int finger) {
  auto it = active_.find(finger);
  if (it == active_.end()) return;
  auto touch = it->second;
  touch->timestamp_ = monotonicNow();
  deliver(touch, TouchPhase::Cancelled);
  active_.erase(finger);
  hasLastTap_ = false;
}

void TouchDispatcher::cancelAll() {
  while (!active_.empty()) touchCancel(active_.begin()->first);
}

void TouchDispatcher::deliver(const std::shared_ptr<Touch>& touch, TouchPhase phase) {
  touch->phase_ = phase;
  Event event = eventFor(touch->timestamp_);
  Touches one{touch};
  // A copy: an action may add or remove recognisers.
  auto recognizers = touch->recognizers_;
  for (const auto& r : recognizers) {
    bool tracking = std::find(r->touches().begin(), r->touches().end(), touch) != r->touches().end();
    switch (phase) {
      case TouchPhase::Began: r->deliverBegan(one, event); break;
      case TouchPhase::Moved:
      case TouchPhase::Stationary: if (tracking) r->deliverMoved(one, event); break;
      case TouchPhase::Ended: if (tracking) r->deliverEnded(one, event); break;
      case TouchPhase::Cancelled: if (tracking) r->deliverCancelled(one, event); break;
    }
  }
  auto view = touch->view_.lock();
  if (view && !touch->viewCancelled_) {
    switch (phase) {
      case TouchPhase::Began: view->touchesBegan(one, &event); break;
      case TouchPhase::Moved:
      case TouchPhase::Stationary: view->touchesMoved(one, &event); break;
      case TouchPhase::Ended: view->touchesEnded(one, &event); break;
      case TouchPhase::Cancelled: view->touchesCancelled(one, &event); break;
    }
  }
  for (const auto& r : recognizers) r->resetIfFinished();
}

bool TouchDispatcher::scrollWheel(Point location, double dx, double dy) {
  View* hit = window_.hitTest(window_.convertPointFrom(location, nullptr), nullptr);
  for (View* v = hit; v; v = v->superview()) {
    auto* scroll = dynamic_cast<ScrollView*>(v);
    if (scroll && scroll->scrollByWheel(dx, dy)) return true;
  }
  return false;
}

}  // namespace platform::ui
