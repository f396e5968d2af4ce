#pragma once

#include <atomic>
#include <cstdint>

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
  // How far it moved, on every thread together.
  std::int64_t moved() const { return now_; }

  std::atomic<std::int64_t> step{0};

 private:
  mutable std::atomic<std::int64_t> now_{0};
};

}  // namespace ostrel::testing
