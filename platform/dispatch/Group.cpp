#include "platform/dispatch/Group.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Exception.h"

namespace platform::dispatch {

struct Group::State {
  std::mutex mutex;
  std::condition_variable emptied;
  std::size_t count = 0;
  std::vector<std::pair<std::shared_ptr<Queue>, std::function<void()>>> notifications;

  void enter() {
    std::lock_guard lock(mutex);
    ++count;
  }

  void leave() {
    {
      std::lock_guard lock(mutex);
      if (count == 0)
        throw foundation::Exception("GroupUnbalanced", "leave() without a matching enter()");
      if (--count > 0) return;
      // Queued before any waiter can return, so "wait, then sync onto the notify queue" sees them.
      // Queue::async never calls back into a group, so doing it under the lock is safe.
      for (auto& [queue, block] : notifications) queue->async(std::move(block));
      notifications.clear();
      emptied.notify_all();
    }
    MainLoop::wakeUp();  // a waitPumpingMainLoop() may be waiting for this
  }
};

Group::Group() : state_(std::make_shared<State>()) {}

void Group::enter() { state_->enter(); }

void Group::leave() { state_->leave(); }

bool Group::isEmpty() const {
  std::lock_guard lock(state_->mutex);
  return state_->count == 0;
}

bool Group::wait(double timeoutSeconds) const {
  std::unique_lock lock(state_->mutex);
  auto empty = [this] { return state_->count == 0; };
  if (!(timeoutSeconds < 1e9)) {
    state_->emptied.wait(lock, empty);
    return true;
  }
  auto timeout = std::chrono::duration<double>(timeoutSeconds > 0 ? timeoutSeconds : 0);
  return state_->emptied.wait_for(lock, timeout, empty);
}

bool Group::waitPumpingMainLoop(double timeoutSeconds) const {
  if (!MainLoop::isMainThread()) return wait(timeoutSeconds);
  return MainLoop::runUntil([this] { return isEmpty(); }, timeoutSeconds);
}

void Group::notify(const std::shared_ptr<Queue>& queue, std::function<void()> block) const {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->count > 0) {
      state_->notifications.emplace_back(queue, std::move(block));
      return;
    }
  }
  queue->async(std::move(block));
}

void Group::async(const std::shared_ptr<Queue>& queue, std::function<void()> block) const {
  state_->enter();
  queue->async([state = state_, block = std::move(block)] {
    struct Leave {
      State& state;
      ~Leave() { state.leave(); }  // balanced by the enter() above: cannot throw
    } leave{*state};
    block();
  });
}

}  // namespace platform::dispatch
