// Handling 10,000 events through a program of three edit callbacks, beside the same three edits
// written by hand in C++ on the same editing events and through the same conversions (the ratio is
// what the interpreter costs), and beside no program at all (the event goes through unchanged); and
// the CPU time of events that a rule searching with a costly pattern runs on.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/InTurns.h"
#include "sdk/analytics/rules/PatternShapesTestSupport.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/MeasurementHostTestSupport.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"

namespace {

constexpr int kEvents = 10'000;

const std::string kProgram =
    "(const \"register\" (require \"internal.registerCallback\"))"
    "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))";

std::string rule(int priority, const std::string& body) {
  return "(object \"type\" \"edit\" \"priority\" " + std::to_string(priority) +
         " \"callback\" (fn \"\" (quote \"e\") " + body + " (return 0)))";
}

std::optional<sdk::analytics::AnalyticsEvent> sampleEvent() {
  return sdk::analytics::AnalyticsEvent::create("app", true, "purchase", 1000, 0,
                          sdk::analytics::Parameters{{"value", sdk::analytics::AnalyticsValue(10.0)}, {"currency", sdk::analytics::AnalyticsValue("EUR")}});
}

void run(benchmark::State& state, bool withProgram) {
  auto host = std::make_shared<sdk::analytics::FakeMeasurementHost>();
  host->settings["measurement.ees_feature_enabled"] = true;
  sdk::analytics::EventEditing editing(host);
  auto program = ostrel::testing::program(
      kProgram, {{"rule", rule(1, "(call $e \"setParamValue\" (quote \"a\" 1))")},
                 {"rule", rule(2, "(call $e \"setParamValue\" (quote \"value\" (* (call $e \"getParamValue\" (quote \"value\")) 2)))")},
                 {"rule", rule(3, "(if (== (call $e \"getEventName\" (quote)) \"purchase\") (quote (call $e \"setEventName\" (quote \"checkout\"))))")}});
  if (!editing.loadProgram(*program).ok()) state.SkipWithError("program did not load");
  const auto event = sampleEvent();
  for (auto _ : state) {
    for (int i = 0; i < kEvents; ++i) {
      auto outcome = sdk::analytics::applyEventEditing(withProgram ? &editing : nullptr, *event, *host);
      benchmark::DoNotOptimize(outcome);
    }
  }
}

// What the three rules do, without the interpreter: the event into an editing event and back out
// through validation when it changed.
sdk::analytics::EditingOutcome editByHand(const sdk::analytics::AnalyticsEvent& event) {
  sdk::analytics::EditingOutcome outcome{event, {}};
  const auto input = sdk::analytics::editingEventFromEvent(event);
  auto output = input;
  output.setParameter(platform::foundation::Value(1.0), "a");
  output.setParameter(platform::foundation::Value(output.parameterForName("value").toDouble() * 2), "value");
  if (output.name == "purchase") output.name = "checkout";
  if (!output.isEqualToEvent(input)) {
    if (auto edited = sdk::analytics::eventFromEditingEvent(output)) outcome.event = *edited;
  }
  return outcome;
}

void BM_TenThousandEvents_HandWritten(benchmark::State& state) {
  const auto event = sampleEvent();
  for (auto _ : state) {
    for (int i = 0; i < kEvents; ++i) {
      auto outcome = editByHand(*event);
      benchmark::DoNotOptimize(outcome);
    }
  }
}

// A rule that searches each event's text with a pattern of `count` characters named late in ICU's
// table, the first event beside the ones after it: what its compiling costs is paid once, and a
// pattern too costly to compile is refused having read little of it.
void searchingWithLateNames(benchmark::State& state, int count) {
  auto host = std::make_shared<sdk::analytics::FakeMeasurementHost>();
  host->settings["measurement.ees_feature_enabled"] = true;
  const std::string pattern = "x|" + ostrel::testing::repeated("\\\\N{TAG LATIN SMALL LETTER Z}", count);
  const auto program = ostrel::testing::program(
      kProgram, {{"rule", rule(1, "(call $e \"setParamValue\" (quote \"found\" (call \"hat\" \"search\" (quote \"" + pattern + "\"))))")}});
  const auto event = sampleEvent();
  std::vector<double> first, later;
  for (auto _ : state) {
    sdk::analytics::EventEditing editing(host);
    if (!editing.loadProgram(*program).ok()) state.SkipWithError("program did not load");
    for (int i = 0; i < 5; ++i) {
      const double start = ostrel::bench::threadCpuSeconds();
      auto outcome = sdk::analytics::applyEventEditing(&editing, *event, *host);
      benchmark::DoNotOptimize(outcome);
      (i == 0 ? first : later).push_back(ostrel::bench::threadCpuSeconds() - start);
    }
  }
  state.counters["first_event_ms"] = ostrel::bench::median(first) * 1e3;
  state.counters["later_event_ms"] = ostrel::bench::median(later) * 1e3;
}

void BM_TenThousandEvents_ThreeCallbacks(benchmark::State& state) { run(state, true); }
void BM_SearchWith150LateNames(benchmark::State& state) { searchingWithLateNames(state, 150); }
void BM_SearchWith8000LateNames(benchmark::State& state) { searchingWithLateNames(state, 8000); }
void BM_SearchWith30000LateNames(benchmark::State& state) { searchingWithLateNames(state, 30000); }
void BM_TenThousandEvents_NoProgram(benchmark::State& state) { run(state, false); }

BENCHMARK(BM_TenThousandEvents_ThreeCallbacks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenThousandEvents_HandWritten)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenThousandEvents_NoProgram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchWith150LateNames)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchWith8000LateNames)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchWith30000LateNames)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
