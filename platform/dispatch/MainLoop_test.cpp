#include "platform/dispatch/MainLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
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

TEST_F(MainLoopTest, SyncFromAWorkerRunsOnTheMainThreadAndCarriesExceptions) {
  std::atomic<bool> ranOnMain{false}, caught{false}, finished{false};
  Queue::serial("test.worker")->async([&] {
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

  bool inlineRun = false;
  Queue::main()->sync([&] { inlineRun = true; });  // on the main thread: no hop, no deadlock
  EXPECT_TRUE(inlineRun);
}

TEST_F(MainLoopTest, RunsBlocksInOrderIncludingOnesTheyPostAndStopsOnRequest) {
  MainLoop::stop();
  MainLoop::run();  // returns at once: the early stop was kept

  // Everything the worker touches is shared, and the worker has finished posting before the loop
  // runs: the blocks' order on the main queue is then fixed, and nothing outlives the test body.
  auto order = std::make_shared<std::vector<int>>();
  auto main = Queue::main();
  auto stopper = Queue::serial("test.stopper");
  stopper->async([order, main] {
    main->async([order, main] {
      order->push_back(1);
      main->async([order] {
        order->push_back(3);
        MainLoop::stop();
      });
    });
    main->async([order] { order->push_back(2); });
  });
  stopper->sync([] {});
  MainLoop::run();
  EXPECT_EQ(*order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(MainLoop::runUntilIdle(), 0u);
}

TEST_F(MainLoopTest, RunUntilReportsTimeoutAndSeesWorkerChanges) {
  EXPECT_FALSE(MainLoop::runUntil([] { return false; }, 0));
  std::atomic<bool> flag{false};
  std::thread setter([&] { flag = true; });  // no post, no wake: found by the loop's own checks
  EXPECT_TRUE(MainLoop::runUntil([&] { return flag.load(); }));
  setter.join();
}

TEST_F(MainLoopTest, RefusesToRunOffTheMainThread) {
  std::thread([] {
    EXPECT_THROW(MainLoop::runUntilIdle(), foundation::Exception);
    EXPECT_THROW(MainLoop::runUntil([] { return true; }, 0), foundation::Exception);
  }).join();
}

}  // namespace
}  // namespace platform::dispatch
