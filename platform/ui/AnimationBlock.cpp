#include "platform/ui/AnimationBlock.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Animation.h"
#include "platform/ui/AnimationOptions.h"
#include "platform/ui/Layer.h"

namespace platform::ui {
namespace {

// Open blocks, innermost last. Views live on the main thread; the stack is per thread so that a
// stray view built elsewhere never joins the main thread's block.
thread_local std::vector<AnimationBlock*> openBlocks;

// The block's completion waits until every animation it started has stopped.
struct Group {
  int pending = 0;
  bool finished = true;
  std::function<void(bool)> completion;
  void stopped(bool ok) {
    finished = finished && ok;
    if (--pending == 0 && completion) std::exchange(completion, nullptr)(finished);
  }
};

TimingFunction timingFor(unsigned options) {
  switch (options & (3u << 16)) {
    case AnimationOptionCurveEaseIn: return TimingFunction::EaseIn;
    case AnimationOptionCurveEaseOut: return TimingFunction::EaseOut;
    case AnimationOptionCurveLinear: return TimingFunction::Linear;
    default: return TimingFunction::EaseInEaseOut;
  }
}

double sane(double seconds) { return std::isfinite(seconds) && seconds > 0 ? seconds : 0; }

// What the layer shows for the key now: a running animation's value, else the model value.
std::optional<AnimatableValue> shownValue(const Layer& layer, const std::string& key, double now) {
  auto running = std::dynamic_pointer_cast<BasicAnimation>(layer.animationForKey(key));
  if (running && running->fromValue && running->toValue) {
    return interpolate(*running->fromValue, *running->toValue, running->progressAt(now));
  }
  return layer.animatableValue(key);
}

}  // namespace

void AnimationBlock::run(const Settings& settings, const std::function<void()>& changes,
                         std::function<void(bool)> completion) {
  AnimationBlock block(settings);
  openBlocks.push_back(&block);
  try {
    if (changes) changes();
  } catch (...) {
    openBlocks.pop_back();
    throw;
  }
  openBlocks.pop_back();
  if (settings.animates) block.commit(std::move(completion));
}

void AnimationBlock::noteWillChange(Layer& layer, const char* keyPath) {
  if (openBlocks.empty()) return;
  AnimationBlock* block = openBlocks.back();
  if (!block->settings_.animates) return;
  std::weak_ptr<Layer> weak = layer.weak_from_this();
  if (weak.expired() || !block->seen_.emplace(&layer, keyPath).second) return;
  std::optional<AnimatableValue> before = shownValue(layer, keyPath, foundation::Clock::current()->monotonic());
  if (before) block->changes_.push_back({weak, keyPath, *before});
}

void AnimationBlock::commit(std::function<void(bool)> completion) {
  auto group = std::make_shared<Group>();
  group->completion = std::move(completion);
  double now = foundation::Clock::current()->monotonic();
  double duration = sane(settings_.duration);
  double delay = sane(settings_.delay);
  for (Change& change : changes_) {
    auto layer = change.layer.lock();
    if (!layer) continue;
    std::optional<AnimatableValue> after = layer->animatableValue(change.key);
    if (!after || *after == change.before) continue;
    std::shared_ptr<BasicAnimation> animation;
    if (settings_.spring) {
      auto spring = std::make_shared<SpringAnimation>(change.key);
      spring->dampingRatio = settings_.spring->first;
      spring->initialVelocity = settings_.spring->second;
      animation = spring;
    } else {
      animation = std::make_shared<BasicAnimation>(change.key);
    }
    animation->fromValue = change.before;
    animation->toValue = *after;
    animation->duration = duration;
    animation->beginTime = now + delay;
    animation->timing = timingFor(settings_.options);
    ++group->pending;
    animation->didStop = [group](bool finished) { group->stopped(finished); };
    layer->addAnimation(animation, change.key);
  }
  if (group->pending == 0 && group->completion) {
    ++group->pending;
    dispatch::Queue::main()->after(delay + duration, [group] { group->stopped(true); });
  }
}

}  // namespace platform::ui
