#include "testing/ScopedClock.h"

namespace ostrel::testing {

using platform::foundation::Clock;

ScopedClock::ScopedClock(std::shared_ptr<Clock> clock) : previous_(Clock::current()) {
  Clock::setCurrent(std::move(clock));
}

ScopedClock::~ScopedClock() { Clock::setCurrent(previous_); }

}  // namespace ostrel::testing
