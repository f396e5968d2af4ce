#pragma once

#include <memory>

#include "platform/foundation/Clock.h"

namespace ostrel::testing {

// Makes `clock` the process clock for the object's lifetime and then puts back the clock that was
// current before, so a test that swaps clocks midway (one set back, one of another process) leaves
// the next test the clock it expects. For the usual case, a manual clock with the main queue run as
// time moves, use MainThreadEnvironment.
class ScopedClock {
 public:
  explicit ScopedClock(std::shared_ptr<platform::foundation::Clock> clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  std::shared_ptr<platform::foundation::Clock> previous_;
};

}  // namespace ostrel::testing
