#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/graphics/Image.h"
#include "platform/ui/AnimatableValue.h"
#include "platform/ui/AnimationOptions.h"

namespace platform::ui {

class Layer;

// How an animation's progress follows time: the named cubic curves of the platform.
enum class TimingFunction { Linear, EaseIn, EaseOut, EaseInEaseOut, Default };
// The curve's value for a time fraction in [0, 1].
double applyTiming(TimingFunction timing, double fraction);

// Something a layer shows over time on the run-loop clock. The model value of a layer never changes
// while it runs: only what is drawn does. A layer keeps the animation object it was given: change
// none of its settings while it runs.
class Animation {
 public:
  virtual ~Animation() = default;

  double duration = 0.25;
  // Monotonic seconds of the Clock when the animation starts; 0 means "when it is added".
  double beginTime = 0;
  TimingFunction timing = TimingFunction::Linear;
  // Called once when the animation ends: finished is false when it was removed (or replaced under
  // its key) before its time was up. Runs on the main queue, never inside the removing call.
  std::function<void(bool finished)> didStop;

  // Progress of the curve at monotonic time `now`: 0 before the start, 1 from the end on.
  virtual double progressAt(double now) const;
  double endTime() const { return beginTime + duration; }

 private:
  friend class Layer;
  bool running_ = false;  // between being added and stopping
};

// Moves one property of the layer ("position", "bounds", "transform", "opacity", "backgroundColor";
// a shape layer also "path", "fillColor", "strokeColor", "lineWidth") from one value to another.
// A missing from-value is the layer's value when it is added; a missing to-value is its model value.
class BasicAnimation : public Animation {
 public:
  explicit BasicAnimation(std::string keyPath) : keyPath(std::move(keyPath)) {}
  std::string keyPath;
  std::optional<AnimatableValue> fromValue;
  std::optional<AnimatableValue> toValue;
};

// A basic animation whose progress swings like a damped spring and settles by its end. A damping
// ratio of 1 settles without overshoot; smaller values overshoot. The initial velocity is in whole
// distances per second.
class SpringAnimation : public BasicAnimation {
 public:
  explicit SpringAnimation(std::string keyPath) : BasicAnimation(std::move(keyPath)) {}
  double dampingRatio = 0.5;
  double initialVelocity = 0;
  double progressAt(double now) const override;
};

enum class TransitionType { Fade, MoveIn, Push, Reveal };
enum class TransitionSubtype { FromRight, FromLeft, FromTop, FromBottom };

// Swaps the whole look of a layer: what it showed when the transition was added goes away as the
// type says, while its new state comes in. Added before the change is made, so the old look can be
// kept as a picture. Stored under the key "transition" whatever key is given.
class Transition : public Animation {
 public:
  TransitionType type = TransitionType::Fade;
  TransitionSubtype subtype = TransitionSubtype::FromRight;

  // Where the outgoing picture and the incoming content are drawn at `progress`, as offsets in the
  // layer's space, and the outgoing picture's opacity.
  struct Placement {
    graphics::Point outgoing;
    graphics::Point incoming;
    double outgoingAlpha = 1;
    bool outgoingOnTop = false;
  };
  Placement placementAt(double progress, graphics::Size size) const;

  std::shared_ptr<graphics::Image> outgoing;  // taken when added
};

inline constexpr const char* kTransitionKey = "transition";

}  // namespace platform::ui
