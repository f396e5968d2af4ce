#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/AnimatableValue.h"

namespace platform::ui {

class Layer;

// One block of view changes to be animated (View::animate): the value each layer property the
// changes touch had before them, turned into animations from there to the new values once the block
// ends. Blocks nest; the innermost open one on the thread takes a layer's changes.
class AnimationBlock {
 public:
  struct Settings {
    bool animates = true;
    double duration = 0;
    double delay = 0;
    unsigned options = 0;
    std::optional<std::pair<double, double>> spring;  // damping, velocity
  };

  // Runs `changes` as a block, then animates what they changed; `completion` hears when all is done.
  static void run(const Settings& settings, const std::function<void()>& changes,
                  std::function<void(bool finished)> completion);
  // Notes a layer property about to change, for the innermost open block.
  static void noteWillChange(Layer& layer, const char* keyPath);

 private:
  struct Change {
    std::weak_ptr<Layer> layer;
    std::string key;
    AnimatableValue before;
  };

  explicit AnimationBlock(const Settings& settings) : settings_(settings) {}
  void commit(std::function<void(bool)> completion);

  const Settings settings_;
  std::vector<Change> changes_;
  std::set<std::pair<const Layer*, std::string>> seen_;
};

}  // namespace platform::ui
