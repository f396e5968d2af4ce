#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <mutex>

#include "platform/foundation/ThreadCpuClock.h"

namespace ostrel::testing {

// A thread CPU clock that moves only when told: by `step` at every read and by what advance() adds.
// Each thread has its own origin, far from every other's, as real threads' clocks do. Tests install
// it with ThreadCpuClock::setCurrent, so what they check of CPU deadlines never depends on the
// machine's speed.
class ManualCpuClock final : public platform::foundation::ThreadCpuClock {
 public:
  std::int64_t threadNanoseconds() const override;
  void advance(std::int64_t nanoseconds) { now_ += nanoseconds; }
  // The next reads move by these, one each in order, in place of `step`: work between two given
  // reads (a compilation that nothing can interrupt) then seems to take what a test says.
  void moveNextReadsBy(std::initializer_list<std::int64_t> moves);
  // How far it moved, on every thread together.
  std::int64_t moved() const { return now_; }

  std::atomic<std::int64_t> step{0};

 private:
  std::int64_t nextMove() const;

  mutable std::atomic<std::int64_t> now_{0};
  mutable std::mutex mutex_;
  mutable std::deque<std::int64_t> moves_;
};

}  // namespace ostrel::testing
