#include "sdk/analytics/rules/RegexCompiler.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <utility>

#include "platform/dispatch/AbandonableWork.h"

namespace sdk::analytics {

namespace {

using platform::dispatch::AbandonableWork;

struct CompilerState {
  std::mutex mutex;
  RegexCompiler::CompileStep step;
  // Texts whose compile was abandoned, by their whole text and flags.
  std::deque<std::pair<icu::UnicodeString, std::uint32_t>> refused;
};

// Never destroyed: a compile left running at the process end may still finish.
CompilerState& compilerState() {
  static auto* state = new CompilerState;
  return *state;
}

icu::RegexPattern* compileWithICU(const icu::UnicodeString& pattern, std::uint32_t flags, UErrorCode& status) {
  UParseError parseError{};
  return icu::RegexPattern::compile(pattern, flags, parseError, status);
}

// Whether a compile of `pattern` with `flags` was abandoned earlier in the run.
bool isRefused(const icu::UnicodeString& pattern, std::uint32_t flags) {
  auto& state = compilerState();
  std::lock_guard lock(state.mutex);
  return std::any_of(state.refused.begin(), state.refused.end(),
                     [&](const auto& refused) { return refused.second == flags && refused.first == pattern; });
}

void remember(const icu::UnicodeString& pattern, std::uint32_t flags) {
  auto& state = compilerState();
  std::lock_guard lock(state.mutex);
  if (state.refused.size() >= RegexCompiler::kRefusedKept) state.refused.pop_front();
  state.refused.emplace_back(pattern, flags);
}

// What a compile on the compiling thread hands back; it lives as long as whoever still holds it,
// the compile or the event waiting for it.
struct Compiling {
  icu::UnicodeString pattern;
  std::uint32_t flags = 0;
  RegexCompiler::CompileStep step;
  std::shared_ptr<const icu::RegexPattern> compiled;
  UErrorCode status = U_ZERO_ERROR;
};

RegexCompiler::Result outcomeOnly(RegexCompiler::Outcome outcome) {
  RegexCompiler::Result result;
  result.outcome = outcome;
  return result;
}

}  // namespace

RegexCompiler::Result RegexCompiler::compile(const icu::UnicodeString& pattern, std::uint32_t flags,
                                             std::int64_t nanosecondsLeft, const std::function<bool()>& mayWait) {
  if (isRefused(pattern, flags)) return outcomeOnly(Outcome::Refused);
  auto compiling = std::make_shared<Compiling>();
  compiling->pattern = pattern;
  compiling->flags = flags;
  {
    auto& state = compilerState();
    std::lock_guard lock(state.mutex);
    compiling->step = state.step ? state.step : compileWithICU;
  }
  // The compile holds what it needs, so that one abandoned outlives its caller's copy.
  auto work = [compiling](const std::atomic<bool>&) {
    UErrorCode status = U_ZERO_ERROR;
    std::shared_ptr<const icu::RegexPattern> compiled(compiling->step(compiling->pattern, compiling->flags, status));
    if (U_FAILURE(status)) compiled.reset();
    else if (!compiled) status = U_MEMORY_ALLOCATION_ERROR;
    compiling->compiled = std::move(compiled);
    compiling->status = status;
  };
  const auto waited =
      AbandonableWork::run(std::move(work), static_cast<double>(std::max<std::int64_t>(nanosecondsLeft, 0)) / 1e9, mayWait);
  switch (waited.outcome) {
    case AbandonableWork::Outcome::Busy: return outcomeOnly(Outcome::Busy);
    case AbandonableWork::Outcome::Abandoned:
      remember(pattern, flags);
      return outcomeOnly(Outcome::OutOfTime);
    case AbandonableWork::Outcome::Finished: break;
  }
  Result result;
  result.cpuNanoseconds = waited.cpuNanoseconds;
  result.status = compiling->status;
  result.pattern = std::move(compiling->compiled);
  result.outcome = result.pattern ? Outcome::Compiled : Outcome::Failed;
  return result;
}

void RegexCompiler::setCompileStepForTesting(CompileStep step) {
  auto& state = compilerState();
  std::lock_guard lock(state.mutex);
  state.step = std::move(step);
  if (!state.step) state.refused.clear();
}

}  // namespace sdk::analytics
