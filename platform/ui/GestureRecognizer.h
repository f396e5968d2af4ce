#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/DelegateRef.h"
#include "platform/ui/TargetAction.h"
#include "platform/ui/Touch.h"

namespace platform::ui {

class GestureRecognizer;

// Ended and Recognized are one state: a discrete gesture (a tap) goes straight to it.
enum class GestureRecognizerState { Possible, Began, Changed, Ended, Cancelled, Failed, Recognized = Ended };

class GestureRecognizerDelegate {
 public:
  virtual ~GestureRecognizerDelegate() = default;
  // Asked as the recogniser is about to begin (or recognise, for a tap); false makes it fail.
  virtual bool gestureRecognizerShouldBegin(GestureRecognizer&) { return true; }
  // Asked as a touch comes down; false keeps that touch from the recogniser.
  virtual bool gestureRecognizerShouldReceiveTouch(GestureRecognizer&, const Touch&) { return true; }
  // True lets both recognisers work on the same touches; asked of both sides.
  virtual bool gestureRecognizerShouldRecognizeSimultaneouslyWith(GestureRecognizer&, GestureRecognizer&) {
    return false;
  }
};

// Watches the touches of a view (and of its subviews) for one gesture. The recognisers that see a
// touch compete for it: the first to begin or recognise wins, the others still possible fail, and
// unless told otherwise the winner takes the touch from the view (the view sees touchesCancelled).
// Actions are sent on every change of state after Possible.
class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
 public:
  using State = GestureRecognizerState;
  using Handler = std::function<void(GestureRecognizer&)>;

  GestureRecognizer();
  virtual ~GestureRecognizer();
  GestureRecognizer(const GestureRecognizer&) = delete;
  GestureRecognizer& operator=(const GestureRecognizer&) = delete;

  // `target` is not retained. Adding the same target and action twice keeps one.
  template <class T, class C>
  void addTarget(T* target, void (C::*action)()) {
    C* self = static_cast<C*>(target);
    addTarget(target, actionKey(action), [self, action](GestureRecognizer&) { (self->*action)(); });
  }
  template <class T, class C, class R>
  void addTarget(T* target, void (C::*action)(R&)) {
    C* self = static_cast<C*>(target);
    addTarget(target, actionKey(action), [self, action](GestureRecognizer& g) {
      if (auto* r = dynamic_cast<R*>(&g)) (self->*action)(*r);
    });
  }
  void addTarget(const void* target, const std::string& action, Handler handler);
  // A null target removes every action.
  void removeTarget(const void* target);

  State state() const { return state_; }
  View* view() const { return view_; }
  bool isEnabled() const { return enabled_; }
  // Turning a recogniser off cancels the gesture it is in.
  void setEnabled(bool enabled);
  bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
  void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }
  GestureRecognizerDelegate* delegate() const { return delegate_.get(); }
  void setDelegate(GestureRecognizerDelegate* delegate) { delegate_.set(delegate); }
  void setDelegate(const std::shared_ptr<GestureRecognizerDelegate>& delegate) { delegate_.set(delegate); }

  // The centroid of the recogniser's touches (the last one's place once they lifted), in `view`'s
  // space; a null view means the window's.
  Point locationInView(const View* view) const;
  size_t numberOfTouches() const { return touches_.size(); }
  const Touches& touches() const { return touches_; }

  // --- for the dispatcher ---
  bool wantsTouch(const Touch& touch);
  void deliverBegan(const Touches& touches, const Event& event);
  void deliverMoved(const Touches& touches, const Event& event);
  void deliverEnded(const Touches& touches, const Event& event);
  void deliverCancelled(const Touches& touches, const Event& event);
  // Puts a recogniser that finished (ended, cancelled or failed) back to Possible.
  void resetIfFinished();
  // Another recogniser won a touch this one is still possible for.
  void failFromOutside();

 protected:
  virtual void touchesBegan(const Touches& touches, const Event& event) {}
  virtual void touchesMoved(const Touches& touches, const Event& event) {}
  virtual void touchesEnded(const Touches& touches, const Event& event) {}
  virtual void touchesCancelled(const Touches& touches, const Event& event);
  // Back to a clean Possible state; subclasses drop what they tracked.
  virtual void reset() {}

  // Subclasses move the state machine. Leaving Possible for Began or Recognized asks the delegate,
  // the views under the touches and the competitors first, and may end in Failed instead.
  void setState(State state);
  bool isFinished() const { return state_ == State::Ended || state_ == State::Cancelled || state_ == State::Failed; }

 private:
  friend class View;
  void setView(View* view) { view_ = view; }
  bool mayTakeTouches();
  bool canWorkAlongside(GestureRecognizer& other);
  void winTouches();
  void sendActions();
  void removeTouches(const Touches& touches);

  View* view_ = nullptr;  // non-owning: the view holds its recognisers
  State state_ = State::Possible;
  bool enabled_ = true;
  bool cancelsTouchesInView_ = true;
  DelegateRef<GestureRecognizerDelegate> delegate_;
  TargetActionList<GestureRecognizer> actions_;
  Touches touches_;
  Point lastLocation_;
};

}  // namespace platform::ui
