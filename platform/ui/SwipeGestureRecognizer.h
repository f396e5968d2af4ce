#pragma once

#include <cstdint>

#include "platform/ui/GestureRecognizer.h"

namespace platform::ui {

enum SwipeDirection : std::uint32_t {
  SwipeDirectionRight = 1 << 0,
  SwipeDirectionLeft = 1 << 1,
  SwipeDirectionUp = 1 << 2,
  SwipeDirectionDown = 1 << 3,
};

// A quick stroke in one of the allowed directions: recognised once the finger has covered
// kMinimumDistance along it, mostly straight, within kMaximumDuration of coming down.
class SwipeGestureRecognizer : public GestureRecognizer {
 public:
  static constexpr double kMinimumDistance = 50;
  static constexpr double kMaximumDuration = 0.5;

  std::uint32_t direction() const { return direction_; }
  void setDirection(std::uint32_t direction) { direction_ = direction; }

 protected:
  void touchesBegan(const Touches& touches, const Event& event) override;
  void touchesMoved(const Touches& touches, const Event& event) override;
  void touchesEnded(const Touches& touches, const Event& event) override;

 private:
  std::uint32_t direction_ = SwipeDirectionRight;
  Point start_;
  double startTime_ = 0;
};

}  // namespace platform::ui
