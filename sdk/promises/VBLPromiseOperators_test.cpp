#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sdk/promises/VBLPromise.h"
#include "sdk/promises/VBLPromiseTestSupport.h"

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
  waitForPromises();
  ASSERT_TRUE(failed->isRejected());
  EXPECT_EQ(failed->error()->domain, kVBLPromiseErrorDomain);
  EXPECT_EQ(failed->error()->code, VBLPromiseErrorCodeValidationFailure);
  EXPECT_EQ(seen, (std::vector<std::string>{"catch 2", "always"}));
  EXPECT_EQ(recovered->value(), Value(2));
  EXPECT_EQ(recoveredLater->value(), Value("later"));

  auto passing = VBLPromise::resolvedWith(Value(200))->validate([](const Value& v) { return v.toInt64() > 100; });
  auto onWorker = VBLPromise::resolvedWith(Value(1))->onQueueThen(Queue::serial("then"), [](const Value& v) {
    EXPECT_FALSE(platform::dispatch::MainLoop::isMainThread());
    return v;
  });
  waitForPromises();
  EXPECT_EQ(passing->value(), Value(200));
  EXPECT_EQ(onWorker->value(), Value(1));
}

TEST_F(VBLPromiseTest, DelayHoldsFulfilmentButNotRejection) {
  auto clock = useManualClock();
  auto delayed = VBLPromise::resolvedWith(Value("v"))->delay(2.0);
  auto rejected = VBLPromise::resolvedWith(testError(1))->delay(2.0);
  pump();
  EXPECT_TRUE(delayed->isPending());
  EXPECT_TRUE(rejected->isRejected());
  clock->advance(1.9);
  pump();
  EXPECT_TRUE(delayed->isPending());
  clock->advance(0.1);
  waitForPromises();
  EXPECT_EQ(delayed->value(), Value("v"));
}

TEST_F(VBLPromiseTest, TimeoutLosesToAnEarlierResultAndWinsOtherwise) {
  auto clock = useManualClock();
  auto quick = VBLPromise::pendingPromise();
  auto limitedQuick = quick->timeout(1.0);
  auto slow = VBLPromise::pendingPromise();
  auto limitedSlow = slow->timeout(1.0);
  quick->fulfill(Value("first"));
  pump();
  EXPECT_EQ(limitedQuick->value(), Value("first"));
  clock->advance(1.0);
  pump();
  EXPECT_EQ(limitedQuick->value(), Value("first"));
  ASSERT_TRUE(limitedSlow->isRejected());
  EXPECT_EQ(limitedSlow->error()->domain, kVBLPromiseErrorDomain);
  EXPECT_EQ(limitedSlow->error()->code, VBLPromiseErrorCodeTimedOut);
  slow->fulfill(Value("too late"));
  waitForPromises();
  EXPECT_TRUE(limitedSlow->isRejected());

  // A timed promise nobody holds any more is left alone when its timer fires.
  VBLPromise::pendingPromise()->timeout(1.0);
  clock->advance(1.0);
  pump();
}

TEST_F(VBLPromiseTest, MissingQueuesAndBlocksFallBackInsteadOfCrashing) {
  // No queue means the default queue, for the timed operators as for the rest.
  auto clock = useManualClock();
  auto delayed = VBLPromise::resolvedWith(Value(1))->onQueueDelay(nullptr, 1.0);
  auto limited = VBLPromise::pendingPromise()->onQueueTimeout(nullptr, 1.0);
  pump();
  EXPECT_TRUE(delayed->isPending());
  clock->advance(1.0);
  waitForPromises();
  EXPECT_EQ(delayed->value(), Value(1));
  EXPECT_EQ(limited->error()->code, VBLPromiseErrorCodeTimedOut);

  // An observer or a catch/always without a block for what happened just lets the result pass.
  auto failed = VBLPromise::resolvedWith(testError(3));
  failed->observeOnQueue(nullptr, [](const Value&) { ADD_FAILURE(); }, nullptr);
  VBLPromise::resolvedWith(Value(2))->observeOnQueue(nullptr, nullptr, [](const Error&) { ADD_FAILURE(); });
  auto caught = failed->catchError(nullptr)->always(nullptr);
  waitForPromises();
  EXPECT_EQ(caught->error()->code, 3);
}

