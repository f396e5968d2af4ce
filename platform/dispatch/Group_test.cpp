#include "platform/dispatch/Group.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Once.h"
#include "platform/foundation/Exception.h"

namespace platform::dispatch {
namespace {

TEST(GroupTest, WaitAndNotifyFollowTheLastLeave) {
  Group group;
  auto pool = Queue::concurrent("test.group");
  auto serial = Queue::serial("test.notify");
  std::atomic<int> done{0}, seenByNotify{-1};
  std::atomic<bool> notifyOnQueue{false};
  for (int i = 0; i < 64; ++i) group.async(pool, [&] { ++done; });
  group.notify(serial, [&] {
    seenByNotify = done.load();
    notifyOnQueue = serial->isCurrent();
  });
  ASSERT_TRUE(group.wait());
  EXPECT_EQ(done, 64);
  serial->sync([] {});  // the notification was queued before wait() returned
  EXPECT_EQ(seenByNotify, 64);
  EXPECT_TRUE(notifyOnQueue);
}

TEST(GroupTest, CopiesShareTheCountEmptyGroupsNotifyAndUnbalancedLeavesThrow) {
  Group group;
  Group copy = group;
  copy.enter();
  EXPECT_FALSE(group.wait(0));
  copy.leave();
  EXPECT_TRUE(group.wait(0));
  EXPECT_THROW(group.leave(), foundation::Exception);

  bool ran = false;
  group.notify(Queue::main(), [&] { ran = true; });
  MainLoop::runUntilIdle();
  EXPECT_TRUE(ran);
}

TEST(GroupTest, WaitingOnTheMainThreadCanPumpWorkThatNeedsTheMainQueue) {
  Group group;
  std::atomic<bool> ranOnMain{false};
  group.async(Queue::serial("test.hops"), [&] {
    Queue::main()->sync([&] { ranOnMain = MainLoop::isMainThread(); });
  });
  group.async(Queue::main(), [] {});
  EXPECT_TRUE(group.waitPumpingMainLoop());
  EXPECT_TRUE(ranOnMain);
}

TEST(OnceTest, RunsOnceAcrossThreadsAndRetriesAfterAThrow) {
  Once once;
  std::atomic<int> calls{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) threads.emplace_back([&] { once.call([&] { ++calls; }); });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(calls, 1);

  Once flaky;
  EXPECT_THROW(flaky.call([] { throw std::runtime_error("first try"); }), std::runtime_error);
  EXPECT_FALSE(flaky.done());
  int ran = 0;
  flaky.call([&] { ++ran; });
  flaky.call([&] { ++ran; });
  EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace platform::dispatch
