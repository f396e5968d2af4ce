#include <algorithm>
#include <cmath>
#include <optional>
#include <set>
#include <utility>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"
#include "platform/ui/Animation.h"
#include "platform/ui/View.h"

namespace platform::ui {
namespace {

// The changes of one animation block: the value each touched property had before it.
struct Transaction {
  bool animates = true;
  double duration = 0;
  double delay = 0;
  unsigned options = 0;
  std::optional<std::pair<double, double>> spring;  // damping, velocity
  struct Change {
    std::weak_ptr<Layer> layer;
    std::string key;
    AnimatableValue before;
  };
  std::vector<Change> changes;
  std::set<std::pair<const Layer*, std::string>> seen;
};

// Open blocks, innermost last. Views live on the main thread; the stack is per thread so that a
// stray view built elsewhere never joins the main thread's block.
thread_local std::vector<Transaction*> openBlocks;

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

void commit(Transaction& tx, std::function<void(bool)> completion) {
  auto group = std::make_shared<Group>();
  group->completion = std::move(completion);
  double now = foundation::Clock::current()->monotonic();
  double duration = sane(tx.duration);
  double delay = sane(tx.delay);
  for (Transaction::Change& change : tx.changes) {
    auto layer = change.layer.lock();
    if (!layer) continue;
    std::optional<AnimatableValue> after = layer->animatableValue(change.key);
    if (!after || *after == change.before) continue;
    std::shared_ptr<BasicAnimation> animation;
    if (tx.spring) {
      auto spring = std::make_shared<SpringAnimation>(change.key);
      spring->dampingRatio = tx.spring->first;
      spring->initialVelocity = tx.spring->second;
      animation = spring;
    } else {
      animation = std::make_shared<BasicAnimation>(change.key);
    }
    animation->fromValue = change.before;
    animation->toValue = *after;
    animation->duration = duration;
    animation->beginTime = now + delay;
    animation->timing = timingFor(tx.options);
    ++group->pending;
    animation->didStop = [group](bool finished) { group->stopped(finished); };
    layer->addAnimation(animation, change.key);
  }
  if (group->pending == 0 && group->completion) {
    ++group->pending;
    dispatch::Queue::main()->after(delay + duration, [group] { group->stopped(true); });
  }
}

void run(Transaction& tx, const std::function<void()>& changes, std::function<void(bool)> completion) {
  openBlocks.push_back(&tx);
  try {
    if (changes) changes();
  } catch (...) {
    openBlocks.pop_back();
    throw;
  }
  openBlocks.pop_back();
  if (tx.animates) commit(tx, std::move(completion));
}

}  // namespace

void Layer::willChange(const char* keyPath) {
  if (openBlocks.empty()) return;
  Transaction* tx = openBlocks.back();
  if (!tx->animates) return;
  std::weak_ptr<Layer> self = weak_from_this();
  if (self.expired() || !tx->seen.emplace(this, keyPath).second) return;
  std::optional<AnimatableValue> before = shownValue(*this, keyPath, foundation::Clock::current()->monotonic());
  if (before) tx->changes.push_back({self, keyPath, *before});
}

void View::animate(double duration, double delay, unsigned options, const std::function<void()>& changes,
                   std::function<void(bool)> completion) {
  Transaction tx;
  tx.duration = duration;
  tx.delay = delay;
  tx.options = options;
  run(tx, changes, std::move(completion));
}

void View::animate(double duration, const std::function<void()>& changes, std::function<void(bool)> completion) {
  animate(duration, 0, AnimationOptionNone, changes, std::move(completion));
}

void View::animateWithSpring(double duration, double delay, double damping, double velocity, unsigned options,
                             const std::function<void()>& changes, std::function<void(bool)> completion) {
  Transaction tx;
  tx.duration = duration;
  tx.delay = delay;
  tx.options = options;
  tx.spring = std::make_pair(damping, velocity);
  run(tx, changes, std::move(completion));
}

void View::performWithoutAnimation(const std::function<void()>& changes) {
  Transaction tx;
  tx.animates = false;
  run(tx, changes, nullptr);
}

}  // namespace platform::ui
