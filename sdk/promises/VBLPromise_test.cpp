#include "sdk/promises/VBLPromise.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sdk/promises/VBLPromiseTestSupport.h"

using ostrel::testing::VBLPromiseTest;

using platform::dispatch::Queue;

TEST_F(VBLPromiseTest, ResolvesOnceAndAnErrorValueRejects) {
  auto promise = VBLPromise::pendingPromise();
  EXPECT_NE(promise->description().find("> Pending"), std::string::npos);
  promise->fulfill(VBLValueWithError(testError(7)));
  promise->fulfill(Value(1));
  promise->reject(testError(8));
  ASSERT_TRUE(promise->isRejected());
  EXPECT_EQ(promise->error()->code, 7);
  EXPECT_TRUE(promise->value().isNil());
  EXPECT_NE(promise->description().find("> Rejected: Error Domain=test Code=7"), std::string::npos);

  auto empty = VBLPromise::pendingPromise();
  empty->fulfill(Value());
  EXPECT_TRUE(empty->isFulfilled()) << "nil is a value";
  EXPECT_TRUE(VBLPromise::resolvedWith(VBLValueWithError(testError(1)))->isRejected());
  EXPECT_EQ(VBLPromise::resolvedWith(Value("x"))->value(), Value("x"));
}

TEST_F(VBLPromiseTest, ObserversRunLaterOnTheirQueueInRegistrationOrder) {
  auto promise = VBLPromise::pendingPromise();
  std::vector<std::int64_t> order;
  auto note = [&](std::int64_t n) { return [&order, n](const Value& v) { order.push_back(n ? n : v.toInt64()); }; };
  promise->observeOnQueue(nullptr, note(1), [](const Error&) { FAIL(); });
  promise->observeOnQueue(nullptr, note(2), nullptr);
  promise->fulfill(Value(5));
  promise->observeOnQueue(nullptr, note(0), nullptr);  // already resolved: still scheduled, never run at once
  auto rejected = VBLPromise::resolvedWith(testError(3));
  rejected->observeOnQueue(nullptr, nullptr, [&](const Error& e) { order.push_back(-e.code); });
  EXPECT_TRUE(order.empty());
  waitForPromises();
  EXPECT_EQ(order, (std::vector<std::int64_t>{1, 2, 5, -3}));
}

// Operators without a queue follow every change of the default queue, on this thread and on others.
TEST_F(VBLPromiseTest, OperatorsFollowTheDefaultQueueAsItChanges) {
  auto serial = Queue::serial("promise-default");
  auto ranOn = [](const VBLQueue& queue) {
    return [queue](const Value& v) { return Value(queue->isCurrent() ? v.toInt64() + 1 : -1); };
  };
  auto main = VBLPromise::defaultDispatchQueue();
  EXPECT_EQ(main, Queue::main());
  auto onMain = VBLPromise::resolvedWith(Value(0))->then(ranOn(main));
  waitForPromises();
  EXPECT_EQ(onMain->value(), Value(1));

  VBLPromise::setDefaultDispatchQueue(serial);
  EXPECT_EQ(VBLPromise::defaultDispatchQueue(), serial);
  auto onSerial = VBLPromise::resolvedWith(Value(0))->then(ranOn(serial));
  VBLPromise::Ptr fromOtherThread;
  std::thread([&] { fromOtherThread = VBLPromise::resolvedWith(Value(10))->then(ranOn(serial)); }).join();
  waitForPromises();
  EXPECT_EQ(onSerial->value(), Value(1));
  EXPECT_EQ(fromOtherThread->value(), Value(11));

  VBLPromise::setDefaultDispatchQueue(main);
  auto backOnMain = VBLPromise::resolvedWith(Value(20))->then(ranOn(main));
  waitForPromises();
  EXPECT_EQ(backOnMain->value(), Value(21));
}

TEST_F(VBLPromiseTest, BlocksNeverRunUnderThePromisesLock) {
  // Every block reaches back into the promise it observes; under its lock this would hang.
  auto promise = VBLPromise::pendingPromise();
  bool ran = false;
  promise->observeOnQueue(
      nullptr,
      [&](const Value&) {
        EXPECT_TRUE(promise->isFulfilled());
        EXPECT_FALSE(promise->description().empty());
        promise->fulfill(Value(2));
        promise->observeOnQueue(nullptr, [&](const Value&) { ran = true; }, nullptr);
      },
      nullptr);
  auto chained = promise->then([&](const Value& value) {
    promise->addPendingObject(std::make_shared<int>(1));
    return Value(value.toInt64() + promise->value().toInt64());
  });
  std::thread([promise] { promise->fulfill(Value(1)); }).join();
  waitForPromises();
  EXPECT_TRUE(ran);
  EXPECT_EQ(chained->value(), Value(2));
}

TEST_F(VBLPromiseTest, ChainFollowsAReturnedPromiseAndPassesARejectionByWithoutARejectBlock) {
  auto inner = VBLPromise::pendingPromise();
  auto outer = VBLPromise::resolvedWith(Value(1))->chainOnQueue(
      nullptr, [inner](const Value&) { return Value(inner); }, nullptr);
  auto passed = VBLPromise::resolvedWith(testError(4))->chainOnQueue(
      nullptr, [](const Value&) { return ADD_FAILURE(), Value(); }, nullptr);
  pump();
  EXPECT_TRUE(outer->isPending());
  inner->fulfill(Value("late"));
  waitForPromises();
  EXPECT_EQ(outer->value(), Value("late"));
  EXPECT_EQ(passed->error()->code, 4);
}

