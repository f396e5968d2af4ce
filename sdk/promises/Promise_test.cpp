#include "sdk/promises/Promise.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "sdk/promises/PromiseTestSupport.h"

namespace sdk::promises {

using ostrel::testing::PromiseTest;

using platform::dispatch::Queue;

TEST_F(PromiseTest, ResolvesOnceAndAnErrorValueRejects) {
  auto promise = Promise::pendingPromise();
  EXPECT_NE(promise->description().find("> Pending"), std::string::npos);
  promise->fulfill(valueWithError(testError(7)));
  promise->fulfill(Value(1));
  promise->reject(testError(8));
  ASSERT_TRUE(promise->isRejected());
  EXPECT_EQ(promise->error()->code, 7);
  EXPECT_TRUE(promise->value().isNil());
  EXPECT_NE(promise->description().find("> Rejected: Error Domain=test Code=7"), std::string::npos);

  auto empty = Promise::pendingPromise();
  empty->fulfill(Value());
  EXPECT_TRUE(empty->isFulfilled()) << "nil is a value";
  EXPECT_TRUE(Promise::resolvedWith(valueWithError(testError(1)))->isRejected());
  EXPECT_EQ(Promise::resolvedWith(Value("x"))->value(), Value("x"));
}

TEST_F(PromiseTest, ObserversRunLaterOnTheirQueueInRegistrationOrder) {
  auto promise = Promise::pendingPromise();
  std::vector<std::int64_t> order;
  auto note = [&](std::int64_t n) { return [&order, n](const Value& v) { order.push_back(n ? n : v.toInt64()); }; };
  promise->observeOnQueue(nullptr, note(1), [](const Error&) { FAIL(); });
  promise->observeOnQueue(nullptr, note(2), nullptr);
  promise->fulfill(Value(5));
  promise->observeOnQueue(nullptr, note(0), nullptr);  // already resolved: still scheduled, never run at once
  auto rejected = Promise::resolvedWith(testError(3));
  rejected->observeOnQueue(nullptr, nullptr, [&](const Error& e) { order.push_back(-e.code); });
  EXPECT_TRUE(order.empty());
  waitForPromises();
  EXPECT_EQ(order, (std::vector<std::int64_t>{1, 2, 5, -3}));
}

// Operators without a queue follow every change of the default queue, on this thread and on others.
TEST_F(PromiseTest, OperatorsFollowTheDefaultQueueAsItChanges) {
  auto serial = Queue::serial("promise-default");
  auto ranOn = [](const DispatchQueuePtr& queue) {
    return [queue](const Value& v) { return Value(queue->isCurrent() ? v.toInt64() + 1 : -1); };
  };
  auto main = Promise::defaultDispatchQueue();
  EXPECT_EQ(main, Queue::main());
  auto onMain = Promise::resolvedWith(Value(0))->then(ranOn(main));
  waitForPromises();
  EXPECT_EQ(onMain->value(), Value(1));

  Promise::setDefaultDispatchQueue(serial);
  EXPECT_EQ(Promise::defaultDispatchQueue(), serial);
  auto onSerial = Promise::resolvedWith(Value(0))->then(ranOn(serial));
  Promise::Ptr fromOtherThread;
  std::thread([&] { fromOtherThread = Promise::resolvedWith(Value(10))->then(ranOn(serial)); }).join();
  waitForPromises();
  EXPECT_EQ(onSerial->value(), Value(1));
  EXPECT_EQ(fromOtherThread->value(), Value(11));

  Promise::setDefaultDispatchQueue(main);
  auto backOnMain = Promise::resolvedWith(Value(20))->then(ranOn(main));
  waitForPromises();
  EXPECT_EQ(backOnMain->value(), Value(21));
}

TEST_F(PromiseTest, BlocksNeverRunUnderThePromisesLock) {
  // Every block reaches back into the promise it observes; under its lock this would hang.
  auto promise = Promise::pendingPromise();
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

TEST_F(PromiseTest, ChainFollowsAReturnedPromiseAndPassesARejectionByWithoutARejectBlock) {
  auto inner = Promise::pendingPromise();
  auto outer = Promise::resolvedWith(Value(1))->chainOnQueue(
      nullptr, [inner](const Value&) { return Value(inner); }, nullptr);
  auto passed = Promise::resolvedWith(testError(4))->chainOnQueue(
      nullptr, [](const Value&) { return ADD_FAILURE(), Value(); }, nullptr);
  pump();
  EXPECT_TRUE(outer->isPending());
  inner->fulfill(Value("late"));
  waitForPromises();
  EXPECT_EQ(outer->value(), Value("late"));
  EXPECT_EQ(passed->error()->code, 4);
}

TEST_F(PromiseTest, DispatchGroupCountsOnlyPendingPromisesAndResolutionDropsPendingObjects) {
  waitForPromises();
  auto group = Promise::dispatchGroup();
  auto resolved = Promise::resolvedWith(Value(1));
  Promise::pendingPromise();  // abandoned at once
  EXPECT_TRUE(group.isEmpty());

  auto kept = std::make_shared<int>(3);
  std::weak_ptr<int> watch = kept;
  auto pending = Promise::pendingPromise();
  pending->addPendingObject(std::move(kept));
  EXPECT_FALSE(group.isEmpty());
  EXPECT_FALSE(watch.expired());
  pending->fulfill(Value());
  EXPECT_TRUE(watch.expired());
  EXPECT_TRUE(group.isEmpty());
}

// A chain step's promise is covered in the group by its source and then by its step; whichever way it
// ends up, the group stays non-empty exactly while something can still settle or run.
TEST_F(PromiseTest, DispatchGroupWaitsForChainedPromisesHoweverTheyEnd) {
  waitForPromises();
  auto group = Promise::dispatchGroup();
  auto increment = [](const Value& v) { return Value(v.toInt64() + 1); };

  // Whether the group has been empty since the call, once the main queue has run: not even briefly
  // on the way, or a waiter on another thread could go on while an orphan may still settle.
  auto watchEmptying = [&group] {
    auto emptied = std::make_shared<bool>(false);
    group.notify(Queue::main(), [emptied] { *emptied = true; });
    return emptied;
  };

  // Orphaned: its source is released unsettled while the caller still holds it.
  auto source = Promise::pendingPromise();
  auto orphan = source->then(increment);
  auto emptied = watchEmptying();
  source.reset();
  pump();
  EXPECT_FALSE(group.isEmpty()) << "a pending promise someone holds";
  EXPECT_FALSE(*emptied);
  orphan.reset();
  EXPECT_TRUE(group.isEmpty());
  pump();
  EXPECT_TRUE(*emptied);

  // Orphaned by a source that only a settling promise kept alive, released as that one settles.
  auto keeper = Promise::pendingPromise();
  source = Promise::pendingPromise();
  orphan = source->then(increment);
  keeper->addPendingObject(source);
  source.reset();
  emptied = watchEmptying();
  keeper->fulfill(Value());
  pump();
  EXPECT_FALSE(*emptied);
  orphan.reset();
  pump();
  EXPECT_TRUE(*emptied);

  // Settled by hand before its source: its own callback still counts, and the source's step runs later.
  source = Promise::pendingPromise();
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
  auto inner = Promise::pendingPromise();
  auto outer = Promise::resolvedWith(Value(1))->then([inner](const Value&) { return Value(inner); });
  auto after = outer->then(increment);
  pump();
  EXPECT_FALSE(group.isEmpty());
  EXPECT_TRUE(outer->isPending());
  inner->fulfill(Value(41));
  waitForPromises();
  EXPECT_EQ(after->value(), Value(42));
  EXPECT_TRUE(group.isEmpty());
}

TEST_F(PromiseTest, DroppingALongUnresolvedChainReleasesEveryPromise) {
  // Each step owns the next through its observer; releasing them must not recurse once per step.
  auto head = Promise::pendingPromise();
  Promise::Ptr tail = head;
  for (int i = 0; i < 100000; ++i) tail = tail->then([](const Value& v) { return v; });
  std::weak_ptr<Promise> last = tail;
  tail.reset();
  head.reset();
  EXPECT_TRUE(last.expired());
  EXPECT_TRUE(Promise::dispatchGroup().isEmpty());
}

TEST_F(PromiseTest, ResolvedFromManyThreadsObservedOnSerialQueues) {
  // Resolution races against observation from other threads; each callback runs once on its queue.
  auto queue = Queue::serial("promise-test");
  std::atomic<int> sum{0};
  std::vector<Promise::Ptr> promises;
  std::vector<Promise::Ptr> chained(100);
  for (int i = 0; i < 100; ++i) promises.push_back(Promise::pendingPromise());
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
  auto all = Promise::onQueueAll(queue, Promise::arrayOf(promises));
  auto allChained = Promise::onQueueAll(queue, Promise::arrayOf(chained));
  waitForPromises();
  EXPECT_EQ(sum.load(), 100);
  EXPECT_EQ(all->value().size(), 100u);
  ASSERT_EQ(allChained->value().size(), 100u);
  EXPECT_EQ(allChained->value().array()->back(), Value(2));
  EXPECT_TRUE(Promise::dispatchGroup().isEmpty());
}

}  // namespace sdk::promises

