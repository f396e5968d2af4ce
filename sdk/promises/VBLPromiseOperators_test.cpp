#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sdk/promises/VBLPromise.h"
#include "sdk/promises/VBLPromiseTestSupport.h"

using ostrel::testing::VBLPromiseTest;

using platform::dispatch::Queue;

TEST_F(VBLPromiseTest, ThenCatchRecoverAlwaysValidate) {
  std::vector<std::string> seen;
  auto failed = VBLPromise::resolvedWith(Value(2))
                    ->then([](const Value& v) { return Value(v.toInt64() * 10); })
                    ->validate([](const Value& v) { return v.toInt64() > 100; })
                    ->catchError([&](const Error& e) { seen.push_back("catch " + std::to_string(e.code)); })
                    ->always([&] { seen.push_back("always"); });
  auto recovered = failed->recover([](const Error& e) { return Value(e.code); });
  auto recoveredLater = failed->recover([](const Error&) { return Value(VBLPromise::resolvedWith(Value("later"))); });
  auto thenFails = VBLPromise::resolvedWith(Value(1))->then([this](auto&) { return VBLValueWithError(testError(5)); });
  auto passing = VBLPromise::resolvedWith(Value(200))->validate([](const Value& v) { return v.toInt64() > 100; });
  auto onWorker = VBLPromise::resolvedWith(Value(1))->onQueueThen(Queue::serial("then"), [](const Value& v) {
    EXPECT_FALSE(platform::dispatch::MainLoop::isMainThread());
    return v;
  });
  waitForPromises();
  EXPECT_EQ(failed->error()->domain, kVBLPromiseErrorDomain);
  EXPECT_EQ(failed->error()->code, VBLPromiseErrorCodeValidationFailure);
  EXPECT_EQ(seen, (std::vector<std::string>{"catch 2", "always"}));
  EXPECT_EQ(recovered->value(), Value(2));
  EXPECT_EQ(recoveredLater->value(), Value("later"));
  EXPECT_EQ(thenFails->error()->code, 5);
  EXPECT_EQ(passing->value(), Value(200));
  EXPECT_EQ(onWorker->value(), Value(1));
}

TEST_F(VBLPromiseTest, DelayHoldsOnlyFulfilmentAndMissingQueuesOrBlocksFallBack) {
  auto clock = useManualClock();
  auto delayed = VBLPromise::resolvedWith(Value("v"))->delay(2.0);
  auto rejected = VBLPromise::resolvedWith(testError(1))->delay(2.0);
  // No queue means the default queue, for the timed operators as for the rest.
  auto limited = VBLPromise::pendingPromise()->onQueueTimeout(nullptr, 1.0);
  auto delayedOnDefault = VBLPromise::resolvedWith(Value(1))->onQueueDelay(nullptr, 1.0);
  // An observer or a catch/always without a block for what happened just lets the result pass.
  auto failed = VBLPromise::resolvedWith(testError(3));
  failed->observeOnQueue(nullptr, [](const Value&) { ADD_FAILURE(); }, nullptr);
  VBLPromise::resolvedWith(Value(2))->observeOnQueue(nullptr, nullptr, [](const Error&) { ADD_FAILURE(); });
  auto caught = failed->catchError(nullptr)->always(nullptr);
  pump();
  EXPECT_TRUE(delayed->isPending());
  EXPECT_TRUE(rejected->isRejected());
  clock->advance(1.9);
  pump();
  EXPECT_EQ(delayedOnDefault->value(), Value(1));
  EXPECT_EQ(limited->error()->code, VBLPromiseErrorCodeTimedOut);
  EXPECT_TRUE(delayed->isPending());
  clock->advance(0.1);
  waitForPromises();
  EXPECT_EQ(delayed->value(), Value("v"));
  EXPECT_EQ(caught->error()->code, 3);
}

TEST_F(VBLPromiseTest, TimeoutLosesToAnEarlierResultAndWinsOtherwise) {
  auto clock = useManualClock();
  auto quick = VBLPromise::pendingPromise();
  auto limitedQuick = quick->timeout(1.0);
  auto slow = VBLPromise::pendingPromise();
  auto limitedSlow = slow->timeout(1.0);
  VBLPromise::pendingPromise()->timeout(1.0);  // nobody holds it when its timer fires
  quick->fulfill(Value("first"));
  pump();
  clock->advance(1.0);
  pump();
  EXPECT_EQ(limitedQuick->value(), Value("first"));
  EXPECT_EQ(limitedSlow->error()->domain, kVBLPromiseErrorDomain);
  EXPECT_EQ(limitedSlow->error()->code, VBLPromiseErrorCodeTimedOut);
  slow->fulfill(Value("too late"));
  waitForPromises();
  EXPECT_TRUE(limitedSlow->isRejected());
}

