#pragma once

#include <condition_variable>
#include <thread>

#include "platform/foundation/Clock.h"

namespace platform::foundation {

// The real clock. Its waiter thread starts with the first timer and ends with the clock. Only the code
// that makes the process clock and the tests of the real clock need this header: everything else reads
// time and schedules timers through Clock.
class SystemClock final : public Clock {
 public:
  // `wallLead`: seconds the wall time runs ahead of the system's (the steady time never does), for a
  // run whose container already holds times past the system's clock.
  explicit SystemClock(double wallLead = 0) : wallLead_(wallLead) {}
  ~SystemClock() override;

  double now() const override;
  std::int64_t monotonicNanoseconds() const override;

 private:
  void timerAddedLocked(bool earliest) override;
  void waitAndFire();

  // The waiter sleeps on it, under the clock's mutex, until the earliest deadline or a new earliest one.
  std::condition_variable timersChanged_;
  std::thread waiter_;
  bool stopping_ = false;
  const double wallLead_;
};

}  // namespace platform::foundation
