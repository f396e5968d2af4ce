#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/TargetAction.h"
#include "platform/ui/View.h"

namespace platform::ui {

// Bit flags; combine with |.
enum class ControlEvent : std::uint64_t {
  TouchDown = 1 << 0,
  TouchDownRepeat = 1 << 1,
  TouchDragInside = 1 << 2,
  TouchDragOutside = 1 << 3,
  TouchDragEnter = 1 << 4,
  TouchDragExit = 1 << 5,
  TouchUpInside = 1 << 6,
  TouchUpOutside = 1 << 7,
  TouchCancel = 1 << 8,
  ValueChanged = 1 << 12,
  PrimaryActionTriggered = 1 << 13,
  EditingDidBegin = 1 << 16,
  EditingChanged = 1 << 17,
  EditingDidEnd = 1 << 18,
  EditingDidEndOnExit = 1 << 19,
  AllTouchEvents = 0x0FFF,
  AllEditingEvents = 0xF0000,
  AllEvents = 0xFFFFFFFF,
};
constexpr ControlEvent operator|(ControlEvent a, ControlEvent b) {
  return static_cast<ControlEvent>(static_cast<std::uint64_t>(a) | static_cast<std::uint64_t>(b));
}
constexpr bool operator&(ControlEvent a, ControlEvent b) {
  return (static_cast<std::uint64_t>(a) & static_cast<std::uint64_t>(b)) != 0;
}

// Bit flags; Normal is no flag.
enum class ControlState : std::uint32_t { Normal = 0, Highlighted = 1, Disabled = 2, Selected = 4, Focused = 8 };
constexpr ControlState operator|(ControlState a, ControlState b) {
  return static_cast<ControlState>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr bool operator&(ControlState a, ControlState b) {
  return (static_cast<std::uint32_t>(a) & static_cast<std::uint32_t>(b)) != 0;
}

// A view that turns touches into events for target-action pairs: touch down, drags inside and
// outside, up inside or outside (judged with a margin around the bounds, as a finger is wide) and
// cancel. Only a tap lifts inside: a finger that strayed past the tap slop (Touch::isTap) is a swipe or
// a drag, which lifts outside wherever it ends and stops showing the control pressed once it strays.
// A disabled control takes no part in touches but still keeps them from the views behind it.
class Control : public View {
 public:
  using Handler = std::function<void(Control&)>;
  // How far outside its bounds a finger still counts as inside while tracking.
  static constexpr double kTouchMargin = 70;

  // `target` is not retained. The same target, action and event added twice is kept once.
  template <class T, class C>
  void addTarget(T* target, void (C::*action)(), ControlEvent events) {
    C* self = static_cast<C*>(target);
    addTarget(target, actionKey(action), events, [self, action](Control&) { (self->*action)(); });
  }
  template <class T, class C, class S>
  void addTarget(T* target, void (C::*action)(S&), ControlEvent events) {
    C* self = static_cast<C*>(target);
    addTarget(target, actionKey(action), events, [self, action](Control& c) {
      if (auto* sender = dynamic_cast<S*>(&c)) (self->*action)(*sender);
    });
  }
  // For handlers that are not member functions: `action` names the handler for de-duplication.
  void addTarget(const void* target, const std::string& action, ControlEvent events, Handler handler);
  template <class T, class C>
  void removeTarget(T* target, void (C::*action)(), ControlEvent events) {
    std::string key = actionKey(action);
    actions_.remove(target, &key, static_cast<std::uint64_t>(events));
  }
  // Every action of `target` (every target when null) for the events.
  void removeTarget(const void* target, ControlEvent events = ControlEvent::AllEvents);
  ControlEvent allControlEvents() const { return static_cast<ControlEvent>(actions_.allEvents()); }
  size_t numberOfActions() const { return actions_.size(); }
  // Runs the actions of the events now, in the order they were added.
  void sendActionsForControlEvents(ControlEvent events);

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool isSelected() const { return selected_; }
  void setSelected(bool selected);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted);
  ControlState state() const;
  bool isTracking() const { return tracking_; }
  bool isTouchInside() const { return touchInside_; }

  void touchesBegan(const Touches& touches, const Event* event) override;
  void touchesMoved(const Touches& touches, const Event* event) override;
  void touchesEnded(const Touches& touches, const Event* event) override;
  void touchesCancelled(const Touches& touches, const Event* event) override;
  // A single tap belongs to the control, not to a tap recogniser of a view around it.
  bool allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const override;

 protected:
  explicit Control(const Rect& frame = {});
  // Subclasses follow the touch: false from beginTracking or continueTracking stops the calls.
  virtual bool beginTracking(const Touch& touch, const Event* event) { return true; }
  virtual bool continueTracking(const Touch& touch, const Event* event) { return true; }
  virtual void endTracking(const Touch& touch, const Event* event) {}
  virtual void cancelTracking(const Event* event) {}
  // The state changed (highlighted, selected, enabled): redraw or restyle.
  virtual void stateDidChange() {}
  // Extra events sent with a lift inside, for controls whose main action that is.
  virtual ControlEvent eventsForTouchUpInside() const { return ControlEvent::TouchUpInside; }

 private:
  bool tracked(const Touches& touches) const;
  bool inside(const Touch& touch) const;
  bool tapsInside(const Touch& touch) const { return touch.isTap() && inside(touch); }

  TargetActionList<Control> actions_;
  bool enabled_ = true;
  bool selected_ = false;
  bool highlighted_ = false;
  bool tracking_ = false;
  bool touchInside_ = false;
  bool followTracking_ = false;
  std::weak_ptr<Touch> touch_;
};

}  // namespace platform::ui