TEST_F(VBLPromiseTest, DispatchGroupCountsOnlyPendingPromisesAndResolutionDropsPendingObjects) {
  waitForPromises();
  auto group = VBLPromise::dispatchGroup();
  auto resolved = VBLPromise::resolvedWith(Value(1));
  VBLPromise::pendingPromise();  // abandoned at once
  EXPECT_TRUE(group.isEmpty());

  auto kept = std::make_shared<int>(3);
  std::weak_ptr<int> watch = kept;
  auto pending = VBLPromise::pendingPromise();
  pending->addPendingObject(std::move(kept));
  EXPECT_FALSE(group.isEmpty());
  EXPECT_FALSE(watch.expired());
  pending->fulfill(Value());
  EXPECT_TRUE(watch.expired());
  EXPECT_TRUE(group.isEmpty());
}

// A chain step's promise is covered in the group by its source and then by its step; whichever way it
// ends up, the group stays non-empty exactly while something can still settle or run.
TEST_F(VBLPromiseTest, DispatchGroupWaitsForChainedPromisesHoweverTheyEnd) {
  waitForPromises();
  auto group = VBLPromise::dispatchGroup();
  auto increment = [](const Value& v) { return Value(v.toInt64() + 1); };

  // Orphaned: its source is released unsettled while the caller still holds it.
  auto source = VBLPromise::pendingPromise();
  auto orphan = source->then(increment);
  source.reset();
  EXPECT_FALSE(group.isEmpty()) << "a pending promise someone holds";
  orphan.reset();
  EXPECT_TRUE(group.isEmpty());

  // Settled by hand before its source: its own callback still counts, and the source's step runs later.
  source = VBLPromise::pendingPromise();
  auto early = source->then(increment);
  int observed = 0;
  early->observeOnQueue(nullptr, [&](const Value& v) { observed = static_cast<int>(v.toInt64()); }, nullptr);
  early->fulfill(Value(7));
  source->fulfill(Value(1));
  source.reset();
  EXPECT_FALSE(group.isEmpty());
  waitForPromises();
  EXPECT_EQ(observed, 7);
  EXPECT_EQ(early->value(), Value(7));

  // Following a promise returned by its block: waits for that one, then takes its result.
  auto inner = VBLPromise::pendingPromise();
  auto outer = VBLPromise::resolvedWith(Value(1))->then([inner](const Value&) { return Value(inner); });
  auto after = outer->then(increment);
  pump();
  EXPECT_FALSE(group.isEmpty());
  EXPECT_TRUE(outer->isPending());
  inner->fulfill(Value(41));
  waitForPromises();
  EXPECT_EQ(after->value(), Value(42));
  EXPECT_TRUE(group.isEmpty());
}

TEST_F(VBLPromiseTest, DroppingALongUnresolvedChainReleasesEveryPromise) {
  // Each step owns the next through its observer; releasing them must not recurse once per step.
  auto head = VBLPromise::pendingPromise();
  VBLPromise::Ptr tail = head;
  for (int i = 0; i < 100000; ++i) tail = tail->then([](const Value& v) { return v; });
  std::weak_ptr<VBLPromise> last = tail;
  tail.reset();
  head.reset();
  EXPECT_TRUE(last.expired());
  EXPECT_TRUE(VBLPromise::dispatchGroup().isEmpty());
}

TEST_F(VBLPromiseTest, ResolvedFromManyThreadsObservedOnSerialQueues) {
  // Resolution races against observation from other threads; each callback runs once on its queue.
  auto queue = Queue::serial("promise-test");
  std::atomic<int> sum{0};
  std::vector<VBLPromise::Ptr> promises;
  std::vector<VBLPromise::Ptr> chained(100);
  for (int i = 0; i < 100; ++i) promises.push_back(VBLPromise::pendingPromise());
  auto add = [&sum, queue](const Value& v) {
    EXPECT_TRUE(queue->isCurrent());
    sum += static_cast<int>(v.toInt64());
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = t; i < 100; i += 4) {
        promises[i]->observeOnQueue(queue, add, nullptr);
        chained[i] = promises[i]->onQueueThen(queue, [](const Value& v) { return Value(v.toInt64() * 2); });
        promises[(i + 50) % 100]->fulfill(Value(1));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  auto all = VBLPromise::onQueueAll(queue, VBLPromise::arrayOf(promises));
  auto allChained = VBLPromise::onQueueAll(queue, VBLPromise::arrayOf(chained));
  waitForPromises();
  EXPECT_EQ(sum.load(), 100);
  EXPECT_EQ(all->value().size(), 100u);
  ASSERT_EQ(allChained->value().size(), 100u);
  EXPECT_EQ(allChained->value().array()->back(), Value(2));
  EXPECT_TRUE(VBLPromise::dispatchGroup().isEmpty());
}
