#include "platform/foundation/Clock.h"
#include "platform/foundation/SystemClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <future>
#include <limits>
#include <string>
#include <vector>

namespace platform::foundation {
namespace {

TEST(ManualClockTest, AdvanceMovesWallAndSteadyTimeTogetherAndNeverBack) {
  ManualClock clock(1000.0, 5.0);
  clock.advance(2.5);
  EXPECT_DOUBLE_EQ(clock.now(), 1002.5);
  EXPECT_DOUBLE_EQ(clock.monotonic(), 7.5);
  clock.advance(-3);
  clock.advance(std::nan(""));
  EXPECT_DOUBLE_EQ(clock.monotonic(), 7.5);
}

TEST(ManualClockTest, FiresDueTimersInDeadlineOrderAtTheirOwnTimeIncludingOnesAddedWhileFiring) {
  ManualClock clock;
  std::vector<std::string> fired;
  auto record = [&](std::string name) {
    return [&, name] { fired.push_back(name + "@" + std::to_string(static_cast<int>(clock.monotonic()))); };
  };
  clock.scheduleAfter(3, record("c"));
  clock.scheduleAfter(1, [&] {
    record("a")();
    clock.scheduleAfter(1.5, record("added"));
  });
  clock.scheduleAfter(2, record("b1"));
  clock.scheduleAfter(2, record("b2"));  // same deadline: scheduling order
  clock.scheduleAfter(9, record("late"));
  clock.advance(3);
  EXPECT_EQ(fired, (std::vector<std::string>{"a@1", "b1@2", "b2@2", "added@2", "c@3"}));
  EXPECT_EQ(clock.pendingTimers(), 1u);
  EXPECT_DOUBLE_EQ(*clock.nextDeadline(), 9.0);
}

TEST(ManualClockTest, SmallStepsReachADeadlineDespiteRounding) {
  // Ten steps of 0.1 s sum to 0.9999999999999999 in doubles; the timer at 1 s must still fire.
  ManualClock clock;
  bool fired = false;
  clock.scheduleAfter(1.0, [&] { fired = true; });
  for (int i = 0; i < 10; ++i) clock.advance(0.1);
  EXPECT_TRUE(fired);
}

TEST(ManualClockTest, CancelledTimersNeverFireEvenWhenCancelledByAnEarlierOne) {
  ManualClock clock;
  int fired = 0;
  bool inside = false;
  auto cancelled = clock.scheduleAfter(1, [&] { fired += 100; });
  Clock::TimerId later = 0;
  clock.scheduleAfter(0, [&] {
    fired += 1;
    inside = ManualClock::isFiringOnThisThread();
    EXPECT_TRUE(clock.cancel(later));
  });
  later = clock.scheduleAfter(2, [&] { fired += 10; });
  clock.scheduleAfter(std::numeric_limits<double>::infinity(), [&] { fired += 1000; });
  EXPECT_TRUE(clock.cancel(cancelled));
  EXPECT_FALSE(clock.cancel(cancelled));
  clock.advance(1e6);
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(inside);
  EXPECT_FALSE(ManualClock::isFiringOnThisThread());
  EXPECT_EQ(clock.pendingTimers(), 1u);  // the infinite one stays pending
}

TEST(ClockTest, SecondsConvertToNanosecondsSafely) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(Clock::toNanoseconds(1.5), 1500000000);
  EXPECT_EQ(Clock::toNanoseconds(-1), 0);
  EXPECT_EQ(Clock::toNanoseconds(std::nan("")), 0);
  EXPECT_EQ(Clock::toNanoseconds(std::numeric_limits<double>::infinity()), kMax);
  EXPECT_EQ(Clock::toNanoseconds(1e300), kMax);
}

TEST(SystemClockTest, WaiterThreadFiresDueTimersSkipsCancelledOnesAndEndsWithTheClock) {
  auto clock = std::make_unique<SystemClock>();
  std::promise<std::vector<int>> done;
  std::vector<int> order;  // touched only by the waiter thread until the promise is set
  auto dropped = clock->scheduleAfter(3600, [&] { order.push_back(99); });
  EXPECT_TRUE(clock->cancel(dropped));  // also wakes the waiter from its hour-long sleep
  clock->scheduleAfter(0, [&] { order.push_back(1); });
  clock->scheduleAfter(0, [&] {
    order.push_back(2);
    done.set_value(order);
  });
  EXPECT_EQ(done.get_future().get(), (std::vector<int>{1, 2}));
  clock->scheduleAfter(3600, [] {});
  clock.reset();  // must join, not hang on the hour-long wait
}

}  // namespace
}  // namespace platform::foundation
