#pragma once

#include <mutex>
#include <vector>

namespace platform::ui {

// The phone's tap of the taptic engine. There is none here, so each tick is recorded (style and the
// Clock's monotonic time) where the runner and tests can read it.
class ImpactFeedbackGenerator {
 public:
  enum class Style { Light = 0, Medium = 1, Heavy = 2 };
  struct Tick {
    Style style;
    double time;
  };

  explicit ImpactFeedbackGenerator(Style style = Style::Medium) : style_(style) {}
  Style style() const { return style_; }
  void prepare() {}
  void impactOccurred();

  static std::vector<Tick> ticks();
  static void clearTicks();

 private:
  Style style_;
};

}  // namespace platform::ui
