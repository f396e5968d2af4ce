#include "sdk/analytics/foundation/Scheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/MainThreadEnvironment.h"

namespace sdk::analytics {

namespace {

using platform::dispatch::Queue;
using platform::foundation::ManualClock;

class SchedulerTest : public ::testing::Test {
 protected:
  void record(const std::string& what) {
    std::lock_guard lock(mutex);
    events.push_back(what);
  }
  std::vector<std::string> recorded() {
    std::lock_guard lock(mutex);
    return events;
  }

  ostrel::testing::MonitorScope scope;
  Scheduler scheduler{"com.vadeze.vura.worker"};
  std::mutex mutex;
  std::vector<std::string> events;
};

TEST_F(SchedulerTest, BlocksRunInOrderAndExceptionsEndOnlyTheirBlock) {
  EXPECT_EQ(scheduler.workerQueue()->label(), "com.vadeze.vura.worker");
  for (int i = 0; i < 50; ++i) {
    scheduler.scheduleOnWorkerQueueBlockID("APMMeasurement:" + std::to_string(i), [this, i] {
      if (i == 10) throw std::runtime_error("boom");
      record(std::to_string(i));
    });
  }
  scheduler.scheduleOnWorkerQueueBlockID("APMMeasurement:nil", nullptr);
  scheduler.dispatchSyncOnWorkerQueueBlockID("APMMeasurement:sync", [this] { record("sync"); });
  auto events = recorded();
  ASSERT_EQ(events.size(), 50u);
  EXPECT_EQ(events.front(), "0");
  EXPECT_EQ(events[10], "11");
  EXPECT_EQ(events.back(), "sync");
  EXPECT_TRUE(scope.console.contains("Exception on worker queue. Block ID=APMMeasurement:10. Exception: boom"));
  EXPECT_TRUE(scope.logged(30005));
  scheduler.dispatchSyncOnWorkerQueueBlockID("x", nullptr);
  EXPECT_TRUE(scope.logged(30002));
}

TEST_F(SchedulerTest, SyncFromTheWorkerQueueRunsInline) {
  std::atomic<bool> done{false};
  scheduler.scheduleOnWorkerQueueBlockID("outer", [&] {
    scheduler.dispatchSyncOnWorkerQueueBlockID("inner", [&] {
      record("inner");
      scheduler.dispatchSyncOnWorkerQueueBlockID("innermost", [&] { record("innermost"); });
    });
    record("outer");
    done = true;
  });
  scheduler.dispatchSyncOnWorkerQueueBlockID("flush", [] {});
  EXPECT_TRUE(done);
  EXPECT_EQ(recorded(), (std::vector<std::string>{"inner", "innermost", "outer"}));
}

class AlarmTest : public SchedulerTest {
 protected:
  void TearDown() override { flush(); }
  void flush() { scheduler.dispatchSyncOnWorkerQueueBlockID("flush", [] {}); }
  void advance(double seconds) {
    environment.advance(seconds);
    flush();
  }

  ostrel::testing::MainThreadEnvironment environment;
  const std::shared_ptr<ManualClock>& clock = environment.clock();
  const double start = clock->now();
  Alarm alarm{scheduler.workerQueue(), "Measurement timer"};
};

TEST_F(AlarmTest, FiresOnceAtItsTimeAndReportsWallTime) {
  alarm.runAfterDelay(10, [this] { record("fired@" + std::to_string(static_cast<int>(clock->now() - start))); });
  EXPECT_EQ(alarm.scheduledTimestamp(), start + 10);
  advance(9.5);
  EXPECT_TRUE(recorded().empty());
  advance(0.5);
  EXPECT_EQ(recorded(), (std::vector<std::string>{"fired@10"}));
  EXPECT_FALSE(alarm.scheduledTimestamp());
  advance(100);
  EXPECT_EQ(recorded().size(), 1u);
}

TEST_F(AlarmTest, ReplacedAndCancelledRunsNeverFire) {
  alarm.runAfterDelay(5, [this] { record("first"); });
  alarm.runAfterDelay(20, [this] { record("second"); });
  EXPECT_EQ(alarm.scheduledTimestamp(), start + 20);
  advance(10);
  EXPECT_TRUE(recorded().empty());
  alarm.cancel();
  EXPECT_FALSE(alarm.scheduledTimestamp());
  alarm.cancel();  // nothing pending: no effect
  advance(30);
  EXPECT_TRUE(recorded().empty());

  // A run whose block already sits in the queue when it is replaced stays silent too.
  std::atomic<bool> release{false};
  scheduler.scheduleOnWorkerQueueBlockID("hold", [&] {
    while (!release) std::this_thread::yield();
  });
  alarm.runAfterDelay(0, [this] { record("stale"); });
  alarm.runAfterDelay(1, [this] { record("fresh"); });
  release = true;
  advance(1);
  EXPECT_EQ(recorded(), (std::vector<std::string>{"fresh"}));
}

TEST_F(AlarmTest, ZeroDelayIsQueuedNotRunInline) {
  std::atomic<bool> ranInline{true};
  std::atomic<bool> inCall{false};
  scheduler.dispatchSyncOnWorkerQueueBlockID("caller", [&] {
    inCall = true;
    alarm.runAfterDelay(0, [&] { ranInline = inCall.load(); });
    alarm.runAfterDelay(-3, [&] {
      ranInline = inCall.load();
      record("negative");
    });
    inCall = false;
  });
  flush();
  EXPECT_FALSE(ranInline);
  EXPECT_EQ(recorded(), (std::vector<std::string>{"negative"}));  // the zero-delay run was replaced
}

TEST_F(AlarmTest, ABlockMayArmTheNextRun) {
  std::function<void()> tick = [&] {
    record("tick");
    if (recorded().size() < 3) alarm.runAfterDelay(60, tick);
  };
  alarm.runAfterDelay(60, tick);
  for (int i = 0; i < 5; ++i) advance(60);
  EXPECT_EQ(recorded().size(), 3u);
  EXPECT_FALSE(alarm.scheduledTimestamp());
  alarm.runAfterDelay(1, nullptr);
  EXPECT_FALSE(alarm.scheduledTimestamp());
}

}  // namespace

}  // namespace sdk::analytics

