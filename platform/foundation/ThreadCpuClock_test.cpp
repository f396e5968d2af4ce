#include <gtest/gtest.h>

#include <thread>

#include "platform/foundation/ThreadCpuClock.h"

namespace platform::foundation {
namespace {

class FixedCpuClock final : public ThreadCpuClock {
 public:
  std::int64_t threadNanoseconds() const override { return 42; }
};

// The system's clock counts each thread's own work: it moves while this thread works, and a thread
// just begun has used less than this one after a millisecond of work. A test's clock replaces it
// until it is put back.
TEST(ThreadCpuClock, CountsEachThreadsOwnWorkAndCanBeReplaced) {
  const auto clock = ThreadCpuClock::current();
  const auto start = clock->threadNanoseconds();
  volatile std::uint64_t spin = 0;
  while (clock->threadNanoseconds() - start < 1'000'000) spin = spin + 1;
  const auto worked = clock->threadNanoseconds();
  std::int64_t fresh = 0;
  std::thread([&] { fresh = ThreadCpuClock::current()->threadNanoseconds(); }).join();
  EXPECT_LT(fresh, worked);

  ThreadCpuClock::setCurrent(std::make_shared<FixedCpuClock>());
  EXPECT_EQ(ThreadCpuClock::current()->threadNanoseconds(), 42);
  ThreadCpuClock::setCurrent(nullptr);
  EXPECT_EQ(ThreadCpuClock::current(), clock);
}

}  // namespace
}  // namespace platform::foundation
