#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sdk/promises/Promise.h"
#include "sdk/promises/PromiseTestSupport.h"

namespace sdk::promises {

using ostrel::testing::PromiseTest;

using platform::dispatch::Queue;

TEST_F(PromiseTest, ThenCatchRecoverAlwaysValidate) {
  std::vector<std::string> seen;
  auto failed = Promise::resolvedWith(Value(2))
                    ->then([](const Value& v) { return Value(v.toInt64() * 10); })
                    ->validate([](const Value& v) { return v.toInt64() > 100; })
                    ->catchError([&](const Error& e) { seen.push_back("catch " + std::to_string(e.code)); })
                    ->always([&] { seen.push_back("always"); });
  auto recovered = failed->recover([](const Error& e) { return Value(e.code); });
  auto recoveredLater = failed->recover([](const Error&) { return Value(Promise::resolvedWith(Value("later"))); });
  auto thenFails = Promise::resolvedWith(Value(1))->then([this](auto&) { return valueWithError(testError(5)); });
  auto passing = Promise::resolvedWith(Value(200))->validate([](const Value& v) { return v.toInt64() > 100; });
  auto onWorker = Promise::resolvedWith(Value(1))->onQueueThen(Queue::serial("then"), [](const Value& v) {
    EXPECT_FALSE(platform::dispatch::MainLoop::isMainThread());
    return v;
  });
  waitForPromises();
  EXPECT_EQ(failed->error()->domain, kPromiseErrorDomain);
  EXPECT_EQ(failed->error()->code, kPromiseErrorCodeValidationFailure);
  EXPECT_EQ(seen, (std::vector<std::string>{"catch 2", "always"}));
  EXPECT_EQ(recovered->value(), Value(2));
  EXPECT_EQ(recoveredLater->value(), Value("later"));
  EXPECT_EQ(thenFails->error()->code, 5);
  EXPECT_EQ(passing->value(), Value(200));
  EXPECT_EQ(onWorker->value(), Value(1));
}

TEST_F(PromiseTest, DelayHoldsOnlyFulfilmentAndMissingQueuesOrBlocksFallBack) {
  auto clock = useManualClock();
  auto delayed = Promise::resolvedWith(Value("v"))->delay(2.0);
  auto rejected = Promise::resolvedWith(testError(1))->delay(2.0);
  // No queue means the default queue, for the timed operators as for the rest.
  auto limited = Promise::pendingPromise()->onQueueTimeout(nullptr, 1.0);
  auto delayedOnDefault = Promise::resolvedWith(Value(1))->onQueueDelay(nullptr, 1.0);
  // An observer or a catch/always without a block for what happened just lets the result pass.
  auto failed = Promise::resolvedWith(testError(3));
  failed->observeOnQueue(nullptr, [](const Value&) { ADD_FAILURE(); }, nullptr);
  Promise::resolvedWith(Value(2))->observeOnQueue(nullptr, nullptr, [](const Error&) { ADD_FAILURE(); });
  auto caught = failed->catchError(nullptr)->always(nullptr);
  pump();
  EXPECT_TRUE(delayed->isPending());
  EXPECT_TRUE(rejected->isRejected());
  clock->advance(1.9);
  pump();
  EXPECT_EQ(delayedOnDefault->value(), Value(1));
  EXPECT_EQ(limited->error()->code, kPromiseErrorCodeTimedOut);
  EXPECT_TRUE(delayed->isPending());
  clock->advance(0.1);
  waitForPromises();
  EXPECT_EQ(delayed->value(), Value("v"));
  EXPECT_EQ(caught->error()->code, 3);
}

TEST_F(PromiseTest, TimeoutLosesToAnEarlierResultAndWinsOtherwise) {
  auto clock = useManualClock();
  auto quick = Promise::pendingPromise();
  auto limitedQuick = quick->timeout(1.0);
  auto slow = Promise::pendingPromise();
  auto limitedSlow = slow->timeout(1.0);
  Promise::pendingPromise()->timeout(1.0);  // nobody holds it when its timer fires
  quick->fulfill(Value("first"));
  pump();
  clock->advance(1.0);
  pump();
  EXPECT_EQ(limitedQuick->value(), Value("first"));
  EXPECT_EQ(limitedSlow->error()->domain, kPromiseErrorDomain);
  EXPECT_EQ(limitedSlow->error()->code, kPromiseErrorCodeTimedOut);
  slow->fulfill(Value("too late"));
  waitForPromises();
  EXPECT_TRUE(limitedSlow->isRejected());
}

TEST_F(PromiseTest, RetryRunsTwiceOneSecondApartStopsOnConditionAndFollowsPromises) {
  auto clock = useManualClock();
  std::vector<double> runs;
  auto retried = Promise::retry([&] {
    runs.push_back(clock->monotonic());
    return valueWithError(testError(static_cast<std::int64_t>(runs.size())));
  });
  ASSERT_EQ(runs.size(), 1u) << "the first attempt runs at once, on this thread";
  std::vector<std::int64_t> remainingSeen;
  auto refused = Promise::attempts(
      3, 0.5, [&](std::int64_t remaining, const Error&) { return remainingSeen.push_back(remaining), false; },
      [this] { return valueWithError(testError(1)); });
  int tries = 0;
  auto succeeded = Promise::attempts(3, [&] {
    return Value(++tries < 3 ? Promise::resolvedWith(testError(tries)) : Promise::resolvedWith(Value("ok")));
  });
  pump();
  EXPECT_TRUE(retried->isPending());
  for (int i = 0; i < 3; ++i) clock->advance(1.0), pump();
  waitForPromises();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_DOUBLE_EQ(runs[1] - runs[0], 1.0);
  EXPECT_EQ(retried->error()->code, 2);
  EXPECT_EQ(remainingSeen, std::vector<std::int64_t>{3}) << "asked once, after the first failure";
  EXPECT_TRUE(refused->isRejected());
  EXPECT_EQ(tries, 3);
  EXPECT_EQ(succeeded->value(), Value("ok"));
}

TEST_F(PromiseTest, AllWaitsForEveryValueAndRejectsOnTheFirstError) {
  auto a = Promise::pendingPromise();
  auto b = Promise::pendingPromise();
  auto together = Promise::all({Value(a), Value("plain"), Value(b)});
  auto failing = Promise::pendingPromise();
  auto rejected = Promise::all({Value(b), Value(failing)});
  // An error among plain values rejects at once.
  auto withError = Promise::all({Value(Promise::pendingPromise()), valueWithError(testError(7))});
  a->fulfill(Value());
  failing->reject(testError(6));
  pump();
  EXPECT_TRUE(together->isPending());
  EXPECT_EQ(rejected->error()->code, 6) << "without waiting for the pending one";
  EXPECT_EQ(withError->error()->code, 7);
  b->fulfill(Value(2));
  waitForPromises();
  EXPECT_EQ(together->value(), Value(Array{Value::null(), Value("plain"), Value(2)}));
  EXPECT_EQ(Promise::all({})->value(), Value(Array{}));
}

// Each member's value lands in its own place however the members settle: out of order, before the
// join began, or on other threads at once; the first rejection to arrive is the join's.
TEST_F(PromiseTest, AllKeepsTheMembersOrderAndTheFirstRejection) {
  auto zero = Promise::pendingPromise();
  auto one = Promise::pendingPromise();
  auto three = Promise::pendingPromise();
  auto four = Promise::pendingPromise();
  one->fulfill(Value(1));  // settled before the join observes it
  auto together = Promise::all({Value(zero), Value(one), Value("plain"), Value(three), Value(four),
                                Value(Promise::resolvedWith(Value(5)))});
  pump();
  four->fulfill(Value(4));
  three->fulfill(Value());
  pump();
  EXPECT_TRUE(together->isPending());
  zero->fulfill(Value(0));
  waitForPromises();
  EXPECT_EQ(together->value(), Value(Array{Value(0), Value(1), Value("plain"), Value::null(), Value(4), Value(5)}));

  auto early = Promise::resolvedWith(testError(3));
  auto first = Promise::pendingPromise();
  auto second = Promise::pendingPromise();
  auto settledEarly = Promise::all({Value(second), Value(early)});
  auto firstToArrive = Promise::all({Value(second), Value(first), Value(Promise::resolvedWith(Value(1)))});
  pump();
  first->reject(testError(1));
  pump();
  second->reject(testError(2));
  waitForPromises();
  EXPECT_EQ(settledEarly->error()->code, 3);
  EXPECT_EQ(firstToArrive->error()->code, 1);

  // Settled from four threads and observed on a concurrent queue.
  constexpr int kMembers = 2000;
  std::vector<Promise::Ptr> many;
  for (int i = 0; i < kMembers; ++i) many.push_back(Promise::pendingPromise());
  auto joined = Promise::onQueueAll(Queue::concurrent("test.all"), Promise::arrayOf(many));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = t; i < kMembers; i += 4) many[i]->fulfill(Value(i));
    });
  }
  for (auto& thread : threads) thread.join();
  waitForPromises();
  const Value values = joined->value();
  ASSERT_EQ(values.size(), static_cast<std::size_t>(kMembers));
  for (int i = 0; i < kMembers; ++i) EXPECT_EQ(values.at(i), Value(i)) << i;
}