TEST_F(VBLPromiseTest, RetryRunsTwiceOneSecondApartThenRejects) {
  auto clock = useManualClock();
  std::vector<double> runs;
  int failures = 0;
  auto retried = VBLPromise::retry([&] {
    runs.push_back(clock->monotonic());
    return VBLValueWithError(testError(++failures));
  });
  // The first attempt ran at once, on this thread.
  ASSERT_EQ(runs.size(), 1u);
  pump();
  EXPECT_TRUE(retried->isPending());
  clock->advance(1.0);
  waitForPromises();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_DOUBLE_EQ(runs[1] - runs[0], 1.0);
  EXPECT_EQ(retried->error()->code, 2);
  clock->advance(5.0);
  pump();
  EXPECT_EQ(runs.size(), 2u);
}

TEST_F(VBLPromiseTest, RetryStopsOnConditionAndFollowsPromises) {
  auto clock = useManualClock();
  int runs = 0;
  std::vector<std::int64_t> remainingSeen;
  auto refused = VBLPromise::attempts(3, 0.5,
                                      [&](std::int64_t remaining, const Error&) {
                                        remainingSeen.push_back(remaining);
                                        return false;
                                      },
                                      [&] {
                                        ++runs;
                                        return VBLValueWithError(testError(1));
                                      });
  waitForPromises();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(remainingSeen, std::vector<std::int64_t>{3});
  EXPECT_TRUE(refused->isRejected());

  int tries = 0;
  auto succeeded = VBLPromise::attempts(3, [&] {
    return ++tries < 3 ? Value(VBLPromise::resolvedWith(testError(tries))) : Value(VBLPromise::resolvedWith(Value("ok")));
  });
  for (int i = 0; i < 3; ++i) {
    pump();
    clock->advance(1.0);
  }
  waitForPromises();
  EXPECT_EQ(tries, 3);
  EXPECT_EQ(succeeded->value(), Value("ok"));
}

TEST_F(VBLPromiseTest, AllWaitsForEveryValueAndRejectsOnTheFirstError) {
  auto a = VBLPromise::pendingPromise();
  auto b = VBLPromise::pendingPromise();
  auto together = VBLPromise::all({Value(a), Value("plain"), Value(b)});
  a->fulfill(Value());
  pump();
  EXPECT_TRUE(together->isPending());
  b->fulfill(Value(2));
  waitForPromises();
  EXPECT_EQ(together->value(), Value(Array{Value::null(), Value("plain"), Value(2)}));

  auto stillPending = VBLPromise::pendingPromise();
  auto failing = VBLPromise::pendingPromise();
  auto rejected = VBLPromise::all({Value(stillPending), Value(failing)});
  failing->reject(testError(6));
  pump();
  ASSERT_TRUE(rejected->isRejected());
  EXPECT_EQ(rejected->error()->code, 6);
  stillPending->fulfill(Value(1));

  // An error among plain values rejects without observing anything.
  auto neverObserved = VBLPromise::pendingPromise();
  auto withError = VBLPromise::all({Value(neverObserved), VBLValueWithError(testError(7))});
  pump();
  EXPECT_EQ(withError->error()->code, 7);
  neverObserved->fulfill(Value());
  EXPECT_EQ(VBLPromise::all({})->value(), Value(Array{}));
  waitForPromises();
}

TEST_F(VBLPromiseTest, AnyMixesValuesAndErrorsAndRejectsOnlyWhenAllFail) {
  auto failing = VBLPromise::pendingPromise();
  auto empty = VBLPromise::pendingPromise();
  auto mixed = VBLPromise::any({Value(failing), Value(empty)});
  failing->reject(testError(1));
  pump();
  EXPECT_TRUE(mixed->isPending());
  empty->fulfill(Value());
  waitForPromises();
  ASSERT_TRUE(mixed->isFulfilled());
  const Value results = mixed->value();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(VBLErrorFromValue(results.at(0))->code, 1);
  EXPECT_TRUE(results.at(1).isNull());

  auto first = VBLPromise::pendingPromise();
  auto last = VBLPromise::pendingPromise();
  auto allFailed = VBLPromise::any({Value(first), Value(last)});
  first->reject(testError(1));
  pump();
  last->reject(testError(2));
  waitForPromises();
  EXPECT_EQ(allFailed->error()->code, 2);

  auto plain = VBLPromise::any({VBLValueWithError(testError(3)), Value(4)});
  waitForPromises();
  EXPECT_EQ(VBLErrorFromValue(plain->value().at(0))->code, 3);
  EXPECT_EQ(plain->value().at(1), Value(4));
}

