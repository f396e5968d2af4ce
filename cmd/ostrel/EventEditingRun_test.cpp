// `ostrel` run against a configuration service and a collector of our own on loopback, the service
// handing out an event-editing program: the program edits the app's events though the configuration
// leaves editing's switch out, an event it makes keeps its own name (a made public event meets the
// public block list), and a program that makes an event of every event, its made events refused, never
// feeds on its own refusals: the run stays bounded and ends on SIGTERM.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "cmd/ostrel/UploadedAnalyticsEvents.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/rules/PatternShapesTestSupport.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"
#include "testing/ChildProcess.h"
#include "testing/LoopbackServer.h"
#include "testing/TempContainer.h"

namespace {

using ostrel::testing::ChildProcess;
using ostrel::testing::describeWaitStatus;
using ostrel::testing::LoopbackResponse;
using sdk::analytics::AnalyticsEvent;

// Long enough for any run on a busy machine; only a run that never ends meets it.
constexpr double kHangGuardSeconds = 90;
// What the end's own waits add up to at most (the analytics worker's, its upload's, the last queued
// work's and answers'), with room for a busy machine: an end past it waited on something unbounded.
constexpr double kUsualEndSeconds = 20;

// The program's top level: "rule" registers its options' callback; "log" makes events.
const std::string kRegistering =
    "(const \"register\" (require \"internal.registerCallback\") \"log\" (require \"internal.eventLogger\"))"
    "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))";

std::string createRule(const std::string& body) {
  return "(object \"type\" \"create\" \"callback\" (fn \"\" (quote \"e\") " + body + "))";
}

// The configuration the service hands out: the settings and a program of the given rules.
std::string configurationBody(const std::map<std::string, std::string>& settings, const std::vector<std::string>& rules,
                              const std::string& topLevel = {}) {
  auto config = ostrel::testing::measurementConfig(ostrel::testing::kMeasurementAppID, settings);
  std::vector<std::pair<std::string, std::string>> activities;
  for (const auto& rule : rules) activities.emplace_back("rule", rule);
  sdk::analytics::nanoAddMessage(*config, 8, *ostrel::testing::program(kRegistering + topLevel, activities));
  const auto bytes = config->protoBuffer();
  return std::string(bytes.begin(), bytes.end());
}

class EventEditingRunTest : public ::testing::Test {
 protected:
  void SetUp() override { server.on("POST", "/a", LoopbackResponse::withStatus(204)); }

  // The tour with holdingRule() and its first pattern's compile held (preloaded), stopped right after
  // it said `said`, asked to quit and let go on; ended with the status of SIGTERM. Its output.
  std::string endedOnSigtermAfter(const std::string& said);

