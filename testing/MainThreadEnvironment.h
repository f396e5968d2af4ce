#pragma once

#include <memory>

#include "platform/foundation/Clock.h"

namespace ostrel::testing {

// The main thread as a test sees it: a manual clock is the process clock for the object's lifetime (and
// the one network deadlines are measured on, so a test moves a request past its time-out by hand, and
// the one the system's own times are compared with, so a test dates files by it),
// advance() moves it and then runs what became due on the main queue, and the destructor drains the
// main queue and puts back the clock that was current before. Make one per test (a fixture member or
// a local) and never touch Clock::setCurrent by hand.
//
// Helpers of folders above this one (the promise library's default queue) extend it rather than
// reaching down into it; see sdk/promises/PromiseTestSupport.h.
class MainThreadEnvironment {
 public:
  MainThreadEnvironment();
  virtual ~MainThreadEnvironment();
  MainThreadEnvironment(const MainThreadEnvironment&) = delete;
  MainThreadEnvironment& operator=(const MainThreadEnvironment&) = delete;

  const std::shared_ptr<platform::foundation::ManualClock>& clock() const { return clock_; }
  // Moves the clock by `seconds` (firing the timers due on the way), then runs every main-queue block
  // that is waiting, including the ones they add.
  void advance(double seconds);
  // Runs every main-queue block that is waiting, without moving the clock; returns how many ran.
  std::size_t drain();

 private:
  std::shared_ptr<platform::foundation::Clock> previousClock_;
  std::shared_ptr<platform::foundation::Clock> previousNetworkClock_;
  std::shared_ptr<platform::foundation::Clock> previousSystemTimesClock_;
  std::shared_ptr<platform::foundation::ManualClock> clock_;
};

}  // namespace ostrel::testing
