#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/AnimatableValue.h"
#include "platform/ui/Layer.h"

namespace platform::ui {

class Transition;

// For the length of one draw, puts the values of a layer's running animations in place of its model
// values, and puts the model values back afterwards. Hit-testing and code never see the shown values.
class ShownValues {
 public:
  explicit ShownValues(Layer& layer);
  ~ShownValues();
  ShownValues(const ShownValues&) = delete;
  ShownValues& operator=(const ShownValues&) = delete;

  // Runs `draw` for the layer's content, moved as a running transition says, and draws the
  // transition's outgoing picture around it; without a transition just runs `draw`.
  void drawWithTransition(Context& context, const std::function<void()>& draw);

 private:
  Layer& layer_;
  std::vector<std::pair<std::string, AnimatableValue>> saved_;
  std::shared_ptr<Transition> transition_;
  double now_ = 0;
};

}  // namespace platform::ui