TEST_F(VBLPromiseTest, RaceTakesTheFirstToSettleAndAnEmptyRaceNeverSettles) {
  auto slow = VBLPromise::pendingPromise();
  auto fast = VBLPromise::pendingPromise();
  auto raced = VBLPromise::race({Value(slow), Value(fast)});
  fast->reject(testError(5));
  pump();
  slow->fulfill(Value(1));
  waitForPromises();
  EXPECT_EQ(raced->error()->code, 5);

  auto withPlain = VBLPromise::race({Value(VBLPromise::pendingPromise()), Value("plain")});
  waitForPromises();
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
  auto stopped = VBLPromise::resolvedWith(testError(4))->reduce({Value(1)}, [](const Value&, const Value&) {
    ADD_FAILURE();
    return Value();
  });
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
  auto rejecting = VBLPromise::async([this](VBLPromise::FulfillBlock, VBLPromise::RejectBlock reject) {
    reject(testError(2));
  });
  auto inner = VBLPromise::pendingPromise();
  auto following = VBLPromise::doWork([inner] { return Value(inner); });
  auto erroring = VBLPromise::doWork([this] { return VBLValueWithError(testError(3)); });
  pump();
  inner->fulfill(Value(9));
  waitForPromises();
  resolver.join();
  EXPECT_EQ(fromThread->value(), Value("from a thread"));
  EXPECT_EQ(rejecting->error()->code, 2);
  EXPECT_EQ(following->value(), Value(9));
  EXPECT_EQ(erroring->error()->code, 3);
}

TEST_F(VBLPromiseTest, WrapMapsEachCompletionShape) {
  using OptionalError = VBLPromise::OptionalError;
  auto none = VBLPromise::wrapCompletion([](auto done) { done(); });
  auto object = VBLPromise::wrapObjectCompletion([](auto done) { done(Value("o")); });
  auto objectIsError = VBLPromise::wrapObjectCompletion([this](auto done) { done(VBLValueWithError(testError(1))); });
  auto noError = VBLPromise::wrapErrorCompletion([](auto done) { done(std::nullopt); });
  auto objectOrError = VBLPromise::wrapObjectOrErrorCompletion([this](auto done) { done(Value("x"), testError(2)); });
  auto errorOrObject = VBLPromise::wrapErrorOrObjectCompletion([](auto done) { done(std::nullopt, Value("y")); });
  auto two = VBLPromise::wrap2ObjectsOrErrorCompletion([](auto done) { done(Value(1), Value(), std::nullopt); });
  auto boolean = VBLPromise::wrapBoolOrErrorCompletion([](auto done) { done(true, OptionalError()); });
  auto integer = VBLPromise::wrapIntegerCompletion([](auto done) { done(std::int64_t{-4}); });
  auto real = VBLPromise::wrapDoubleOrErrorCompletion([this](auto done) { done(1.5, testError(3)); });
  auto followed = VBLPromise::wrapObjectCompletion([](auto done) { done(Value(VBLPromise::resolvedWith(Value(8)))); });
  waitForPromises();
  EXPECT_TRUE(none->isFulfilled());
  EXPECT_TRUE(none->value().isNil());
  EXPECT_EQ(object->value(), Value("o"));
  EXPECT_EQ(objectIsError->error()->code, 1);
  EXPECT_TRUE(noError->isFulfilled());
  EXPECT_EQ(objectOrError->error()->code, 2);
  EXPECT_EQ(errorOrObject->value(), Value("y"));
  EXPECT_EQ(two->value(), Value(Array{Value(1), Value::null()}));
  EXPECT_EQ(boolean->value(), Value(true));
  EXPECT_EQ(integer->value(), Value(-4));
  EXPECT_EQ(real->error()->code, 3);
  EXPECT_EQ(followed->value(), Value(8));
}
