#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/dispatch/Queue.h"

namespace sdk::analytics::facade {

// A suspended, one-at-a-time operation queue whose operations each hand a block to the serial queue.
// While suspended the blocks wait here; resuming passes them on in arrival order, and later blocks
// follow under the same lock, so the serial queue sees them in the order they were queued.
class OperationQueue {
 public:
  explicit OperationQueue(std::shared_ptr<platform::dispatch::Queue> target) : target_(std::move(target)) {}

  void add(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    if (suspended_) {
      waiting_.push_back(std::move(block));
    } else {
      target_->async(std::move(block));
    }
  }
  void resume() {
    std::lock_guard lock(mutex_);
    suspended_ = false;
    for (auto& block : waiting_) target_->async(std::move(block));
    waiting_.clear();
  }
  bool isSuspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
  }

 private:
  mutable std::mutex mutex_;
  bool suspended_ = true;
  std::deque<std::function<void()>> waiting_;
  std::shared_ptr<platform::dispatch::Queue> target_;
};

}  // namespace sdk::analytics::facade