TEST_F(VBLPromiseTest, RetryRunsTwiceOneSecondApartStopsOnConditionAndFollowsPromises) {
  auto clock = useManualClock();
  std::vector<double> runs;
  auto retried = VBLPromise::retry([&] {
    runs.push_back(clock->monotonic());
    return VBLValueWithError(testError(static_cast<std::int64_t>(runs.size())));
  });
  ASSERT_EQ(runs.size(), 1u) << "the first attempt runs at once, on this thread";
  std::vector<std::int64_t> remainingSeen;
  auto refused = VBLPromise::attempts(
      3, 0.5, [&](std::int64_t remaining, const Error&) { return remainingSeen.push_back(remaining), false; },
      [this] { return VBLValueWithError(testError(1)); });
  int tries = 0;
  auto succeeded = VBLPromise::attempts(3, [&] {
    return Value(++tries < 3 ? VBLPromise::resolvedWith(testError(tries)) : VBLPromise::resolvedWith(Value("ok")));
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

TEST_F(VBLPromiseTest, AllWaitsForEveryValueAndRejectsOnTheFirstError) {
  auto a = VBLPromise::pendingPromise();
  auto b = VBLPromise::pendingPromise();
  auto together = VBLPromise::all({Value(a), Value("plain"), Value(b)});
  auto failing = VBLPromise::pendingPromise();
  auto rejected = VBLPromise::all({Value(b), Value(failing)});
  // An error among plain values rejects at once.
  auto withError = VBLPromise::all({Value(VBLPromise::pendingPromise()), VBLValueWithError(testError(7))});
  a->fulfill(Value());
  failing->reject(testError(6));
  pump();
  EXPECT_TRUE(together->isPending());
  EXPECT_EQ(rejected->error()->code, 6) << "without waiting for the pending one";
  EXPECT_EQ(withError->error()->code, 7);
  b->fulfill(Value(2));
  waitForPromises();
  EXPECT_EQ(together->value(), Value(Array{Value::null(), Value("plain"), Value(2)}));
  EXPECT_EQ(VBLPromise::all({})->value(), Value(Array{}));
}

TEST_F(VBLPromiseTest, AnyMixesValuesAndErrorsAndRejectsOnlyWhenAllFail) {
  auto failing = VBLPromise::pendingPromise();
  auto empty = VBLPromise::pendingPromise();
  auto mixed = VBLPromise::any({Value(failing), Value(empty), Value(4)});
  auto first = VBLPromise::pendingPromise();
  auto allFailed = VBLPromise::any({Value(first), Value(failing)});
  failing->reject(testError(1));
  pump();
  EXPECT_TRUE(mixed->isPending());
  empty->fulfill(Value());
  first->reject(testError(2));
  waitForPromises();
  EXPECT_EQ(allFailed->error()->code, 2) << "the last error";
  const Value results = mixed->value();
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(VBLErrorFromValue(results.at(0))->code, 1);
  EXPECT_TRUE(results.at(1).isNull());
  EXPECT_EQ(results.at(2), Value(4));
}

TEST_F(VBLPromiseTest, DroppedAllAndAnyOverPendingMembersAreReleasedWhileHeldMembersKeepThemGoing) {
  using Combine = VBLPromise::Ptr (*)(Array);
  for (Combine combine : {&VBLPromise::all, &VBLPromise::any}) {
    std::weak_ptr<VBLPromise> weakResult, weakMember;
    {
      auto member = VBLPromise::pendingPromise();
      auto result = combine({Value(member), Value(1)});
      pump();  // the members are observed now
      weakResult = result;
      weakMember = member;
    }
    EXPECT_TRUE(weakMember.expired());
    EXPECT_TRUE(weakResult.expired());
    EXPECT_TRUE(VBLPromise::dispatchGroup().isEmpty()) << "a pending member nobody holds keeps no one waiting";

    // A member someone still holds (and may resolve) carries a dropped result through to its chain.
    auto held = VBLPromise::pendingPromise();
    auto continued = combine({Value(held)})->then([](const Value& v) { return Value(v.size()); });
    pump();
    held->fulfill(Value("done"));
    waitForPromises();
    EXPECT_EQ(continued->value(), Value(1));
  }
}

TEST_F(VBLPromiseTest, RaceTakesTheFirstToSettleAndAnEmptyRaceNeverSettles) {
  auto slow = VBLPromise::pendingPromise();
  auto fast = VBLPromise::pendingPromise();
  auto raced = VBLPromise::race({Value(slow), Value(fast)});
  auto withPlain = VBLPromise::race({Value(VBLPromise::pendingPromise()), Value("plain")});
  fast->reject(testError(5));
  pump();
  slow->fulfill(Value(1));
  waitForPromises();
  EXPECT_EQ(raced->error()->code, 5);
  EXPECT_EQ(withPlain->value(), Value("plain"));
  auto empty = VBLPromise::race({});
  pump();
  EXPECT_TRUE(empty->isPending());
  EXPECT_FALSE(VBLPromise::dispatchGroup().isEmpty());
  empty.reset();
  EXPECT_TRUE(VBLPromise::dispatchGroup().isEmpty());
}

TEST_F(VBLPromiseTest, ReduceFoldsItemsInOrder) {
  auto start = VBLPromise::resolvedWith(Value("a"));
  EXPECT_EQ(start->reduce({}, nullptr), start);
  auto joined = start->reduce({Value("b"), Value("c")}, [](const Value& partial, const Value& item) {
    return Value(partial.toString() + item.toString());
  });
  auto stopped = VBLPromise::resolvedWith(testError(4))->reduce(
      {Value(1)}, [](const Value&, const Value&) { return ADD_FAILURE(), Value(); });
  waitForPromises();
  EXPECT_EQ(joined->value(), Value("abc"));
  EXPECT_EQ(stopped->error()->code, 4);
}

TEST_F(VBLPromiseTest, AsyncAndDoRunOnTheQueueAndFollowResults) {
  bool ranYet = false;
  std::thread resolver;
  auto fromThread = VBLPromise::async([&](VBLPromise::FulfillBlock fulfill, VBLPromise::RejectBlock) {
    ranYet = true;
    resolver = std::thread([fulfill] { fulfill(Value("from a thread")); });
  });
  EXPECT_FALSE(ranYet);
  auto inner = VBLPromise::pendingPromise();
  auto following = VBLPromise::doWork([inner] { return Value(inner); });
  auto erroring = VBLPromise::doWork([this] { return VBLValueWithError(testError(3)); });
  pump();
  inner->fulfill(Value(9));
  waitForPromises();
  resolver.join();
  EXPECT_EQ(fromThread->value(), Value("from a thread"));
  EXPECT_EQ(following->value(), Value(9));
  EXPECT_EQ(erroring->error()->code, 3);
}

TEST_F(VBLPromiseTest, WrapMapsEachCompletionShape) {
  auto objectIsError = VBLPromise::wrapObjectCompletion([this](auto done) { done(VBLValueWithError(testError(1))); });
  auto objectOrError = VBLPromise::wrapObjectOrErrorCompletion([this](auto done) { done(Value("x"), testError(2)); });
  auto errorOrObject = VBLPromise::wrapErrorOrObjectCompletion([](auto done) { done(std::nullopt, Value("y")); });
  auto two = VBLPromise::wrap2ObjectsOrErrorCompletion([](auto done) { done(Value(1), Value(), std::nullopt); });
  auto boolean = VBLPromise::wrapBoolOrErrorCompletion([](auto done) { done(true, std::nullopt); });
  auto real = VBLPromise::wrapDoubleOrErrorCompletion([this](auto done) { done(1.5, testError(3)); });
  auto followed = VBLPromise::wrapObjectCompletion([](auto done) { done(Value(VBLPromise::resolvedWith(Value(8)))); });
  waitForPromises();
  EXPECT_EQ(objectIsError->error()->code, 1);
  EXPECT_EQ(objectOrError->error()->code, 2);
  EXPECT_EQ(errorOrObject->value(), Value("y"));
  EXPECT_EQ(two->value(), Value(Array{Value(1), Value::null()}));
  EXPECT_EQ(boolean->value(), Value(true));
  EXPECT_EQ(real->error()->code, 3);
  EXPECT_EQ(followed->value(), Value(8));
}
