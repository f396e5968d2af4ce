#include "sdk/analytics/foundation/Alarm.h"

#include <cmath>
#include <cstdint>
#include <mutex>

#include "platform/dispatch/Timer.h"
#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::dispatch::Timer;

struct Alarm::State {
  std::mutex mutex;
  std::uint64_t generation = 0;  // bumped by every arm and cancel; a run fires only for its own
  std::function<void()> block;
  std::optional<double> scheduled;
  std::shared_ptr<Timer> timer;

  // Under mutex: forgets the pending run and hands back its timer to invalidate outside the lock.
  std::shared_ptr<Timer> dropLocked() {
    ++generation;
    block = nullptr;
    scheduled.reset();
    return std::move(timer);
  }

  static void fire(const std::weak_ptr<State>& weak, std::uint64_t generation) {
    auto state = weak.lock();
    if (!state) return;
    std::function<void()> block;
    {
      std::lock_guard lock(state->mutex);
      if (generation != state->generation) return;
      block = std::move(state->block);
      state->dropLocked();
    }
    if (block) block();
  }
};

Alarm::Alarm(std::shared_ptr<platform::dispatch::Queue> queue, std::string name)
    : queue_(std::move(queue)), name_(std::move(name)), state_(std::make_shared<State>()) {}

Alarm::~Alarm() { cancel(); }

void Alarm::runAfterDelay(double delay, std::function<void()> block) {
  if (!block) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kNilBlockScheduledOnAlarm,
                                    "Attempted to schedule a nil block on alarm. Name",
                                    platform::foundation::Value(name_));
    return;
  }
  bool immediate = !(delay > 0);
  auto clock = platform::foundation::Clock::current();
  std::shared_ptr<Timer> replaced;
  std::uint64_t generation;
  {
    std::lock_guard lock(state_->mutex);
    replaced = state_->dropLocked();
    generation = state_->generation;
    state_->block = std::move(block);
    state_->scheduled = clock->now() + (immediate ? 0 : delay);
  }
  if (replaced) replaced->invalidate();

  std::weak_ptr<State> weak = state_;
  auto fire = [weak, generation] { State::fire(weak, generation); };
  if (immediate) {
    queue_->async(std::move(fire));
    return;
  }
  auto timer = Timer::scheduled(delay, false, queue_, std::move(fire));
  {
    std::lock_guard lock(state_->mutex);
    if (state_->generation == generation) {
      state_->timer = std::move(timer);
      return;
    }
  }
  timer->invalidate();  // cancelled or re-armed meanwhile
}

void Alarm::cancel() {
  std::shared_ptr<Timer> timer;
  {
    std::lock_guard lock(state_->mutex);
    timer = state_->dropLocked();
  }
  if (timer) timer->invalidate();
}

std::optional<double> Alarm::scheduledTimestamp() const {
  std::lock_guard lock(state_->mutex);
  return state_->scheduled;
}

}  // namespace sdk::analytics

