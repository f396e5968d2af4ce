#include <unicode/uregex.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "sdk/analytics/rules/ScriptRegexCache.h"
#include "sdk/analytics/rules/ScriptRegexSubject.h"
#include "sdk/analytics/rules/StringCommandEvaluator.h"

namespace sdk::analytics {

namespace {
// ICU counts time in units of ten thousand backtracking steps; a few hundred are milliseconds of
// work, ample for the patterns event-editing programs use and short for a catastrophic one.
constexpr int32_t kTimeLimit = 200;
constexpr int32_t kStackLimit = 1 << 20;
// What one call may spend on one unit of the matcher's time: a quarter of a run's native work,
// some seventy milliseconds of it.
constexpr std::int64_t kMostWorkPerTimeUnit = 2'500'000;
// What one call may spend compiling a pattern: twice a tenth of an event's time, at a step's thirty
// nanoseconds, so that an estimate as much as twice the work refuses no pattern that compiles in a
// tenth of an event's time. What was compiled is kept, so this is paid once.
constexpr std::int64_t kNanosecondsPerStep = 30;
constexpr std::int64_t kMostCompileWork = kEventCpuNanoseconds / kBuildSlowness / 10 * 2 / kNanosecondsPerStep;

// The run's native work, charged as the matcher reports its progress. What stopped the matcher
// when the budget ran out is kept: the matcher reports only that it stopped.
class Meter {
 public:
  Meter(ScriptHeap& heap, const ScriptRegexCost& cost) : heap_(heap), cost_(cost) {}

  bool charge(std::int64_t steps) { return !stopped_ && keep(heap_.chargeWork(steps)); }
  // A unit of the matcher's time also looks at the event's CPU time: between two of them the
  // matcher may do what no count sees.
  bool chargeTimeUnit() { return charge(cost_.workPerTimeUnit) && keep(heap_.checkTime()); }
  bool chargeStart() {
    sixteenths_ += cost_.sixteenthsPerStart;
    const auto steps = sixteenths_ / 16;
    sixteenths_ %= 16;
    return charge(steps);
  }
  bool chargeChunk() { return charge(cost_.workPerChunk); }
  const std::optional<ScriptRuntimeError>& stopped() const { return stopped_; }

 private:
  // Whether the matcher may go on; the first refusal is kept.
  bool keep(ErrorOr<void> outcome) {
    if (outcome.ok()) return true;
    stopped_ = std::move(outcome).releaseError();
    return false;
  }

  ScriptHeap& heap_;
  const ScriptRegexCost cost_;
  std::int64_t sixteenths_ = 0;
  std::optional<ScriptRuntimeError> stopped_;
};

UBool U_CALLCONV chargeTimeUnit(const void* meter, int32_t) { return static_cast<Meter*>(const_cast<void*>(meter))->chargeTimeUnit(); }
UBool U_CALLCONV chargeStart(const void* meter, int64_t) { return static_cast<Meter*>(const_cast<void*>(meter))->chargeStart(); }

struct RegexCloser {
  void operator()(URegularExpression* regex) const { uregex_close(regex); }
};

ScriptRuntimeError icuError(UErrorCode status) { return ScriptRuntimeError{kScriptRegexErrorDomain, status, {}}; }

// The compiled pattern, kept for later calls and events. Reading the pattern for its cost, and
// compiling it, are charged as work, the reading within what the run has left, and the compiled
// pattern's memory is held while it is kept; a pattern that would cost more than one call may
// spend, to compile or for every unit of the matcher's time, is refused before it is compiled with
// error 18, as what runs past any other of the run's limits is (the library's own errors are for
// what it refuses itself), and remembered as refused.
ErrorOr<const ScriptRegexCache::Compiled*> compiled(const std::u16string& pattern, ScriptHeap& heap) {
  auto& cache = heap.regexCache();
  if (const auto* kept = cache.find(pattern)) return kept;
  if (cache.isRefused(pattern)) return scriptError(kScriptErrorLimitReached);
  const std::int64_t left = heap.workLeft();
  const auto cost = ScriptRegexCost::of(pattern, false, std::min(kMostCompileWork, left));
  TRY(heap.chargeWork(cost.estimateWork));
  if (cost.compileWork > kMostCompileWork || cost.workPerTimeUnit > kMostWorkPerTimeUnit) {
    cache.refuse(pattern);
    return scriptError(kScriptErrorLimitReached);
  }
  // Past what the run has left, whatever the pattern holds: no refusal to remember.
  if (cost.compileWork > left) return scriptError(kScriptErrorLimitReached);
  TRY(heap.chargeWork(cost.compileWork));
  // Compiling cannot be stopped once begun: the event's time is looked at first.
  TRY(heap.checkTime());
  TRY(heap.chargeMemory(cost.bytes));
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  std::unique_ptr<URegularExpression, RegexCloser> regex(
      uregex_open(pattern.data(), static_cast<int32_t>(pattern.size()), 0, &parseError, &status));
  if (U_FAILURE(status)) {
    heap.refundMemory(cost.bytes);
    return icuError(status);
  }
  return &cache.keep(pattern, {regex.release(), cost}, heap);
}

// The kept pattern must not point at one call's meter or subject once the call is over.
class Attachment {
 public:
  Attachment(URegularExpression* regex, Meter& meter, ScriptRegexSubject& subject) : regex_(regex) {
    UErrorCode status = U_ZERO_ERROR;
    uregex_setTimeLimit(regex_, kTimeLimit, &status);
    uregex_setStackLimit(regex_, kStackLimit, &status);
    uregex_setMatchCallback(regex_, chargeTimeUnit, &meter, &status);
    uregex_setFindProgressCallback(regex_, chargeStart, &meter, &status);
    uregex_setUText(regex_, subject.text(), &status);
  }
  ~Attachment() {
    UErrorCode status = U_ZERO_ERROR;
    uregex_setMatchCallback(regex_, nullptr, nullptr, &status);
    uregex_setFindProgressCallback(regex_, nullptr, nullptr, &status);
    uregex_setText(regex_, u"", 0, &status);
  }
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;

 private:
  URegularExpression* regex_;
};
}  // namespace

ErrorOr<std::int64_t> regexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                 ScriptHeap& heap) {
  TRY(heap.chargeUnits(pattern.size() + text.size()));
  const auto& [regex, cost] = *TRY(compiled(pattern, heap));
  Meter meter(heap, cost);
  ScriptRegexSubject subject(text, [&meter] { return meter.chargeChunk(); });
  UErrorCode status = U_ZERO_ERROR;
  std::int64_t start = -1;
  {
    Attachment attached(regex, meter, subject);
    const bool found = uregex_find(regex, 0, &status);
    if (found && U_SUCCESS(status) && !meter.stopped()) {
      start = uregex_start(regex, 0, &status);
      length = uregex_end(regex, 0, &status) - start;
    }
  }
  if (meter.stopped()) return *meter.stopped();
  if (U_FAILURE(status)) return icuError(status);
  return start;
}

}  // namespace sdk::analytics
