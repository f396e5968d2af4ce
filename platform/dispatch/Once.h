#pragma once

#include <atomic>
#include <mutex>
#include <utility>

namespace platform::dispatch {

// Runs a function once per Once object, for lazily made singletons. Concurrent callers wait until the
// first call has finished. If the function throws, the exception reaches its caller and the next
// call tries again (unlike some std::call_once builds, a throw never leaves later callers stuck).
class Once {
 public:
  template <class F>
  void call(F&& f) {
    if (done_.load(std::memory_order_acquire)) return;
    std::lock_guard lock(mutex_);
    if (done_.load(std::memory_order_relaxed)) return;
    std::forward<F>(f)();
    done_.store(true, std::memory_order_release);
  }

  bool done() const { return done_.load(std::memory_order_acquire); }

 private:
  std::atomic<bool> done_{false};
  std::mutex mutex_;
};

}  // namespace platform::dispatch
