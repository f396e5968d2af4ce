// The dot-syntax getters: each family's callables, used the way a chain of blocks uses them.
#include <gtest/gtest.h>

#include <vector>

#include "sdk/promises/Promise.h"
#include "sdk/promises/PromiseTestSupport.h"

namespace sdk::promises {

using ostrel::testing::PromiseTest;

using platform::dispatch::Queue;

TEST_F(PromiseTest, DotSyntaxMakesPendingAndResolvedPromises) {
  auto pending = Promise::pending()();
  auto fulfilled = Promise::resolved()(Value(3));
  auto rejected = Promise::resolved()(valueWithError(testError(4)));
  EXPECT_TRUE(pending->isPending());
  EXPECT_EQ(fulfilled->value(), Value(3));
  EXPECT_EQ(rejected->error()->code, 4);
  pending->fulfill(Value());
}

TEST_F(PromiseTest, DotSyntaxContinuesAChainOnTheDefaultQueueAndOnAGivenOne) {
  const auto worker = Queue::serial("dot syntax");
  std::vector<std::string> seen;
  auto chain = Promise::resolved()(Value(2))
                   ->then()([](const Value& v) { return Value(v.toInt64() * 10); })
                   ->validate()([](const Value& v) { return v.toInt64() > 100; })
                   ->catchError()([&](const Error& e) { seen.push_back("catch " + std::to_string(e.code)); })
                   ->always()([&] { seen.push_back("always"); })
                   ->recover()([](const Error& e) { return Value(e.code * 100); })
                   ->thenOn()(worker, [](const Value& v) { return Value(v.toInt64() + 1); })
                   ->validateOn()(worker, [](const Value& v) { return v.toInt64() < 0; })
                   ->catchOn()(worker, [&](const Error&) { seen.push_back("catch on"); })
                   ->alwaysOn()(worker, [&] { seen.push_back("always on"); })
                   ->recoverOn()(worker, [](const Error& e) { return Value(e.code); })
                   ->reduce()({Value("a")}, [](const Value& partial, const Value& item) {
                     return Value(std::to_string(partial.toInt64()) + item.toString());
                   })
                   ->reduceOn()(worker, {Value("b")}, [](const Value& partial, const Value& item) {
                     return Value(partial.toString() + item.toString());
                   });
  waitForPromises();
  EXPECT_EQ(seen, (std::vector<std::string>{"catch 2", "always", "catch on", "always on"}));
  EXPECT_EQ(chain->value(), Value("2ab"));
}

TEST_F(PromiseTest, DotSyntaxDelaysAndLimitsOnTheClock) {
  auto clock = useManualClock();
  auto delayed = Promise::resolved()(Value("late"))->delay()(2.0);
  auto delayedOn = Promise::resolved()(Value("late on"))->delayOn()(Queue::main(), 1.0);
  auto limited = Promise::pending()()->timeout()(1.0);
  auto limitedOn = Promise::pending()()->timeoutOn()(Queue::main(), 3.0);
  pump();
  clock->advance(1.0);
  pump();
  EXPECT_EQ(delayedOn->value(), Value("late on"));
  EXPECT_EQ(limited->error()->code, kPromiseErrorCodeTimedOut);
  EXPECT_TRUE(delayed->isPending());
  clock->advance(2.0);
  waitForPromises();
  EXPECT_EQ(delayed->value(), Value("late"));
  EXPECT_EQ(limitedOn->error()->code, kPromiseErrorCodeTimedOut);
}

TEST_F(PromiseTest, DotSyntaxMakesPromisesFromWorkAndCombinesThem) {
  const auto worker = Queue::serial("dot syntax work");
  auto asynced = Promise::async()([](Promise::FulfillBlock fulfill, Promise::RejectBlock) { fulfill(Value(1)); });
  auto asyncedOn = Promise::asyncOn()(worker, [this](Promise::FulfillBlock, Promise::RejectBlock reject) {
    reject(testError(2));
  });
  auto done = Promise::doOn()(worker, [] { return Value(3); });
  auto all = Promise::all()({Value(asynced), Value(done)});
  auto allOn = Promise::allOn()(worker, {Value(asynced), Value(asyncedOn)});
  auto any = Promise::any()({Value(asyncedOn), Value(done)});
  auto anyOn = Promise::anyOn()(worker, {Value(asyncedOn)});
  auto race = Promise::race()({Value(Promise::pending()()), Value("plain")});
  auto raceOn = Promise::raceOn()(worker, {Value(done)});
  waitForPromises();
  EXPECT_EQ(all->value(), Value(Array{Value(1), Value(3)}));
  EXPECT_EQ(allOn->error()->code, 2);
  EXPECT_EQ(any->value(), Value(Array{valueWithError(testError(2)), Value(3)}));
  EXPECT_EQ(anyOn->error()->code, 2);
  EXPECT_EQ(race->value(), Value("plain"));
  EXPECT_EQ(raceOn->value(), Value(3));
}

TEST_F(PromiseTest, DotSyntaxRetriesInEachForm) {
  auto clock = useManualClock();
  int runs[4] = {};
  const auto failing = [this](int& count) {
    return [this, &count] { return valueWithError(testError(++count)); };
  };
  const auto always = [](std::int64_t, const Error&) { return true; };
  auto retried = Promise::retry()(failing(runs[0]));
  auto retriedOn = Promise::retryOn()(Queue::main(), failing(runs[1]));
  auto again = Promise::retryAgain()(2, 0.5, always, failing(runs[2]));
  auto againOn = Promise::retryAgainOn()(Queue::main(), 3, 0.5, always, failing(runs[3]));
  for (int i = 0; i < 4; ++i) clock->advance(1.0), pump();
  waitForPromises();
  EXPECT_EQ(retried->error()->code, 2);
  EXPECT_EQ(retriedOn->error()->code, 2);
  EXPECT_EQ(again->error()->code, 3);
  EXPECT_EQ(againOn->error()->code, 4);
}

TEST_F(PromiseTest, DotSyntaxWrapsEveryCompletionShape) {
  const auto main = Queue::main();
  const auto none = std::nullopt;
  const Promise::Ptr wrapped[] = {
      Promise::wrapCompletion()([](auto done) { done(); }),
      Promise::wrapCompletionOn()(main, [](auto done) { done(); }),
      Promise::wrapObjectCompletion()([](auto done) { done(Value("o")); }),
      Promise::wrapObjectCompletionOn()(main, [](auto done) { done(Value("o")); }),
      Promise::wrapErrorCompletion()([&](auto done) { done(none); }),
      Promise::wrapErrorCompletionOn()(main, [&](auto done) { done(none); }),
      Promise::wrapObjectOrErrorCompletion()([&](auto done) { done(Value("o"), none); }),
      Promise::wrapObjectOrErrorCompletionOn()(main, [&](auto done) { done(Value("o"), none); }),
      Promise::wrapErrorOrObjectCompletion()([&](auto done) { done(none, Value("o")); }),
      Promise::wrapErrorOrObjectCompletionOn()(main, [&](auto done) { done(none, Value("o")); }),
      Promise::wrap2ObjectsOrErrorCompletion()([&](auto done) { done(Value("o"), Value(), none); }),
      Promise::wrap2ObjectsOrErrorCompletionOn()(main, [&](auto done) { done(Value("o"), Value(), none); }),
      Promise::wrapBoolCompletion()([](auto done) { done(true); }),
      Promise::wrapBoolCompletionOn()(main, [](auto done) { done(true); }),
      Promise::wrapBoolOrErrorCompletion()([&](auto done) { done(true, none); }),
      Promise::wrapBoolOrErrorCompletionOn()(main, [&](auto done) { done(true, none); }),
      Promise::wrapIntegerCompletion()([](auto done) { done(7); }),
      Promise::wrapIntegerCompletionOn()(main, [](auto done) { done(7); }),
      Promise::wrapIntegerOrErrorCompletion()([&](auto done) { done(7, none); }),
      Promise::wrapIntegerOrErrorCompletionOn()(main, [&](auto done) { done(7, none); }),
      Promise::wrapDoubleCompletion()([](auto done) { done(0.5); }),
      Promise::wrapDoubleCompletionOn()(main, [](auto done) { done(0.5); }),
      Promise::wrapDoubleOrErrorCompletion()([this](auto done) { done(0.5, testError(9)); }),
      Promise::wrapDoubleOrErrorCompletionOn()(main, [this](auto done) { done(0.5, testError(9)); }),
  };
  waitForPromises();
  const Value expected[] = {Value(),     Value("o"), Value(), Value("o"), Value("o"),
                            Value(Array{Value("o"), Value::null()}),   Value(true), Value(true),
                            Value(7),    Value(7),   Value(0.5)};
  for (std::size_t i = 0; i + 2 < std::size(wrapped); ++i) {
    EXPECT_EQ(wrapped[i]->value(), expected[i / 2]) << i;
  }
  EXPECT_EQ(wrapped[22]->error()->code, 9);
  EXPECT_EQ(wrapped[23]->error()->code, 9);
}

}  // namespace sdk::promises
