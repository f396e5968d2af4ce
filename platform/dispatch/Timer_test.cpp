#include "platform/dispatch/Timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/MainLoop.h"
#include "testing/MainThreadEnvironment.h"

namespace platform::dispatch {
namespace {

using foundation::Clock;
using foundation::ManualClock;

class TimerTest : public ::testing::Test {
 protected:

  // Records "name@seconds" from any queue.
  std::function<void()> record(const std::string& name) {
    return [this, name] {
      std::lock_guard lock(mutex);
      events.push_back(name + "@" + std::to_string(static_cast<int>(clock->monotonic() * 10)));
    };
  }
  std::vector<std::string> recorded() {
    std::lock_guard lock(mutex);
    return events;
  }

  std::optional<ostrel::testing::MainThreadEnvironment> env{std::in_place};
  std::shared_ptr<ManualClock> clock = env->clock();
  std::mutex mutex;
  std::vector<std::string> events;
};

TEST_F(TimerTest, ManualClockFiresTimersInDeadlineOrderAcrossQueues) {
  auto a = Queue::serial("test.a");
  auto b = Queue::serial("test.b");
  auto pool = Queue::concurrent("test.pool");
  auto main = Queue::main();
  main->after(0.5, record("main"));
  b->after(0.3, record("b"));
  a->after(0.1, record("a"));
  pool->after(0.4, record("pool"));
  a->after(0.2, record("a2"));
  Timer::scheduled(0.25, false, main, record("main-timer"));
  Timer::scheduled(0.35, false, b, record("b-timer"));

  clock->advance(0.45);
  EXPECT_EQ(recorded(), (std::vector<std::string>{"a@1", "a2@2", "main-timer@2", "b@3", "b-timer@3", "pool@4"}));
  clock->advance(0.05);
  EXPECT_EQ(recorded().back(), "main@5");
  EXPECT_EQ(clock->pendingTimers(), 0u);
  EXPECT_EQ(MainLoop::runUntilIdle(), 0u);  // nothing was left behind on the main queue

  main->after(0, record("zero"));  // no delay: runs without waiting for the clock
  main->after(-1, record("negative"));
  EXPECT_EQ(MainLoop::runUntilIdle(), 2u);
  EXPECT_EQ(recorded().back(), "negative@5");
}

TEST_F(TimerTest, RepeatingTimersTickOnTheGridAndInvalidatedOrSpentTimersNeverFire) {
  auto queue = Queue::serial("test.repeat");
  std::vector<int> at;
  auto repeating = Timer::scheduled(1.0, true, queue, [&](Timer& self) {
    at.push_back(static_cast<int>(clock->monotonic()));
    if (at.size() == 3) self.invalidate();
  });
  int fired = 0;
  auto cancelled = Timer::scheduled(1.0, false, queue, [&] { fired += 100; });
  auto once = Timer::scheduled(2.5, false, queue, [&] { ++fired; });
  cancelled->invalidate();
  cancelled->invalidate();  // twice is harmless
  clock->advance(2.5);
  EXPECT_EQ(at.size(), 2u);
  EXPECT_EQ(fired, 1);
  EXPECT_FALSE(once->isValid());  // a one-shot timer is spent once its block ran
  clock->advance(10);
  EXPECT_EQ(at, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(repeating->isValid());
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(clock->pendingTimers(), 0u);

  // A repeating timer that is never invalidated goes away with its clock.
  std::weak_ptr<Timer> forgotten = Timer::scheduled(1.0, true, queue, [] {});
  clock.reset();
  env.reset();
  EXPECT_TRUE(forgotten.expired());
}

TEST_F(TimerTest, AdvanceNeverDeadlocksOnTheTargetQueueTheMainQueueOrAnotherThread) {
  auto queue = Queue::serial("test.self");
  queue->after(1, record("own"));
  queue->sync([&] { clock->advance(1); });  // the fired block waits for this one to finish
  queue->sync([] {});
  auto worker = Queue::serial("test.needs-main");
  worker->after(1, [&] { Queue::main()->sync(record("via main")); });
  clock->advance(1);  // on the main thread: the wait runs main-queue blocks meanwhile
  EXPECT_EQ(recorded(), (std::vector<std::string>{"own@10", "via main@20"}));

  Queue::main()->after(1, record("main"));
  worker->after(2, record("worker"));
  std::thread([&] { clock->advance(3); }).join();  // off the main thread: only queues main blocks
  EXPECT_EQ(recorded().back(), "worker@40");
  MainLoop::runUntilIdle();
  EXPECT_EQ(recorded().back(), "main@50");
}

TEST_F(TimerTest, InvalidateRacingWithAnAdvancingThreadStopsTheTicks) {
  auto queue = Queue::concurrent("test.race");
  std::atomic<int> ticks{0};
  Group fifthTick;
  fifthTick.enter();
  auto timer = Timer::scheduled(0.01, true, queue, [&] {
    if (++ticks == 5) fifthTick.leave();
  });
  std::thread advancer([&] {
    for (int i = 0; i < 400; ++i) clock->advance(0.01);
  });
  ASSERT_TRUE(fifthTick.wait());
  timer->invalidate();
  const int atInvalidate = ticks.load();
  advancer.join();
  EXPECT_LE(ticks.load(), atInvalidate + 1);  // at most one block was already under way
  EXPECT_EQ(clock->pendingTimers(), 0u);
}

TEST_F(TimerTest, SystemClockTimersFireOnTheirQueue) {
  env.reset();
  auto queue = Queue::serial("test.system");
  Group group;
  std::atomic<bool> onQueue{false};
  std::atomic<int> ticks{0};
  group.enter();
  group.enter();
  Timer::scheduled(0.001, false, queue, [&] {
    onQueue = queue->isCurrent();
    group.leave();
  });
  Timer::scheduled(0.001, true, Queue::main(), [&](Timer& self) {
    if (++ticks == 3) {
      self.invalidate();
      group.leave();
    }
  });
  EXPECT_TRUE(group.waitPumpingMainLoop());
  EXPECT_TRUE(onQueue);
  EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace platform::dispatch
