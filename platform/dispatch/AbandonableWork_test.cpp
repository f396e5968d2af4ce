#include "platform/dispatch/AbandonableWork.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/foundation/ThreadCpuClock.h"
#include "testing/HeldWork.h"
#include "testing/ManualCpuClock.h"

namespace platform::dispatch {
namespace {

// A piece of work that holds until the test releases it, and what it made then.
AbandonableWork::Work heldWork(ostrel::testing::HeldWork& held, std::shared_ptr<int> made) {
  return [&held, made](const std::atomic<bool>&) {
    held.hold();
    *made = 1;
  };
}

class AbandonableWorkTest : public ::testing::Test {
 protected:
  void SetUp() override { foundation::ThreadCpuClock::setCurrent(clock); }
  void TearDown() override {
    ASSERT_TRUE(AbandonableWork::waitUntilIdleForTesting(60));
    foundation::ThreadCpuClock::setCurrent(nullptr);
  }

  std::shared_ptr<ostrel::testing::ManualCpuClock> clock = std::make_shared<ostrel::testing::ManualCpuClock>();
};

// Work that finishes is waited for, and the CPU time its thread took is told, on the system's clock
// whatever clock a test installed: the test's moves only when told.
TEST_F(AbandonableWorkTest, FinishedWorkIsWaitedForAndItsTimeTold) {
  std::uint64_t made = 0;
  const auto waited = AbandonableWork::run(
      [&](const std::atomic<bool>&) {
        const auto start = foundation::ThreadCpuClock::system()->threadNanoseconds();
        do {
          made = made * 31 + 7;
        } while (foundation::ThreadCpuClock::system()->threadNanoseconds() == start);
      },
      AbandonableWork::kForever, [] { return true; });
  EXPECT_EQ(waited.outcome, AbandonableWork::Outcome::Finished);
  EXPECT_GT(waited.cpuNanoseconds, 0);
  EXPECT_NE(made, 0u);
  EXPECT_EQ(clock->moved(), 0);
}

// Once its caller may wait no more, the caller goes on while the work still runs; while it runs
// nothing else starts, and when it ends what it made goes with it. Then the thread takes work again.
TEST_F(AbandonableWorkTest, AbandonedWorkRunsOnUnwaitedAndAloneAndItsResultGoes) {
  ostrel::testing::HeldWork held;
  auto made = std::make_shared<int>(0);
  std::weak_ptr<int> result = made;
  bool mayWait = true;
  int looks = 0;
  const auto waited = AbandonableWork::run(heldWork(held, std::move(made)), AbandonableWork::kForever, [&] {
    if (++looks == 1) held.waitUntilBegun();
    else mayWait = false;
    return mayWait;
  });
  EXPECT_EQ(waited.outcome, AbandonableWork::Outcome::Abandoned);
  EXPECT_TRUE(AbandonableWork::isRunning());
  EXPECT_FALSE(result.expired()) << "the work still runs";

  bool secondRan = false;
  const auto second = AbandonableWork::run([&](const std::atomic<bool>&) { secondRan = true; }, AbandonableWork::kForever,
                                           [] { return true; });
  EXPECT_EQ(second.outcome, AbandonableWork::Outcome::Busy);

  held.release();
  ASSERT_TRUE(AbandonableWork::waitUntilIdleForTesting(60));
  EXPECT_TRUE(result.expired()) << "what the abandoned work made went with it";
  EXPECT_FALSE(secondRan);
  const auto third = AbandonableWork::run([&](const std::atomic<bool>&) { secondRan = true; }, AbandonableWork::kForever,
                                          [] { return true; });
  EXPECT_EQ(third.outcome, AbandonableWork::Outcome::Finished);
  EXPECT_TRUE(secondRan);
}

// Work that can look whether it is still wanted learns that it was abandoned; a bound of no time
// abandons at once.
TEST_F(AbandonableWorkTest, WorkThatLooksLearnsItWasAbandoned) {
  ostrel::testing::HeldWork held;
  std::atomic<bool> sawAbandoned{false};
  auto made = std::make_shared<int>(0);
  auto holding = heldWork(held, made);
  const auto waited = AbandonableWork::run(
      [&, holding](const std::atomic<bool>& abandoned) {
        holding(abandoned);
        sawAbandoned = abandoned.load();
      },
      0, [] { return true; });
  EXPECT_EQ(waited.outcome, AbandonableWork::Outcome::Abandoned);
  held.release();
  ASSERT_TRUE(AbandonableWork::waitUntilIdleForTesting(60));
  EXPECT_FALSE(sawAbandoned) << "never taken: a piece abandoned before it began does not run";

  ostrel::testing::HeldWork second;
  bool first = true;
  const auto again = AbandonableWork::run(
      [&](const std::atomic<bool>& abandoned) {
        heldWork(second, made)(abandoned);
        sawAbandoned = abandoned.load();
      },
      AbandonableWork::kForever, [&] {
        if (!first) return false;
        first = false;
        second.waitUntilBegun();
        return true;
      });
  EXPECT_EQ(again.outcome, AbandonableWork::Outcome::Abandoned);
  second.release();
  ASSERT_TRUE(AbandonableWork::waitUntilIdleForTesting(60));
  EXPECT_TRUE(sawAbandoned);
}

// The process end waits for no piece still running: the thread is left to end on its own, and
// one that is idle is joined. Work after that starts a new thread.
TEST_F(AbandonableWorkTest, TheProcessEndWaitsForNoPiece) {
  ostrel::testing::HeldWork held;
  bool first = true;
  auto made = std::make_shared<int>(0);
  std::weak_ptr<int> result = made;
  EXPECT_EQ(AbandonableWork::run(heldWork(held, std::move(made)), AbandonableWork::kForever,
                                 [&] {
                                   if (!first) return false;
                                   first = false;
                                   held.waitUntilBegun();
                                   return true;
                                 })
                .outcome,
            AbandonableWork::Outcome::Abandoned);
  AbandonableWork::endOfProcess();
  EXPECT_TRUE(AbandonableWork::isRunning());
  held.release();
  ASSERT_TRUE(AbandonableWork::waitUntilIdleForTesting(60));
  EXPECT_TRUE(result.expired());

  int runs = 0;
  auto once = [&] {
    return AbandonableWork::run([&](const std::atomic<bool>&) { ++runs; }, AbandonableWork::kForever, [] { return true; })
        .outcome;
  };
  EXPECT_EQ(once(), AbandonableWork::Outcome::Finished);
  AbandonableWork::endOfProcess();
  EXPECT_EQ(once(), AbandonableWork::Outcome::Finished);
  EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace platform::dispatch
