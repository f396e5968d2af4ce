#include "platform/foundation/SystemClock.h"

#include <chrono>
#include <limits>

namespace platform::foundation {

namespace {

// A deadline that never comes: the waiter sleeps until woken.
constexpr std::int64_t kNoDeadline = std::numeric_limits<std::int64_t>::max();

}  // namespace

SystemClock::~SystemClock() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    timersChanged_.notify_all();
  }
  if (waiter_.joinable()) waiter_.join();
}

double SystemClock::now() const {
  auto since = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double>(since).count() + wallLead_;
}

std::int64_t SystemClock::monotonicNanoseconds() const {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(since).count();
}

void SystemClock::timerAddedLocked(bool earliest) {
  if (!waiter_.joinable()) waiter_ = std::thread([this] { waitAndFire(); });
  // The waiter sleeps until the earliest deadline; only a new earliest one moves its wake-up.
  if (earliest) timersChanged_.notify_all();
}

void SystemClock::waitAndFire() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    auto earliest = earliestLocked();
    if (!earliest) {
      timersChanged_.wait(lock);
      continue;
    }
    if (*earliest > monotonicNanoseconds()) {
      // steady_clock is what monotonicNanoseconds() reads, so the deadline converts directly.
      std::chrono::steady_clock::time_point when{std::chrono::nanoseconds(*earliest)};
      if (*earliest == kNoDeadline) timersChanged_.wait(lock);
      else timersChanged_.wait_until(lock, when);
      continue;
    }
    lock.unlock();
    if (auto due = takeDue(monotonicNanoseconds())) due->fire();
    lock.lock();
  }
}

}  // namespace platform::foundation
