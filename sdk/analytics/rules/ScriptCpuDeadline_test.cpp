#include <unicode/utypes.h>

#include <thread>

#include "platform/foundation/ThreadCpuClock.h"
#include "sdk/analytics/rules/ScriptNativeModules.h"
#include "sdk/analytics/rules/ScriptTestSupport.h"
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

}  // namespace

}  // namespace sdk::analytics
