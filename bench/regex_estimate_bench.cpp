// ICU compiling the patterns that audience filters and event-editing programs use, beside what the
// estimate that storing a filter and searching with it go by says compiling them may take: the
// shapes configurations hold, with case and without, sets that are dear to close over case, every
// kind of escape ICU looks something up for (characters by name, properties of strings, cased
// letters beyond ASCII ignoring case, lookbehinds), 1,300 ages, the emoji spelled every way ICU
// reads the name, escapes that nothing closes, groups nested deep around a long pattern, a tiny
// pattern (one of many an event may compile), and patterns cheap to compile that an estimate may
// take for dear ones. "estimate/compile" is that estimate over the median CPU time of ICU's compile
// in this run; below 1 the estimate says less than the work it stands for. A pattern whose estimate
// passes an event's time is "refused": its reading stops there, and it is never compiled.
// "reading_ms" is what making the estimate took; a pattern ICU refuses is compiled all the same,
// to the error it stops at.
#include <benchmark/benchmark.h>

#include <unicode/regex.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/InTurns.h"
#include "sdk/analytics/rules/PatternShapesTestSupport.h"
#include "sdk/analytics/rules/ScriptLimits.h"
#include "sdk/analytics/rules/StringFilterEvaluator.h"

namespace {

using ostrel::testing::PatternShape;

void compileBesideEstimate(benchmark::State& state, const std::string& pattern, bool caseless) {
  const auto text = icu::UnicodeString::fromUTF8(pattern);
  std::vector<double> seconds;
  for (auto _ : state) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    const double start = ostrel::bench::threadCpuSeconds();
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(text, caseless ? UREGEX_CASE_INSENSITIVE : 0, parseError, status));
    seconds.push_back(ostrel::bench::threadCpuSeconds() - start);
    state.counters["compiles"] = U_SUCCESS(status);
  }
  const double compile = ostrel::bench::median(seconds);
  const double readingStart = ostrel::bench::threadCpuSeconds();
  const double estimate = static_cast<double>(sdk::analytics::regexCompileNanoseconds(text, caseless)) / 1e9;
  state.counters["reading_ms"] = (ostrel::bench::threadCpuSeconds() - readingStart) * 1e3;
  state.counters["compile_ms"] = compile * 1e3;
  state.counters["estimate_ms"] = estimate * 1e3;
  // Reading a pattern stops once it costs more than an event's time: its estimate says only that.
  const bool refused = estimate * 1e9 > static_cast<double>(sdk::analytics::kEventCpuNanoseconds);
  state.counters["refused"] = refused;
  if (compile > 0 && !refused) state.counters["estimate/compile"] = estimate / compile;
}

// The shape minding case and ignoring it; `iterations` for one that takes seconds.
void registerShape(const PatternShape& shape, int iterations = 0) {
  for (const bool caseless : {false, true}) {
    const std::string name = "Compile/" + shape.name + (caseless ? "/ignoring case" : "/minding case");
    auto* benchmark = benchmark::RegisterBenchmark(name.c_str(), compileBesideEstimate, shape.pattern, caseless);
    benchmark->Unit(benchmark::kMillisecond);
    if (iterations > 0) benchmark->Iterations(iterations);
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (const auto& shape : ostrel::testing::cheapPatternShapes()) registerShape(shape);
  for (const auto& shape : ostrel::testing::dearPatternShapes()) registerShape(shape);
  for (const auto& shape : ostrel::testing::escapePatternShapes()) registerShape(shape);
  for (const auto& shape : ostrel::testing::dearEscapePatternShapes()) registerShape(shape, 5);
  registerShape(ostrel::testing::agesPatternShape(), 3);
  for (const auto& shape : ostrel::testing::emojiSpellingShapes()) registerShape(shape, 5);
  for (const auto& shape : ostrel::testing::unclosedEscapeShapes()) registerShape(shape, 5);
  for (const auto& shape : ostrel::testing::nestedGroupShapes()) registerShape(shape, 3);
  registerShape(ostrel::testing::tinyPatternShape());
  for (const auto& shape : ostrel::testing::cheapMissedShapes()) registerShape(shape);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
