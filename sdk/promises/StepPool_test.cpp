#include "sdk/promises/StepPool.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/dispatch/Queue.h"
#include "sdk/promises/PromiseTestSupport.h"

namespace sdk::promises {

using ostrel::testing::PromiseTest;

namespace {

Promise::Ptr chainOf(Promise::Ptr head, int steps) {
  for (int i = 0; i < steps; ++i) head = head->then([](const platform::foundation::Value& v) { return v; });
  return head;
}

}  // namespace

// The blocks a test can count exactly are the ones its own thread keeps: other threads add to the
// shared store when they please (a worker idle for a while ends and hands its blocks there). Work that
// uses no more than half a thread's share never reaches the store after a first run of the same work
// has left at least that many blocks in this thread's hands, so its count comes back to the block.

// A chain's steps come from the pool and all go back to it once the chain is done and let go, whether
// it ran or was dropped unresolved: a step that outgrew the pool's blocks, or a block lost or given
// back twice, shows here.
TEST_F(PromiseTest, ChainStepsAreTakenFromThePoolAndAllGiveTheirBlocksBack) {
  constexpr int kSteps = StepPool::kThreadBlocks / 2;
  {
    auto head = Promise::pendingPromise();
    auto tail = chainOf(head, kSteps);
    head->fulfill(Value(1));
    waitForPromises();
  }
  const std::size_t kept = StepPool::keptBlocksOnThisThread();
  ASSERT_GE(kept, static_cast<std::size_t>(kSteps));

  {
    auto head = Promise::pendingPromise();
    auto tail = chainOf(head, kSteps);
    EXPECT_EQ(StepPool::keptBlocksOnThisThread(), kept - kSteps);
    head->fulfill(Value(2));
    waitForPromises();
    EXPECT_EQ(tail->value(), Value(2));
  }
  EXPECT_EQ(StepPool::keptBlocksOnThisThread(), kept);

  { chainOf(Promise::pendingPromise(), kSteps); }
  waitForPromises();
  EXPECT_EQ(StepPool::keptBlocksOnThisThread(), kept);
}

// Promises and the observers a join puts on its members come from the pool's smaller blocks, and all
// of them go back once the join is done and let go, whether its members settled or were dropped.
TEST_F(PromiseTest, JoinsTakeTheirPromisesAndObserversFromThePoolAndGiveThemBack) {
  // Two blocks a member and one for the result: within half a thread's share.
  constexpr int kMembers = StepPool::kThreadBlocks / 5;
  auto join = [](bool settle) {
    std::vector<Promise::Ptr> members;
    for (int i = 0; i < kMembers; ++i) members.push_back(Promise::pendingPromise());
    auto all = Promise::all(Promise::arrayOf(members));
    pump();
    if (settle) {
      for (int i = 0; i < kMembers; ++i) members[i]->fulfill(Value(i));
      waitForPromises();
      EXPECT_EQ(all->value().size(), static_cast<std::size_t>(kMembers));
    }
  };
  join(true);
  const std::size_t kept = StepPool::keptBlocksOnThisThread(StepPool::kSmallBlockBytes);
  ASSERT_GE(kept, static_cast<std::size_t>(2 * kMembers));
  join(true);
  EXPECT_EQ(StepPool::keptBlocksOnThisThread(StepPool::kSmallBlockBytes), kept);
  join(false);
  waitForPromises();
  EXPECT_EQ(StepPool::keptBlocksOnThisThread(StepPool::kSmallBlockBytes), kept);
}

// Blocks freed on other threads are kept there, and past a thread's share they reach the store every
// thread takes from.
TEST_F(PromiseTest, BlocksFreedOnAnotherThreadReachTheSharedStore) {
  std::vector<void*> blocks(4000);
  for (void*& block : blocks) block = StepPool::allocate();
  const std::size_t kept = StepPool::keptBlocks();
  auto queue = platform::dispatch::Queue::serial("test.pool");
  queue->async([&] {
    for (void* block : blocks) StepPool::release(block);
  });
  queue->sync([] {});  // after the block above, which ran on a worker
  EXPECT_GE(StepPool::keptBlocks(), kept + blocks.size() - StepPool::kThreadBlocks);
}

}  // namespace sdk::promises