  void serve(const std::string& configuration) {
    server.on("GET", std::string("/config/app/") + ostrel::testing::kMeasurementAppID,
              LoopbackResponse::ok(configuration));
  }
  // The tour, headless, in debug mode (every event goes up within a second of being stored); in the
  // test's container unless `home` names another.
  std::unique_ptr<ChildProcess> startTour(std::string home = {}) {
    if (home.empty()) home = container.path();
    auto child = ChildProcess::start(tourArguments(home), tourEnvironment());
    EXPECT_NE(child, nullptr) << "ostrel did not start";
    return child;
  }
  std::vector<std::string> tourArguments(const std::string& home) {
    return {OSTREL_EXECUTABLE, "--home", home, "--verbose", "--script", OSTREL_TOUR, "--out", container.pathFor("tour"),
            "-APMAnalyticsDebugEnabled"};
  }
  std::vector<std::string> tourEnvironment() {
    auto environment = ostrel::testing::environmentWithout(
        {"OSTREL_", "DISPLAY=", "WAYLAND_DISPLAY=", "DBUS_SESSION_BUS_ADDRESS="});
    environment.push_back("OSTREL_ANALYTICS_URL=" + server.url(""));
    return environment;
  }
  // The day's counts the run left in the measurement database.
  sdk::analytics::DailyCounts dailyCounts() {
    auto database = ostrel::testing::succeeded(sdk::analytics::MeasurementDatabase::initWithDatabaseName(
        sdk::analytics::MeasurementDatabase::kDatabaseName, std::make_shared<sdk::analytics::PersistedConfig>()));
    EXPECT_TRUE(database);
    return database ? ostrel::testing::succeeded(database->dailyCounts()) : sdk::analytics::DailyCounts{};
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::LoopbackServer server;
};

// The switch left out, the program marks every event and makes a "screen_view" of each; the public
// block list is on. Once the program is in, every event goes up marked, and no made screen view goes
// up: it is a public event of its own name, which the block list refuses, not a screen view the app
// reported.
TEST_F(EventEditingRunTest, TheSwitchLeftOutEditsAndAMadeScreenViewMeetsThePublicBlockList) {
  serve(configurationBody(
      {{"measurement.upload.blacklist_public", "1"}},
      {"(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\")"
       " (call $e \"setParamValue\" (quote \"edited\" 1)) (return 0)))",
       createRule("(log \"screen_view\" (call $e \"getTimestamp\" (quote)) (object \"made\" 1))")}));
  auto tour = startTour();
  ASSERT_TRUE(tour);
  const int status = tour->waitAtMost(kHangGuardSeconds);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describeWaitStatus(status) << "\n" << tour->output();

  const auto events = ostrel::testing::uploadedAnalyticsEvents(server.requests());
  ASSERT_FALSE(events.empty()) << tour->output();
  int edited = 0;
  for (const auto& event : events) {
    edited += event.parameters().contains("edited");
    EXPECT_FALSE(event.parameters().contains("made")) << "a made event went up as " << event.name();
  }
  EXPECT_GE(edited, 10) << tour->output();
  // The run's last events, its engagement and its move to the background, came after the program.
  for (const char* last : {"_ab"}) {
    auto found = std::find_if(events.rbegin(), events.rend(), [&](const auto& e) { return e.name() == last; });
    ASSERT_NE(found, events.rend()) << last;
    EXPECT_TRUE(found->parameters().contains("edited")) << last;
  }
  EXPECT_NE(tour->output().find("Rejected event. Event name: screen_view"), std::string::npos) << tour->output();
}

// A program that makes a public event of every event, against a public cap of five: each made event
// refused raises one error event, written without editing, and the run ends by itself with the day's
// counts at one error event for each refusal, where error events made events refused again without end.
TEST_F(EventEditingRunTest, MadeEventsRefusedAtTheDailyCapRaiseOneErrorEventEach) {
  serve(configurationBody({{"measurement.upload.max_public_events_per_day", "5"}},
                          {createRule("(log \"made\" (call $e \"getTimestamp\" (quote)) (object))")}));
  auto tour = startTour();
  ASSERT_TRUE(tour);
  const int status = tour->waitAtMost(kHangGuardSeconds);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describeWaitStatus(status) << "\n" << tour->output();
  const auto counts = dailyCounts();
  EXPECT_GT(counts.publicEventsCount, 5) << "no made event was refused";
  EXPECT_EQ(counts.errorEventsCount, counts.publicEventsCount - 5);
}

// How many times `text` appears in `output` after the first `from`.
std::size_t countAfter(const std::string& output, const std::string& from, const std::string& text) {
  std::size_t count = 0;
  for (auto at = output.find(text, output.find(from)); at != std::string::npos; at = output.find(text, at + 1)) ++count;
  return count;
}

// A program that makes fifty events of new public names of every event: once the five hundred names the
// app may keep are taken, each made event is refused with an error event, written without editing. Every
// event made came from an event the app or the engine logged, none from an error event; the run's peak
// memory stays near a plain tour's, and it ends on SIGTERM. Each error event made fifty more, refused
// again: the run grew without end and no longer ended on SIGTERM.
TEST_F(EventEditingRunTest, MadeEventsPastTheNameLimitLeaveARunThatEndsOnSigterm) {
  auto plain = startTour(container.pathFor("plain"));
  ASSERT_TRUE(plain);
  ASSERT_EQ(plain->waitAtMost(kHangGuardSeconds), 0) << plain->output();
  const long plainPeak = plain->peakMemoryKiB();

  constexpr int kMadePerEvent = 50;
  serve(configurationBody(
      {}, {createRule("(var \"i\") (= \"i\" 0) (loop (< $i 50) (= \"i\" (+ $i 1)) false"
                      " (quote (= \"made\" (+ $made 1)) (log (+ \"name_\" $made) (call $e \"getTimestamp\" (quote)) (object))))")},
      "(var \"made\") (= \"made\" 0)"));
  auto tour = startTour();
  ASSERT_TRUE(tour);
  ASSERT_TRUE(tour->waitForOutput("Cannot set event. Reached limit on set events", 1, kHangGuardSeconds))
      << tour->output();
  tour->signal(SIGTERM);
  const int status = tour->waitAtMost(kHangGuardSeconds);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << describeWaitStatus(status);
  const long peak = tour->peakMemoryKiB();
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, plainPeak * 3 / 2) << "peak " << peak / 1024 << " MiB, a plain tour's " << plainPeak / 1024 << " MiB";

