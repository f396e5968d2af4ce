#pragma once

#include <deque>

#include "platform/ui/GestureRecognizer.h"

namespace platform::ui {

// A drag: begins once the finger has moved kHysteresis points, then changes with every move and ends
// when the last finger lifts. Translation is measured from where the fingers came down. A touch that
// moves far enough to begin a pan is no tap any more.
class PanGestureRecognizer : public GestureRecognizer {
 public:
  static constexpr double kHysteresis = Touch::kTapSlop;

  // The movement since the touch came down (or since setTranslation), in `view`'s space.
  Point translationInView(const View* view) const;
  void setTranslation(Point translation, const View* view);
  // Points per second in `view`'s space, from the last tenth of a second of movement; a finger that
  // rested before lifting has a velocity near zero.
  Point velocityInView(const View* view) const;

 protected:
  void touchesBegan(const Touches& touches, const Event& event) override;
  void touchesMoved(const Touches& touches, const Event& event) override;
  void touchesEnded(const Touches& touches, const Event& event) override;
  void reset() override;

 private:
  struct Sample {
    double time;
    Point location;
  };
  Point centroid() const { return locationInView(nullptr); }
  void addSample(double time);
  // Window-space vector mapped into `view`'s space (rotation and scale, no translation).
  static Point vectorInView(Point v, const View* view);

  Point start_;
  std::deque<Sample> samples_;
};

}  // namespace platform::ui
