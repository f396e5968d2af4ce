// The check a function that runs on a worker queue opens with: who passes it, who binds it, and what a
// call from the main thread leaves in the log.
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"

namespace sdk::analytics {

namespace {

using platform::dispatch::MainLoop;
using platform::dispatch::Queue;

class WorkerQueueCheckTest : public ::testing::Test {
 protected:
  void SetUp() override { MainLoop::setMainThread(); }

  bool check() const { return WorkerQueueCheck::calledOnWorkerQueue(checker, "handleEventOnWorkerQueue:"); }
  // The check from a block the queue runs on one of its own threads.
  bool checkInABlockOf(const std::shared_ptr<Queue>& queue) const {
    std::promise<bool> passed;
    queue->async([&] { passed.set_value(check()); });
    return passed.get_future().get();
  }
  // The check from a block synced onto the queue, which runs on this (the main) thread.
  bool checkSyncedOnto(const std::shared_ptr<Queue>& queue) const {
    bool passed = false;
    queue->sync([&] { passed = check(); });
    return passed;
  }
  std::size_t linesLogged() const { return scope.linesOf(messages::kMethodCalledOffWorkerQueue).size(); }

  ostrel::testing::MonitorScope scope;
  std::shared_ptr<Queue> worker = Queue::serial("test.worker");
  platform::foundation::SequenceChecker checker;
};

TEST_F(WorkerQueueCheckTest, OnlyTheQueueThatFirstAskedPassesAndTheMainThreadIsNamedInTheLog) {
  EXPECT_FALSE(check()) << "the main thread's own code";
  EXPECT_EQ(linesLogged(), 1u);
  EXPECT_TRUE(scope.console.contains("Method handleEventOnWorkerQueue: should execute on background thread"));

  // The main thread did not take the checker: the worker queue's first block does.
  EXPECT_TRUE(checkInABlockOf(worker));
  EXPECT_TRUE(checkInABlockOf(worker)) << "a later block, whichever thread runs it";
  EXPECT_TRUE(checkSyncedOnto(worker)) << "a block synced onto the queue owns it while it runs";

  EXPECT_FALSE(checkInABlockOf(Queue::serial("test.other")));
  EXPECT_FALSE(checkInABlockOf(Queue::global()));
  bool fromAThread = true;
  std::thread([&] { fromAThread = check(); }).join();
  EXPECT_FALSE(fromAThread);
  EXPECT_EQ(linesLogged(), 1u) << "only a call from the main thread is logged";

  EXPECT_FALSE(checkSyncedOnto(Queue::serial("test.other")));
  EXPECT_EQ(linesLogged(), 2u) << "another queue's block, run on the main thread";
}

TEST_F(WorkerQueueCheckTest, ACallFromTheWrongPlaceStopsADebugBuildAtItsLine) {
  ASSERT_TRUE(checkInABlockOf(worker));
#if OSTREL_DCHECK_IS_ON
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(DCHECK_ON_WORKER_QUEUE(checker, "uploadData"), "calledOnWorkerQueue.*WorkerQueueCheck_test.cpp:[0-9]+");
#else
  DCHECK_ON_WORKER_QUEUE(checker, "uploadData");
  EXPECT_TRUE(scope.console.contains("Method uploadData should execute on background thread")) << "and goes on";
#endif
}

}  // namespace

}  // namespace sdk::analytics