TEST_F(PromiseTest, AnyMixesValuesAndErrorsAndRejectsOnlyWhenAllFail) {
  auto failing = Promise::pendingPromise();
  auto empty = Promise::pendingPromise();
  auto mixed = Promise::any({Value(failing), Value(empty), Value(4)});
  auto first = Promise::pendingPromise();
  auto allFailed = Promise::any({Value(first), Value(failing)});
  failing->reject(testError(1));
  pump();
  EXPECT_TRUE(mixed->isPending());
  empty->fulfill(Value());
  first->reject(testError(2));
  waitForPromises();
  EXPECT_EQ(allFailed->error()->code, 2) << "the last error";
  const Value results = mixed->value();
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(errorFromValue(results.at(0))->code, 1);
  EXPECT_TRUE(results.at(1).isNull());
  EXPECT_EQ(results.at(2), Value(4));
}

TEST_F(PromiseTest, DroppedAllAndAnyOverPendingMembersAreReleasedWhileHeldMembersKeepThemGoing) {
  using Combine = Promise::Ptr (*)(Array);
  for (Combine combine : {Combine{&Promise::all}, Combine{&Promise::any}}) {
    std::weak_ptr<Promise> weakResult, weakMember;
    {
      auto member = Promise::pendingPromise();
      auto result = combine({Value(member), Value(1)});
      pump();  // the members are observed now
      weakResult = result;
      weakMember = member;
    }
    EXPECT_TRUE(weakMember.expired());
    EXPECT_TRUE(weakResult.expired());
    EXPECT_TRUE(Promise::dispatchGroup().isEmpty()) << "a pending member nobody holds keeps no one waiting";

    // A member someone still holds (and may resolve) carries a dropped result through to its chain.
    auto held = Promise::pendingPromise();
    auto continued = combine({Value(held)})->then([](const Value& v) { return Value(v.size()); });
    pump();
    held->fulfill(Value("done"));
    waitForPromises();
    EXPECT_EQ(continued->value(), Value(1));
  }
}

