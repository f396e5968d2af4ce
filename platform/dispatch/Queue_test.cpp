#include "platform/dispatch/Queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/detail/Completion.h"
#include "platform/dispatch/detail/WorkerPool.h"
#include "platform/log/Log.h"

namespace platform::dispatch {
namespace {

TEST(SerialQueueTest, RunsBlocksInOrderOneAtATimeEvenAfterTheLastReferenceIsDropped) {
  auto queue = Queue::serial("test.order");
  std::vector<int> order;  // only touched on the queue
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::latch release(1);
  Group group;
  group.async(queue, [&] { release.wait(); });
  for (int i = 0; i < 500; ++i) {
    group.async(queue, [&, i] {
      if (inside.fetch_add(1) != 0) overlapped = true;
      order.push_back(i);
      inside.fetch_sub(1);
    });
  }
  queue.reset();  // what was queued still runs
  release.count_down();
  ASSERT_TRUE(group.wait());
  EXPECT_FALSE(overlapped);
  ASSERT_EQ(order.size(), 500u);
  for (int i = 0; i < 500; ++i) EXPECT_EQ(order[i], i);
}

TEST(SerialQueueTest, SyncOntoTheCurrentQueueRunsInlineEvenThroughAnotherQueue) {
  auto a = Queue::serial("test.a");
  auto b = Queue::serial("test.b");
  std::vector<std::string> steps;
  a->sync([&] {
    steps.push_back("a");
    a->sync([&] { steps.push_back("a again"); });
    b->sync([&] {
      EXPECT_EQ(Queue::current(), b);
      EXPECT_TRUE(a->isCurrent());  // still owned further out
      a->sync([&] { steps.push_back("a inside b"); });
    });
  });
  Group group;
  group.async(a, [&] { a->sync([&] { steps.push_back("async then sync"); }); });
  ASSERT_TRUE(group.wait());
  EXPECT_EQ(steps, (std::vector<std::string>{"a", "a again", "a inside b", "async then sync"}));
  EXPECT_EQ(Queue::current(), Queue::main());
  std::shared_ptr<Queue> onPlainThread = Queue::main();
  std::thread([&] { onPlainThread = Queue::current(); }).join();
  EXPECT_EQ(onPlainThread, nullptr);
}

TEST(SerialQueueTest, SyncWaitsForQueuedBlocksAndKeepsTheQueueUsableAfterAThrow) {
  auto queue = Queue::serial("test.sync");
  std::vector<int> order;  // only touched on the queue
  std::latch release(1);
  queue->async([&] { release.wait(); });
  for (int i = 1; i <= 3; ++i) queue->async([&, i] { order.push_back(i); });
  std::thread opener([&] { release.count_down(); });
  queue->sync([&] { order.push_back(4); });
  opener.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));

  EXPECT_THROW(queue->sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
  EXPECT_FALSE(queue->isCurrent());
  bool ran = false;
  queue->sync([&] { ran = true; });  // would hang if the throw had kept the queue owned
  EXPECT_TRUE(ran);
}

TEST(SerialQueueTest, ManySyncCallersFromManyThreadsAreSerialised) {
  auto queue = Queue::serial("test.contended");
  int counter = 0;  // guarded only by the queue
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        if (i % 2) queue->sync([&] { ++counter; });
        else queue->async([&] { ++counter; });
      }
    });
  for (auto& thread : threads) thread.join();
  queue->sync([] {});
  EXPECT_EQ(counter, 1600);
}

TEST(ConcurrentQueueTest, RunsBlocksSideBySideAndGrowsPastBlockedWorkers) {
  // Every block waits until all have started: only passes when each gets its own thread, however
  // many cores there are.
  constexpr int kBlocks = 48;
  auto queue = Queue::concurrent("test.concurrent");
  std::latch allStarted(kBlocks);
  Group group;
  for (int i = 0; i < kBlocks; ++i)
    group.async(queue, [&] {
      EXPECT_TRUE(queue->isCurrent());
      allStarted.arrive_and_wait();
    });
  EXPECT_TRUE(group.wait());

  auto global = Queue::global();  // sync runs on the caller and is current meanwhile
  auto id = std::this_thread::get_id();
  global->sync([&] {
    EXPECT_EQ(std::this_thread::get_id(), id);
    EXPECT_EQ(Queue::current(), global);
  });
  EXPECT_FALSE(global->isCurrent());
}

TEST(ConcurrentQueueTest, GrowsPastBlockedWorkersThatEachTookTheirBlockWhileIdle) {
  // Blocks come one at a time, each once the one before runs and waits, and each while the monitor
  // sleeps: every block finds an idle worker until none is left, never a burst that backs up, and the
  // pool must still grow past them.
  const int blocks = static_cast<int>(std::max(4u, std::thread::hardware_concurrency()) + 4);
  auto queue = Queue::concurrent("test.trickle");
  std::latch release(1);
  Group all;
  all.async(queue, [] {});  // the pool's monitor starts with its first task
  ASSERT_TRUE(all.wait(30));
  int started = 0;
  for (; started < blocks; ++started) {
    while (!WorkerPool::shared().isMonitorWaitingForBacklog()) std::this_thread::yield();
    Group startedOne;
    startedOne.enter();
    all.async(queue, [&release, startedOne]() mutable {
      startedOne.leave();
      release.wait();
    });
    if (!startedOne.wait(30)) break;
  }
  release.count_down();
  EXPECT_EQ(started, blocks);
  EXPECT_TRUE(all.wait(30));
}

TEST(ConcurrentQueueTest, BlocksHandedOverOneAtATimeEachFindAWorker) {
  // Each block comes once the one before has run: the worker that ran it may take the next one before
  // the sleeping worker woken for it does. That one must still count as woken, or no later block
  // wakes anyone, and each waits for an idle worker's timeout (seconds): these would outlast the
  // test's time limit.
  auto queue = Queue::concurrent("test.hops");
  int ran = 0;
  for (int i = 0; i < 3000; ++i) {
    Group group;
    group.async(queue, [&ran] { ++ran; });
    ASSERT_TRUE(group.wait(30));
  }
  EXPECT_EQ(ran, 3000);
}

// An exception nobody catches still ends the process, but the log says whose block it came from.
TEST(QueueDeathTest, AnExceptionEscapingAQueuedBlockIsLoggedWithTheQueueBeforeTheProcessEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (bool concurrent : {false, true}) {
    EXPECT_DEATH(
        {
          auto queue = concurrent ? Queue::concurrent("test.thrower") : Queue::serial("test.thrower");
          queue->async([] { throw std::runtime_error("boom"); });
          Completion().wait();  // never finished: the block ends the process first
        },
        "uncaught exception in a block on queue \"test.thrower\": boom");
  }
}

TEST(QueueTest, AnExceptionFromAMainQueueBlockIsLoggedAndReachesTheLoopsCaller) {
  log::CapturedLines lines;
  Queue::main()->async([] { throw std::runtime_error("on main"); });
  EXPECT_THROW(MainLoop::runUntilIdle(), std::runtime_error);
  EXPECT_TRUE(lines.contains("uncaught exception in a block on queue \"main\": on main"));
}

}  // namespace
}  // namespace platform::dispatch
