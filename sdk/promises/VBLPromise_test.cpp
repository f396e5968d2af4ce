#include "sdk/promises/VBLPromise.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "sdk/promises/VBLPromiseTestSupport.h"

using platform::dispatch::Queue;

TEST_F(VBLPromiseTest, ResolvesOnceAndAnErrorValueRejects) {
  auto promise = VBLPromise::pendingPromise();
  EXPECT_TRUE(promise->isPending());
  promise->fulfill(VBLValueWithError(testError(7)));
  promise->fulfill(Value(1));
  promise->reject(testError(8));
  ASSERT_TRUE(promise->isRejected());
  EXPECT_EQ(promise->error()->code, 7);
  EXPECT_TRUE(promise->value().isNil());

  auto empty = VBLPromise::pendingPromise();
  empty->fulfill(Value());
  EXPECT_TRUE(empty->isFulfilled());
  EXPECT_TRUE(empty->value().isNil());

  EXPECT_TRUE(VBLPromise::resolvedWith(VBLValueWithError(testError(1)))->isRejected());
  EXPECT_EQ(VBLPromise::resolvedWith(Value("x"))->value(), Value("x"));
}

TEST_F(VBLPromiseTest, ObserversRunLaterOnTheirQueueInRegistrationOrder) {
  auto promise = VBLPromise::pendingPromise();
  std::vector<int> order;
  promise->observeOnQueue(nullptr, [&](const Value&) { order.push_back(1); }, [](const Error&) { FAIL(); });
  promise->observeOnQueue(nullptr, [&](const Value&) { order.push_back(2); }, [](const Error&) { FAIL(); });
  promise->fulfill(Value(5));
  // Already resolved: still scheduled, never run on the caller's stack.
  promise->observeOnQueue(nullptr, [&](const Value& v) { order.push_back(static_cast<int>(v.toInt64())); },
                          [](const Error&) { FAIL(); });
  EXPECT_TRUE(order.empty());
  waitForPromises();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 5}));

  auto rejected = VBLPromise::resolvedWith(testError(3));
  std::int64_t code = 0;
  rejected->observeOnQueue(nullptr, [](const Value&) { FAIL(); }, [&](const Error& e) { code = e.code; });
  EXPECT_EQ(code, 0);
  waitForPromises();
  EXPECT_EQ(code, 3);
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

TEST_F(VBLPromiseTest, ChainFollowsReturnedPromisesAndPassesRejections) {
  auto inner = VBLPromise::pendingPromise();
  auto outer = VBLPromise::resolvedWith(Value(1))->chainOnQueue(
      nullptr, [inner](const Value&) { return Value(inner); }, nullptr);
  pump();
  EXPECT_TRUE(outer->isPending());
  inner->fulfill(Value("late"));
  waitForPromises();
  EXPECT_EQ(outer->value(), Value("late"));

  // No reject block: the same error arrives at the end unchanged.
  bool fulfilBlockRan = false;
  auto passed = VBLPromise::resolvedWith(testError(4))->chainOnQueue(
      nullptr,
      [&](const Value& v) {
        fulfilBlockRan = true;
        return v;
      },
      nullptr);
  auto failing = VBLPromise::resolvedWith(Value(1))->chainOnQueue(
      nullptr, [this](const Value&) { return VBLValueWithError(testError(5)); }, nullptr);
  waitForPromises();
  EXPECT_FALSE(fulfilBlockRan);
  EXPECT_EQ(passed->error()->code, 4);
  EXPECT_EQ(failing->error()->code, 5);
}

TEST_F(VBLPromiseTest, DispatchGroupCountsOnlyPendingPromises) {
  waitForPromises();
  auto group = VBLPromise::dispatchGroup();
  EXPECT_TRUE(group.isEmpty());
  auto resolved = VBLPromise::resolvedWith(Value(1));
  EXPECT_TRUE(group.isEmpty());
  {
    auto abandoned = VBLPromise::pendingPromise();
    EXPECT_FALSE(group.isEmpty());
  }
  EXPECT_TRUE(group.isEmpty());

  auto kept = std::make_shared<int>(3);
  std::weak_ptr<int> watch = kept;
  auto pending = VBLPromise::pendingPromise();
  pending->addPendingObject(std::move(kept));
  EXPECT_FALSE(watch.expired());
  pending->fulfill(Value());
  EXPECT_TRUE(watch.expired());
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

TEST_F(VBLPromiseTest, DescriptionNamesStateAndAddress) {
  auto pending = VBLPromise::pendingPromise();
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<const void*>(pending.get()));
  EXPECT_EQ(pending->description(), std::string("<VBLPromise ") + address + "> Pending");
  pending->fulfill(Value(42));
  EXPECT_EQ(pending->description(), std::string("<VBLPromise ") + address + "> Fulfilled: 42");
  auto rejected = VBLPromise::resolvedWith(testError(9));
  EXPECT_NE(rejected->description().find("> Rejected: Error Domain=test Code=9"), std::string::npos);
}

TEST_F(VBLPromiseTest, ResolvedFromManyThreadsObservedOnSerialQueues) {
  // Resolution races against observation from other threads; each callback runs once on its queue.
  auto queue = Queue::serial("promise-test");
  std::atomic<int> sum{0};
  std::vector<VBLPromise::Ptr> promises;
  for (int i = 0; i < 100; ++i) promises.push_back(VBLPromise::pendingPromise());
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = t; i < 100; i += 4) {
        promises[i]->observeOnQueue(
            queue,
            [&, queue](const Value& v) {
              EXPECT_TRUE(queue->isCurrent());
              sum += static_cast<int>(v.toInt64());
            },
            nullptr);
        promises[(i + 50) % 100]->fulfill(Value(1));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  auto all = VBLPromise::onQueueAll(queue, VBLPromise::arrayOf(promises));
  waitForPromises();
  EXPECT_EQ(sum.load(), 100);
  EXPECT_EQ(all->value().size(), 100u);
}
