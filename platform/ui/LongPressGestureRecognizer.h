#pragma once

#include <memory>

#include "platform/ui/GestureRecognizer.h"

namespace platform::dispatch {
class Timer;
}

namespace platform::ui {

// A finger held still: begins after the minimum press duration (on the clock), changes as the finger
// then moves and ends when it lifts. Moving more than the allowable movement before it began fails it.
class LongPressGestureRecognizer : public GestureRecognizer {
 public:
  LongPressGestureRecognizer();
  ~LongPressGestureRecognizer() override;

  double minimumPressDuration() const { return duration_; }
  void setMinimumPressDuration(double seconds) { duration_ = seconds < 0 ? 0 : seconds; }
  double allowableMovement() const { return movement_; }
  void setAllowableMovement(double points) { movement_ = points; }

 protected:
  void touchesBegan(const Touches& touches, const Event& event) override;
  void touchesMoved(const Touches& touches, const Event& event) override;
  void touchesEnded(const Touches& touches, const Event& event) override;
  void reset() override;

 private:
  void stopTimer();

  double duration_ = 0.5;
  double movement_ = 10;
  Point start_;
  std::shared_ptr<dispatch::Timer> timer_;
};

}  // namespace platform::ui
