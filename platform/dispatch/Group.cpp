#include "platform/dispatch/Group.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Exception.h"

namespace platform::dispatch {

// The count is an atomic: entering, and leaving a group that stays busy, touch no lock, since they come
// from every thread for every block. Only the leave that may empty the group takes the lock, and
// empties it there: whoever looks under the lock sees it empty only once its notifications are queued
// and its waiters told.
struct Group::State {
  std::atomic<std::size_t> count{0};
  std::mutex mutex;
  std::condition_variable emptied;
  std::vector<std::pair<std::shared_ptr<Queue>, std::function<void()>>> notifications;

  void enter() { count.fetch_add(1, std::memory_order_relaxed); }

  void leave() {
    std::size_t before = count.load(std::memory_order_relaxed);
    while (before > 1) {
      if (count.compare_exchange_weak(before, before - 1, std::memory_order_release, std::memory_order_relaxed)) return;
    }
    {
      std::lock_guard lock(mutex);
      before = count.load(std::memory_order_relaxed);
      do {
        if (before == 0) throw foundation::Exception("GroupUnbalanced", "leave() without a matching enter()");
      } while (!count.compare_exchange_weak(before, before - 1, std::memory_order_acq_rel, std::memory_order_relaxed));
      if (before > 1) return;  // entered again meanwhile
      // Queued before any waiter can return, so "wait, then sync onto the notify queue" sees them.
      // Queue::async never calls back into a group, so doing it under the lock is safe.
      for (auto& [queue, block] : notifications) queue->async(std::move(block));
      notifications.clear();
      emptied.notify_all();
    }
    MainLoop::wakeUp();  // a waitPumpingMainLoop() may be waiting for this
  }

  // Under the lock.
  bool isEmptyLocked() const { return count.load(std::memory_order_acquire) == 0; }
};

Group::Group() : state_(std::make_shared<State>()) {}

void Group::enter() { state_->enter(); }

void Group::leave() { state_->leave(); }

bool Group::isEmpty() const {
  std::lock_guard lock(state_->mutex);
  return state_->isEmptyLocked();
}

bool Group::wait(double timeoutSeconds) const {
  std::unique_lock lock(state_->mutex);
  auto empty = [this] { return state_->isEmptyLocked(); };
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
    if (!state_->isEmptyLocked()) {
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