  // Made: the names kept and the refusals; edited: every event written once the program was in, but
  // the error events.
  const std::string& output = tour->output();
  const std::string loaded = "Loading Event Modification and Creation programs";
  const std::size_t refused = countAfter(output, loaded, "Cannot set event. Reached limit on set events");
  const std::size_t written = countAfter(output, loaded, "Logging event: origin, name, params: ");
  const std::size_t errors = countAfter(output, loaded, "Logging event: origin, name, params: auto, error (_err)");
  EXPECT_EQ(500 + refused, kMadePerEvent * (written - errors));
  const auto counts = dailyCounts();
  EXPECT_EQ(counts.publicEventsCount, 500);
  EXPECT_LE(static_cast<std::size_t>(counts.errorEventsCount), refused);
}

// A rule that, at every event, says it is searching and then searches with a pattern of 30,000
// names late in ICU's table, which ICU takes seconds to compile (a reply of 1 MiB holds that many):
// ostrel stops itself as the first search begins, and is asked to quit right then. The search is
// refused before it is compiled, at that event and at every one after it, and the end keeps its own
// bound: ostrel ends with the status of SIGTERM within the seconds its waits add up to, where each
// event's search took seconds and the end waited for every event queued.
TEST_F(EventEditingRunTest, ASearchThatWouldTakeSecondsLeavesARunThatEndsOnSigtermInItsBound) {
  const std::string searching = "searching with thirty thousand names";
  const std::string pattern = "x|" + ostrel::testing::repeated("\\\\N{TAG LATIN SMALL LETTER Z}", 30000);
  serve(configurationBody(
      {}, {createRule("(call (require \"internal.logger\") \"log\" (quote 6 \"" + searching + "\"))"
                      " (call \"hat\" \"search\" (quote \"" + pattern + "\"))")}));
  auto environment = ostrel::testing::environmentPreloading(tourEnvironment(), OSTREL_STOP_AFTER_TEXT);
  environment.push_back("OSTREL_TEST_STOP_AFTER_TEXT=" + searching);
  auto tour = ChildProcess::start(tourArguments(container.path()), environment);
  ASSERT_TRUE(tour);
  ASSERT_TRUE(tour->waitForStop(kHangGuardSeconds)) << tour->output();
  tour->signal(SIGTERM);
  const auto asked = std::chrono::steady_clock::now();
  tour->resume();
  const int status = tour->waitAtMost(kHangGuardSeconds);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << describeWaitStatus(status) << "\n"
                                                                         << tour->output();
  EXPECT_LT(seconds, kUsualEndSeconds) << tour->output();
  EXPECT_NE(tour->output().find(searching), std::string::npos);
}

// The program's rule for the compiles held below: at every event it counts, says so, and searches
// with a pattern that holds the text the preloaded compile holds at the first event, a new one after.
std::string holdingRule() {
  return createRule("(= \"n\" (+ $n 1)) (call (require \"internal.logger\") \"log\" (quote 6 (+ \"searching \" $n)))"
                    " (call \"hat\" \"search\" (quote (if (== $n 1) \"held compile\" (quote (+ \"fresh \" $n)))))");
}

// What an end that waited on the analytics worker's work, or left it running, says.
bool endWaitedOnTheWorker(const std::string& output) {
  return output.find("Analytics was still at work when the app ended") != std::string::npos ||
         output.find("work was still running at exit") != std::string::npos;
}

// A search whose compile ICU never ends (held by a preloaded compile) is no work of the analytics
// worker's: asked to quit while the search waits for it, the event ends when its own time is gone or
// when the end cuts it short, whichever comes first, and ostrel ends with the status of SIGTERM
// without waiting on the compile, which it leaves running.
TEST_F(EventEditingRunTest, SigtermWhileASearchWaitsForAHeldCompileEndsWithoutIt) {
  const std::string output = endedOnSigtermAfter("compile held");
  EXPECT_FALSE(endWaitedOnTheWorker(output)) << output;
}

// The first event's compile, held, is left when the end cuts the worker's work short: that event
// ends with its budget's error, and the events after it, each with a new pattern, are refused at once
// while the compile still runs, none compiled. Asked to quit then, ostrel ends with the status of
// SIGTERM, the compile still running and never waited on.
TEST_F(EventEditingRunTest, ACompileLeftRunningRefusesTheNextPatternsAndTheRunEndsOnSigterm) {
  const std::string output = endedOnSigtermAfter("searching 3");
  EXPECT_EQ(countAfter(output, "", "ostrel-test: compile held"), 1u) << output;
  EXPECT_NE(output.find("searching 2"), std::string::npos) << output;
  EXPECT_FALSE(endWaitedOnTheWorker(output)) << output;
}

std::string EventEditingRunTest::endedOnSigtermAfter(const std::string& said) {
  serve(configurationBody({}, {holdingRule()}, "(var \"n\") (= \"n\" 0)"));
  auto environment = ostrel::testing::environmentPreloading(
      ostrel::testing::environmentPreloading(tourEnvironment(), OSTREL_HOLD_COMPILE), OSTREL_STOP_AFTER_TEXT);
  environment.push_back("OSTREL_TEST_HOLD_COMPILE=held compile");
  environment.push_back("OSTREL_TEST_STOP_AFTER_TEXT=" + said);
  auto tour = ChildProcess::start(tourArguments(container.path()), environment);
  if (!tour) {
    ADD_FAILURE() << "ostrel did not start";
    return {};
  }
  EXPECT_TRUE(tour->waitForStop(kHangGuardSeconds)) << tour->output();
  tour->signal(SIGTERM);
  tour->resume();
  const int status = tour->waitAtMost(kHangGuardSeconds);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM) << describeWaitStatus(status) << "\n"
                                                                         << tour->output();
  return tour->output();
}

}  // namespace
