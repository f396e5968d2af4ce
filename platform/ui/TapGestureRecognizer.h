#pragma once

#include <memory>

#include "platform/ui/GestureRecognizer.h"

namespace platform::dispatch {
class Timer;
}

namespace platform::ui {

// One or more quick taps in one place. A finger that strays past the tap slop (Touch::isTap), or a
// pause longer than kTapInterval between taps of a multiple tap, fails it.
class TapGestureRecognizer : public GestureRecognizer {
 public:
  static constexpr double kTapInterval = 0.35;
  static constexpr double kMultiTapDistance = 45;

  TapGestureRecognizer();
  ~TapGestureRecognizer() override;

  int numberOfTapsRequired() const { return tapsRequired_; }
  void setNumberOfTapsRequired(int taps) { tapsRequired_ = taps < 1 ? 1 : taps; }
  int numberOfTouchesRequired() const { return touchesRequired_; }
  void setNumberOfTouchesRequired(int touches) { touchesRequired_ = touches < 1 ? 1 : touches; }

 protected:
  void touchesBegan(const Touches& touches, const Event& event) override;
  void touchesMoved(const Touches& touches, const Event& event) override;
  void touchesEnded(const Touches& touches, const Event& event) override;
  void reset() override;

 private:
  void waitForNextTap();
  void stopWaiting();

  int tapsRequired_ = 1;
  int touchesRequired_ = 1;
  int taps_ = 0;
  size_t fingersThisTap_ = 0;
  Point firstLocation_;
  std::shared_ptr<dispatch::Timer> wait_;
};

}  // namespace platform::ui
