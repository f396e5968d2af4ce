#include "platform/dispatch/MainLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Exception.h"

namespace platform::dispatch {
namespace {

class MainLoopTest : public ::testing::Test {
 protected:
  void TearDown() override { MainLoop::runUntilIdle(); }
};

TEST_F(MainLoopTest, RunUntilIdleRunsBlocksInOrderIncludingOnesTheyPost) {
  std::vector<int> order;
  auto main = Queue::main();
  main->async([&] {
    order.push_back(1);
    main->async([&] { order.push_back(3); });
  });
  main->async([&] { order.push_back(2); });
  EXPECT_EQ(MainLoop::runUntilIdle(), 3u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(MainLoop::runUntilIdle(), 0u);
}

TEST_F(MainLoopTest, SyncFromAWorkerRunsOnTheMainThreadAndCarriesExceptions) {
  auto worker = Queue::serial("test.worker");
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> caught{false};
  std::atomic<bool> finished{false};
  worker->async([&] {
    Queue::main()->sync([&] { ranOnMain = MainLoop::isMainThread(); });
    try {
      Queue::main()->sync([] { throw std::runtime_error("from main"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
    finished = true;
    MainLoop::wakeUp();
  });
  ASSERT_TRUE(MainLoop::runUntil([&] { return finished.load(); }));
  EXPECT_TRUE(ranOnMain);
  EXPECT_TRUE(caught);

  bool inline_ = false;
  Queue::main()->sync([&] { inline_ = true; });  // on the main thread: no hop, no deadlock
  EXPECT_TRUE(inline_);
}

TEST_F(MainLoopTest, RunStopsOnRequestAndKeepsAStopPostedBeforeIt) {
  MainLoop::stop();
  MainLoop::run();  // returns at once: the early stop was kept

  int ran = 0;
  auto worker = Queue::serial("test.stopper");
  worker->async([&] {
    Queue::main()->async([&] { ++ran; });
    Queue::main()->async([&] {
      ++ran;
      MainLoop::stop();
    });
  });
  MainLoop::run();
  EXPECT_EQ(ran, 2);
}

TEST_F(MainLoopTest, RunUntilReportsTimeoutAndSeesWorkerChanges) {
  EXPECT_FALSE(MainLoop::runUntil([] { return false; }, 0));
  EXPECT_TRUE(MainLoop::runUntil([] { return true; }, 0));

  std::atomic<bool> flag{false};
  std::thread setter([&] { flag = true; });  // no post, no wake: found by the loop's own checks
  EXPECT_TRUE(MainLoop::runUntil([&] { return flag.load(); }));
  setter.join();
}

TEST_F(MainLoopTest, RefusesToRunOffTheMainThread) {
  std::atomic<int> refusals{0};
  std::thread other([&] {
    EXPECT_FALSE(MainLoop::isMainThread());
    try {
      MainLoop::runUntilIdle();
    } catch (const foundation::Exception& e) {
      if (e.name() == "MainThreadRequired") ++refusals;
    }
    try {
      MainLoop::runUntil([] { return true; }, 0);
    } catch (const foundation::Exception&) {
      ++refusals;
    }
  });
  other.join();
  EXPECT_EQ(refusals, 2);
}

}  // namespace
}  // namespace platform::dispatch
