// Sequence checkers as the dispatch layer makes them see queues: a serial queue is one sequence
// whichever worker thread runs its blocks, and the main queue is the main thread.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/dispatch/MainLoop.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/SequenceChecker.h"

namespace {

using platform::dispatch::MainLoop;
using platform::dispatch::Queue;
using platform::foundation::SequenceChecker;

TEST(QueueSequence, ASerialQueueIsOneSequenceAcrossItsBlocksAndThoseItSyncsOnto) {
  auto worker = Queue::serial("test.sequence.worker");
  auto other = Queue::serial("test.sequence.other");
  SequenceChecker checker;
  worker->sync([&] { EXPECT_TRUE(checker.calledOnValidSequence()); });
  // Later blocks may run on another worker thread: still the same sequence.
  std::atomic<int> valid{0};
  for (int i = 0; i < 20; ++i) worker->async([&] { valid += checker.calledOnValidSequence() ? 1 : 0; });
  worker->sync([] {});
  EXPECT_EQ(valid.load(), 20);
  // A block synced from the worker onto another queue still runs on the worker's behalf.
  worker->sync([&] { other->sync([&] { EXPECT_TRUE(checker.calledOnValidSequence()); }); });

  bool fromOther = true;
  other->sync([&] { fromOther = checker.calledOnValidSequence(); });
  EXPECT_FALSE(fromOther);
  EXPECT_FALSE(checker.calledOnValidSequence()) << "the test's own thread is not the worker queue";
}

TEST(QueueSequence, TheMainQueueIsTheMainThread) {
  SequenceChecker checker;
  EXPECT_TRUE(checker.calledOnValidSequence());
  bool inBlock = false;
  Queue::main()->async([&] { inBlock = checker.calledOnValidSequence(); });
  MainLoop::runUntilIdle();
  EXPECT_TRUE(inBlock);

  SequenceChecker madeInABlock;
  Queue::main()->async([&] { EXPECT_TRUE(madeInABlock.calledOnValidSequence()); });
  MainLoop::runUntilIdle();
  EXPECT_TRUE(madeInABlock.calledOnValidSequence());
}

}  // namespace