TEST_F(PromiseTest, RaceTakesTheFirstToSettleAndAnEmptyRaceNeverSettles) {
  auto slow = Promise::pendingPromise();
  auto fast = Promise::pendingPromise();
  auto raced = Promise::race({Value(slow), Value(fast)});
  auto withPlain = Promise::race({Value(Promise::pendingPromise()), Value("plain")});
  fast->reject(testError(5));
  pump();
  slow->fulfill(Value(1));
  waitForPromises();
  EXPECT_EQ(raced->error()->code, 5);
  EXPECT_EQ(withPlain->value(), Value("plain"));
  auto empty = Promise::race({});
  pump();
  EXPECT_TRUE(empty->isPending());
  EXPECT_FALSE(Promise::dispatchGroup().isEmpty());
  empty.reset();
  EXPECT_TRUE(Promise::dispatchGroup().isEmpty());
}

TEST_F(PromiseTest, ReduceFoldsItemsInOrder) {
  auto start = Promise::resolvedWith(Value("a"));
  EXPECT_EQ(start->reduce({}, nullptr), start);
  auto joined = start->reduce({Value("b"), Value("c")}, [](const Value& partial, const Value& item) {
    return Value(partial.toString() + item.toString());
  });
  auto stopped = Promise::resolvedWith(testError(4))->reduce(
      {Value(1)}, [](const Value&, const Value&) { return ADD_FAILURE(), Value(); });
  waitForPromises();
  EXPECT_EQ(joined->value(), Value("abc"));
  EXPECT_EQ(stopped->error()->code, 4);
}

TEST_F(PromiseTest, AsyncAndDoRunOnTheQueueAndFollowResults) {
  bool ranYet = false;
  std::thread resolver;
  auto fromThread = Promise::async([&](Promise::FulfillBlock fulfill, Promise::RejectBlock) {
    ranYet = true;
    resolver = std::thread([fulfill] { fulfill(Value("from a thread")); });
  });
  EXPECT_FALSE(ranYet);
  auto inner = Promise::pendingPromise();
  auto following = Promise::doWork([inner] { return Value(inner); });
  auto erroring = Promise::doWork([this] { return valueWithError(testError(3)); });
  pump();
  inner->fulfill(Value(9));
  waitForPromises();
  resolver.join();
  EXPECT_EQ(fromThread->value(), Value("from a thread"));
  EXPECT_EQ(following->value(), Value(9));
  EXPECT_EQ(erroring->error()->code, 3);
}

TEST_F(PromiseTest, WrapMapsEachCompletionShape) {
  auto objectIsError = Promise::wrapObjectCompletion([this](auto done) { done(valueWithError(testError(1))); });
  auto objectOrError = Promise::wrapObjectOrErrorCompletion([this](auto done) { done(Value("x"), testError(2)); });
  auto errorOrObject = Promise::wrapErrorOrObjectCompletion([](auto done) { done(std::nullopt, Value("y")); });
  auto two = Promise::wrap2ObjectsOrErrorCompletion([](auto done) { done(Value(1), Value(), std::nullopt); });
  auto boolean = Promise::wrapBoolOrErrorCompletion([](auto done) { done(true, std::nullopt); });
  auto real = Promise::wrapDoubleOrErrorCompletion([this](auto done) { done(1.5, testError(3)); });
  auto followed = Promise::wrapObjectCompletion([](auto done) { done(Value(Promise::resolvedWith(Value(8)))); });
  waitForPromises();
  EXPECT_EQ(objectIsError->error()->code, 1);
  EXPECT_EQ(objectOrError->error()->code, 2);
  EXPECT_EQ(errorOrObject->value(), Value("y"));
  EXPECT_EQ(two->value(), Value(Array{Value(1), Value::null()}));
  EXPECT_EQ(boolean->value(), Value(true));
  EXPECT_EQ(real->error()->code, 3);
  EXPECT_EQ(followed->value(), Value(8));
}

}  // namespace sdk::promises

