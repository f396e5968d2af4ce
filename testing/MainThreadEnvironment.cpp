#include "testing/MainThreadEnvironment.h"

#include "platform/dispatch/MainLoop.h"

namespace ostrel::testing {

using platform::dispatch::MainLoop;
using platform::foundation::Clock;
using platform::foundation::ManualClock;

MainThreadEnvironment::MainThreadEnvironment()
    : previousClock_(Clock::current()),
      previousNetworkClock_(Clock::forNetworkDeadlines()),
      previousSystemTimesClock_(Clock::forSystemTimes()),
      clock_(std::make_shared<ManualClock>()) {
  Clock::setCurrent(clock_);
  Clock::setForNetworkDeadlines(clock_);
  Clock::setForSystemTimes(clock_);
}

MainThreadEnvironment::~MainThreadEnvironment() {
  // Blocks still queued may read the clock or the objects the test is about to drop: let them run
  // while everything they expect is still in place.
  MainLoop::runUntilIdle();
  Clock::setCurrent(previousClock_);
  Clock::setForNetworkDeadlines(previousNetworkClock_);
  Clock::setForSystemTimes(previousSystemTimesClock_);
}

void MainThreadEnvironment::advance(double seconds) {
  clock_->advance(seconds);
  MainLoop::runUntilIdle();
}

std::size_t MainThreadEnvironment::drain() { return MainLoop::runUntilIdle(); }

}  // namespace ostrel::testing
