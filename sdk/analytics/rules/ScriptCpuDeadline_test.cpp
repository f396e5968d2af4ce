#include <unicode/utypes.h>

#include <thread>

#include "platform/dispatch/AbandonableWork.h"
#include "platform/foundation/ThreadCpuClock.h"
#include "sdk/analytics/rules/RegexCompilerTestSupport.h"
#include "sdk/analytics/rules/ScriptHeap.h"
#include "sdk/analytics/rules/ScriptNativeModules.h"
#include "sdk/analytics/rules/ScriptRegexCache.h"
#include "sdk/analytics/rules/ScriptTestSupport.h"
#include "testing/HeldWork.h"
#include "testing/ManualCpuClock.h"

namespace sdk::analytics {

namespace {

using platform::foundation::ThreadCpuClock;

constexpr std::int64_t kMillisecond = 1'000'000;

class ScriptCpuDeadlineTest : public ScriptTest {
 protected:
  void SetUp() override {
    ThreadCpuClock::setCurrent(clock);
    limits.cpuNanoseconds = 1000 * kMillisecond;
    useLimits(limits);
  }
  void TearDown() override { ThreadCpuClock::setCurrent(nullptr); }

  std::shared_ptr<ostrel::testing::ManualCpuClock> clock = std::make_shared<ostrel::testing::ManualCpuClock>();
  ScriptLimits limits;
  const std::string forever = "(loop true 0 false (quote))";
};

// Behind the counts, an event that has used its CPU time stops with error 18 wherever it is; while
// the time lasts the counts are exactly what they were, and the next event has its own time.
TEST_F(ScriptCpuDeadlineTest, AnEventStopsOnceItHasUsedItsTime) {
  const std::string counting = "(loop true (= \"i\" (+ $i 1)) false (quote))";
  run("(var \"i\") (= \"i\" 0)");
  runtime->resetInstructionCount();
  EXPECT_EQ(errorOf(counting), kScriptErrorLimitReached);
  EXPECT_EQ(runtime->getInstructionCount(), 1'000'000);
  const auto everyCount = runtime->globalScope().valueForName(u"i")->doubleValueOrError().valueOr(0);

  clock->step = 50 * kMillisecond;
  runtime->resetInstructionCount();
  run("(= \"i\" 0)");
  EXPECT_EQ(errorOf(counting), kScriptErrorLimitReached);
  EXPECT_LT(runtime->globalScope().valueForName(u"i")->doubleValueOrError().valueOr(0), everyCount / 2);
  // Nothing more of that event runs.
  EXPECT_EQ(errorOf("(+ 1 2)"), kScriptErrorLimitReached);

  clock->step = 0;
  runtime->resetInstructionCount();
  EXPECT_EQ(text("(= \"i\" 0) (loop (< $i 50000) (= \"i\" (+ $i 1)) false (quote)) $i"), "50000");
}

// A cost that no count sees (here a host call that takes 20 ms of CPU each time) still ends the
// event, once its time is used.
TEST_F(ScriptCpuDeadlineTest, WorkNoCountSeesStillEndsTheEvent) {
  auto slow = clock;
  runtime->setModuleCreator(
      [slow](ScriptHeap& heap) {
        return ScriptValueRef(heap.make<KeyValueStoreModule>(u"internal.remoteConfig", [slow](const std::string&) {
          slow->advance(20 * kMillisecond);
          return std::optional<std::string>("x");
        }));
      },
      u"internal.remoteConfig");
  run("(const \"rc\" (require \"internal.remoteConfig\")) (var \"calls\") (= \"calls\" 0)");
  ASSERT_FALSE(failed());
  runtime->resetInstructionCount();
  EXPECT_EQ(errorOf("(loop true (= \"calls\" (+ $calls 1)) false (quote (call $rc \"getValue\" (quote \"k\" \"d\"))))"),
            kScriptErrorLimitReached);
  const double calls = runtime->globalScope().valueForName(u"calls")->doubleValueOrError().valueOr(0);
  EXPECT_GE(calls, 50);
  EXPECT_LT(calls, 2'000);
}

// The matcher of a regular expression looks at the event's time at every unit of its own: a
// catastrophic search that ICU would stop after two hundred of them stops with error 18 when the
// event's time runs out first.
TEST_F(ScriptCpuDeadlineTest, ARegularExpressionLooksAtTheTimeAsItMatches) {
  const std::string search = "(call \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!\" \"search\" (quote \"(a+)+b\"))";
  EXPECT_EQ(text(search), "error " + std::to_string(U_REGEX_TIME_OUT));
  clock->step = 300 * kMillisecond;
  runtime->resetInstructionCount();
  EXPECT_EQ(text(search), "error 18");
}

// An event restarted on one thread and evaluated on another is not charged the difference between
// the two threads' clocks.
TEST_F(ScriptCpuDeadlineTest, TimeIsSummedOnOneThread) {
  runtime->resetInstructionCount();
  std::int64_t outcome = -1;
  std::thread([&] { outcome = errorOf("(var \"i\") (= \"i\" 0) (loop (< $i 50000) (= \"i\" (+ $i 1)) false (quote))"); })
      .join();
  EXPECT_EQ(outcome, 0);
}


// A compile that outlives the event's time costs the event no more: the event ends with error 18
// once its time is gone, however long the compile goes on, and its pattern is refused from then on
// without being compiled again. While that compile still runs, another event's new pattern is not
// compiled either (error 18 at once); once it ends, what it made is dropped and compiling goes on.
TEST_F(ScriptCpuDeadlineTest, ACompileThatOutlivesTheEventsTimeIsLeftBehind) {
  ostrel::testing::HeldWork held;
  ostrel::testing::WatchedCompiles compiles(&held);
  const std::string search = "(call \"a held b\" \"search\" (quote \"held\"))";
  std::int64_t outcome = -1;
  runtime->resetInstructionCount();
  std::thread event([&] { outcome = errorOf(search); });
  held.waitUntilBegun();
  clock->advance(limits.cpuNanoseconds + 1);
  event.join();
  EXPECT_EQ(outcome, kScriptErrorLimitReached);
  EXPECT_TRUE(platform::dispatch::AbandonableWork::isRunning()) << "the compile goes on, unwaited";

  clock->step = 0;
  runtime->resetInstructionCount();
  EXPECT_EQ(text("(call \"xyz\" \"search\" (quote \"y\"))"), "error " + std::to_string(kScriptErrorLimitReached));
  EXPECT_EQ(compiles.count(), 1) << "nothing else starts while it runs";

  held.release();
  ASSERT_TRUE(platform::dispatch::AbandonableWork::waitUntilIdleForTesting(60));
  EXPECT_EQ(runtime->heap().regexCache().compiles(), 0) << "what it made was dropped";
  runtime->resetInstructionCount();
  EXPECT_EQ(text(search), "error " + std::to_string(kScriptErrorLimitReached));
  EXPECT_EQ(compiles.count(), 1) << "refused without being compiled again";
  runtime->resetInstructionCount();
  EXPECT_EQ(text("(call \"xyz\" \"search\" (quote \"y\"))"), "1");
  EXPECT_EQ(compiles.count(), 2);
}

}  // namespace

}  // namespace sdk::analytics
