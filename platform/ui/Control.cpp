#include "platform/ui/Control.h"

#include "platform/ui/TapGestureRecognizer.h"

namespace platform::ui {

Control::Control(const Rect& frame) : View(frame) {}

void Control::addTarget(const void* target, const std::string& action, ControlEvent events, Handler handler) {
  actions_.add(target, action, static_cast<std::uint64_t>(events), std::move(handler));
}

void Control::removeTarget(const void* target, ControlEvent events) {
  actions_.remove(target, nullptr, static_cast<std::uint64_t>(events));
}

void Control::sendActionsForControlEvents(ControlEvent events) {
  auto keep = weak_from_this().lock();
  for (std::uint64_t bit = 1; bit && bit <= static_cast<std::uint64_t>(events); bit <<= 1) {
    if (!(static_cast<std::uint64_t>(events) & bit)) continue;
    for (const auto& handler : actions_.handlersFor(bit)) handler(*this);
  }
}

void Control::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled) highlighted_ = false;
  stateDidChange();
  setNeedsDisplay();
}

void Control::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  stateDidChange();
  setNeedsDisplay();
}

void Control::setHighlighted(bool highlighted) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  stateDidChange();
  setNeedsDisplay();
}

ControlState Control::state() const {
  ControlState s = ControlState::Normal;
  if (highlighted_) s = s | ControlState::Highlighted;
  if (!enabled_) s = s | ControlState::Disabled;
  if (selected_) s = s | ControlState::Selected;
  return s;
}

bool Control::tracked(const Touches& touches) const {
  auto mine = touch_.lock();
  if (!mine) return false;
  for (const auto& t : touches) {
    if (t == mine) return true;
  }
  return false;
}

bool Control::inside(const Touch& touch) const {
  Point p = touch.locationInView(this);
  return bounds().insetBy(-kTouchMargin, -kTouchMargin).contains(p);
}

void Control::touchesBegan(const Touches& touches, const Event* event) {
  if (!enabled_ || tracking_ || touches.empty()) return;
  auto keep = weak_from_this().lock();
  const auto& touch = touches.front();
  touch_ = touch;
  tracking_ = true;
  touchInside_ = true;
  setHighlighted(true);
  followTracking_ = beginTracking(*touch, event);
  ControlEvent events = ControlEvent::TouchDown;
  if (touch->tapCount() > 1) events = events | ControlEvent::TouchDownRepeat;
  sendActionsForControlEvents(events);
}

void Control::touchesMoved(const Touches& touches, const Event* event) {
  if (!tracking_ || !tracked(touches)) return;
  auto keep = weak_from_this().lock();
  auto touch = touch_.lock();
  bool now = inside(*touch);
  bool was = touchInside_;
  touchInside_ = now;
  setHighlighted(now && touch->isTap());
  if (followTracking_) followTracking_ = continueTracking(*touch, event);
  ControlEvent events = now ? ControlEvent::TouchDragInside : ControlEvent::TouchDragOutside;
  if (now != was) events = events | (now ? ControlEvent::TouchDragEnter : ControlEvent::TouchDragExit);
  sendActionsForControlEvents(events);
}

void Control::touchesEnded(const Touches& touches, const Event* event) {
  if (!tracking_ || !tracked(touches)) return;
  auto keep = weak_from_this().lock();
  auto touch = touch_.lock();
  bool in = inside(*touch);
  tracking_ = false;
  touchInside_ = in;
  touch_.reset();
  setHighlighted(false);
  if (followTracking_) endTracking(*touch, event);
  followTracking_ = false;
  sendActionsForControlEvents(tapsInside(*touch) ? eventsForTouchUpInside() : ControlEvent::TouchUpOutside);
}

void Control::touchesCancelled(const Touches& touches, const Event* event) {
  if (!tracking_ || !tracked(touches)) return;
  auto keep = weak_from_this().lock();
  tracking_ = false;
  touchInside_ = false;
  touch_.reset();
  setHighlighted(false);
  if (followTracking_) cancelTracking(event);
  followTracking_ = false;
  sendActionsForControlEvents(ControlEvent::TouchCancel);
}

bool Control::allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const {
  if (recognizer.view() == this) return true;
  auto* tap = dynamic_cast<const TapGestureRecognizer*>(&recognizer);
  return !(tap && tap->numberOfTapsRequired() == 1 && tap->numberOfTouchesRequired() == 1);
}

}  // namespace platform::ui
