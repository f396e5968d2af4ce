#include "sdk/analytics/foundation/GuardedDispatch.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>
#include <vector>

#include "sdk/analytics/foundation/FoundationTestSupport.h"

namespace sdk::analytics {

namespace {

using platform::dispatch::Queue;

constexpr std::int64_t kCode = 99001;

struct Owner {};

TEST(GuardedDispatchTest, AThrowingBlockEndsOnlyItselfAndIsPassedOnOnlyWhenAsked) {
  ostrel::testing::MonitorScope scope;
  auto queue = Queue::serial("test.guarded");
  std::vector<int> ran;
  const GuardedDispatch::OnException swallowed{kCode, "Block failed"};

  GuardedDispatch::async(*queue, [] { throw std::runtime_error("first"); }, swallowed);
  // Something that is no standard exception at all is caught the same way.
  GuardedDispatch::async(*queue, [] { throw 42; }, {kCode, "Block failed", GuardedDispatch::Thrown::kPassedOn});
  GuardedDispatch::async(*queue, [&] { ran.push_back(1); }, swallowed);
  GuardedDispatch::sync(*queue, [] { throw std::runtime_error("second"); }, swallowed);
  GuardedDispatch::sync(*queue, [&] { ran.push_back(2); }, swallowed);
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(scope.linesOf(kCode).size(), 3u);
  EXPECT_TRUE(scope.console.contains("Block failed: first"));
  EXPECT_TRUE(scope.console.contains("Block failed: unknown exception"));
  EXPECT_TRUE(scope.console.contains("Block failed: second"));

  const GuardedDispatch::OnException passedOn{kCode, "Waited for", GuardedDispatch::Thrown::kPassedOn};
  EXPECT_THROW(GuardedDispatch::sync(*queue, [] { throw std::runtime_error("third"); }, passedOn),
               std::runtime_error);
  EXPECT_THROW(GuardedDispatch::sync(*queue, [] { throw 7; }, passedOn), int);
  EXPECT_TRUE(scope.console.contains("Waited for: third"));
  EXPECT_TRUE(scope.console.contains("Waited for: unknown exception"));
  // Called from its own queue, a sync runs inline and is guarded just the same.
  GuardedDispatch::sync(
      *queue, [&] { GuardedDispatch::sync(*queue, [] { throw std::runtime_error("inner"); }, swallowed); },
      swallowed);
  EXPECT_TRUE(scope.console.contains("Block failed: inner"));
}

TEST(GuardedDispatchTest, ABlockAboutAnOwnerRunsOnlyWhileTheOwnerLives) {
  ostrel::testing::MonitorScope scope;
  auto queue = Queue::serial("test.guarded.owner");
  std::promise<void> gate;
  std::shared_future<void> opened = gate.get_future().share();
  // The queue is held at the gate while one owner goes, so its block finds it gone.
  GuardedDispatch::async(*queue, [opened] { opened.wait(); }, {kCode, "Block failed"});
  auto gone = std::make_shared<Owner>();
  auto kept = std::make_shared<Owner>();
  std::vector<const Owner*> ran;
  const GuardedDispatch::OnException onException{kCode, "Block failed"};
  GuardedDispatch::async<Owner>(*queue, gone, [&](Owner& held) { ran.push_back(&held); }, onException);
  GuardedDispatch::async<Owner>(*queue, kept, [&](Owner& held) { ran.push_back(&held); }, onException);
  std::weak_ptr<Owner> watched = gone;
  gone.reset();
  EXPECT_TRUE(watched.expired());
  gate.set_value();
  queue->sync([] {});
  EXPECT_EQ(ran, (std::vector<const Owner*>{kept.get()}));
  EXPECT_TRUE(scope.linesOf(kCode).empty());
}

}  // namespace

}  // namespace sdk::analytics
