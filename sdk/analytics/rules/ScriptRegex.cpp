#include "sdk/analytics/rules/ScriptRegex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>

#include "platform/dispatch/AbandonableWork.h"
#include "sdk/analytics/rules/RegexCompiler.h"
#include "sdk/analytics/rules/ScriptRegexCache.h"

namespace sdk::analytics {

namespace {

using platform::dispatch::AbandonableWork;

// ICU counts time in units of ten thousand backtracking steps; a few hundred are milliseconds of
// work, ample for the patterns event-editing programs use and short for a catastrophic one.
constexpr int32_t kTimeLimit = 200;
constexpr int32_t kStackLimit = 1 << 20;
// What one call may spend on one unit of the matcher's time, in work that nothing looks at the
// clock within: a quarter of a run's native work, some seventy milliseconds of it. A search whose
// units may cost more (a long text read whole at every step) runs where it can be left.
constexpr std::int64_t kMostWorkPerTimeUnit = 2'500'000;
// What one call may spend compiling a pattern, as its estimate says: twice a tenth of an event's
// time, so that an estimate as much as twice the work refuses no pattern that compiles in a tenth
// of an event's time. What was compiled is kept, so this is paid once; the event's clock stops a
// compile the estimate misjudged.
constexpr std::int64_t kMostCompileWork =
    kEventCpuNanoseconds / kBuildSlowness / 10 * 2 / ScriptRegexCost::kNanosecondsPerStep;
// What a search costs besides its pattern and text: making its matcher; and what a compile costs
// the event besides ICU's work, handing it to the compiling thread and back.
constexpr std::int64_t kWorkPerSearch = 30;
constexpr std::int64_t kWorkPerCompileHandedOver = 300;

ScriptRuntimeError icuError(UErrorCode status) { return ScriptRuntimeError{kScriptRegexErrorDomain, status, {}}; }

// The native work of one search, charged as the matcher reports its progress: to the run as it
// goes when the search runs on the event's thread, or counted within an allowance when it runs
// apart, to be charged once it is over. What stopped the matcher is kept: it reports only that it
// stopped.
class Meter {
 public:
  Meter(ScriptHeap& heap, const ScriptRegexCost& cost, std::int64_t workPerTimeUnit, const std::u16string& text)
      : heap_(&heap), cost_(cost), workPerTimeUnit_(workPerTimeUnit), text_(text) {}
  Meter(std::int64_t allowance, const std::atomic<bool>& abandoned, const ScriptRegexCost& cost,
        std::int64_t workPerTimeUnit, const std::u16string& text)
      : allowance_(allowance), abandoned_(&abandoned), cost_(cost), workPerTimeUnit_(workPerTimeUnit), text_(text) {}

  bool charge(std::int64_t steps) {
    if (stopped_) return false;
    if (heap_) return keep(heap_->chargeWork(steps));
    counted_ += steps;
    if (counted_ <= allowance_ && !abandoned_->load(std::memory_order_relaxed)) return true;
    stopped_ = ScriptHeap::limitError();
    return false;
  }
  // A unit of the matcher's time also looks at the event's CPU time: between two of them the
  // matcher may do what no count sees.
  bool chargeTimeUnit() { return charge(workPerTimeUnit_) && (!heap_ || keep(heap_->checkTime())); }
  // `next`: where the matcher goes on; it has just tried the position before it.
  bool chargeStart(std::int64_t next) {
    const auto length = static_cast<std::int64_t>(text_.size());
    const std::int64_t tried = std::clamp<std::int64_t>(next - 1, 0, std::max<std::int64_t>(length - 1, 0));
    sixteenths_ += cost_.sixteenthsPerStartAt(length > 0 ? text_[static_cast<std::size_t>(tried)] : 0, length - tried);
    const auto steps = sixteenths_ / 16;
    sixteenths_ %= 16;
    return charge(steps);
  }
  const std::optional<ScriptRuntimeError>& stopped() const { return stopped_; }
  std::int64_t counted() const { return counted_; }

 private:
  // Whether the matcher may go on; the first refusal is kept.
  bool keep(ErrorOr<void> outcome) {
    if (outcome.ok()) return true;
    stopped_ = std::move(outcome).releaseError();
    return false;
  }

  ScriptHeap* heap_ = nullptr;
  std::int64_t allowance_ = 0;
  const std::atomic<bool>* abandoned_ = nullptr;
  std::int64_t counted_ = 0;
  const ScriptRegexCost cost_;
  const std::int64_t workPerTimeUnit_;
  const std::u16string& text_;
  std::int64_t sixteenths_ = 0;
  std::optional<ScriptRuntimeError> stopped_;
};

UBool U_CALLCONV chargeTimeUnit(const void* meter, int32_t) { return static_cast<Meter*>(const_cast<void*>(meter))->chargeTimeUnit(); }
UBool U_CALLCONV chargeStart(const void* meter, int64_t next) {
  return static_cast<Meter*>(const_cast<void*>(meter))->chargeStart(next);
}

// One search of a plain buffer of UTF-16, as audiences search theirs: the first match, its start and
// length, or -1.
struct Search {
  std::int64_t start = -1;
  std::int64_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
};

Search search(const icu::RegexPattern& regex, const std::u16string& text, Meter& meter) {
  Search result;
  std::unique_ptr<icu::RegexMatcher> matcher(regex.matcher(result.status));
  if (U_FAILURE(result.status) || !matcher) {
    if (U_SUCCESS(result.status)) result.status = U_MEMORY_ALLOCATION_ERROR;
    return result;
  }
  // An alias of the text: nothing is copied, and the matcher is gone before the text is.
  const icu::UnicodeString subject(false, text.data(), static_cast<int32_t>(text.size()));
  matcher->reset(subject);
  matcher->setTimeLimit(kTimeLimit, result.status);
  matcher->setStackLimit(kStackLimit, result.status);
  matcher->setMatchCallback(chargeTimeUnit, &meter, result.status);
  matcher->setFindProgressCallback(chargeStart, &meter, result.status);
  if (U_FAILURE(result.status)) return result;
  if (matcher->find(result.status) && U_SUCCESS(result.status) && !meter.stopped()) {
    result.start = matcher->start(result.status);
    result.length = matcher->end(result.status) - result.start;
  }
  return result;
}

// The compiled pattern for one call: the cache's, or compiled now where the event can stop waiting
// for it. Reading the pattern for its cost, and compiling it, are charged as work, the reading
// within what the run has left; a pattern that would cost more than one call may spend, to compile
// or for every unit of the matcher's time, is refused before it is compiled with error 18, as what
// runs past any other of the run's limits is (the library's own errors are for what it refuses
// itself), and remembered as refused; so is one whose compile outlived the event's time. The memory
// of a pattern compiled now is held for the call.
ErrorOr<ScriptRegexCache::Compiled> compiled(const std::u16string& pattern, ScriptHeap& heap,
                                             std::optional<ScriptMemoryCharge>& memory) {
  auto& cache = heap.regexCache();
  if (const auto* kept = cache.find(pattern)) return *kept;
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
  TRY(heap.chargeWork(cost.compileWork + kWorkPerCompileHandedOver));
  TRY(heap.checkTime());
  memory.emplace(heap, cost.bytes);
  TRY(memory->status());
  const icu::UnicodeString text(pattern.data(), static_cast<int32_t>(pattern.size()));
  const auto result = RegexCompiler::compile(text, 0, heap.cpuNanosecondsLeft(), [&heap] { return heap.checkTime().ok(); });
  switch (result.outcome) {
    case RegexCompiler::Outcome::Compiled: break;
    case RegexCompiler::Outcome::Failed: return icuError(result.status);
    case RegexCompiler::Outcome::OutOfTime:
      heap.spendTime();
      cache.refuse(pattern);
      return scriptError(kScriptErrorLimitReached);
    case RegexCompiler::Outcome::Refused: cache.refuse(pattern); return scriptError(kScriptErrorLimitReached);
    case RegexCompiler::Outcome::Busy: return scriptError(kScriptErrorLimitReached);
  }
  ScriptRegexCache::Compiled made{result.pattern, cost};
  cache.keep(pattern, made);
  // Compiled is compiled, and kept; the time it took on its thread is the event's, and ends the event
  // when that is past its time.
  TRY(heap.chargeTime(result.cpuNanoseconds));
  return made;
}

// A search whose units of the matcher's time may each read the whole of a long text: it runs on the
// thread where work can be left, and the event waits for it with its time left. The search has its
// own copy of the text and the pattern, so that one left behind needs nothing of the event's, and it
// ends at its next report once left.
ErrorOr<Search> searchApart(const ScriptRegexCache::Compiled& found, const std::u16string& text,
                            std::int64_t workPerTimeUnit, ScriptHeap& heap) {
  struct Apart {
    std::shared_ptr<const icu::RegexPattern> regex;
    std::u16string text;
    ScriptRegexCost cost;
    std::int64_t workPerTimeUnit;
    std::int64_t allowance;
    Search result;
    std::int64_t counted = 0;
    bool stopped = false;
  };
  ScriptMemoryCharge copy(heap, text.size() * sizeof(char16_t));
  TRY(copy.status());
  auto apart = std::make_shared<Apart>(Apart{found.regex, text, found.cost, workPerTimeUnit, heap.workLeft(), {}});
  const auto waited = AbandonableWork::run(
      [apart](const std::atomic<bool>& abandoned) {
        Meter meter(apart->allowance, abandoned, apart->cost, apart->workPerTimeUnit, apart->text);
        apart->result = search(*apart->regex, apart->text, meter);
        apart->counted = meter.counted();
        apart->stopped = meter.stopped().has_value();
      },
      static_cast<double>(heap.cpuNanosecondsLeft()) / 1e9, [&heap] { return heap.checkTime().ok(); });
  switch (waited.outcome) {
    case AbandonableWork::Outcome::Finished: break;
    case AbandonableWork::Outcome::Abandoned: heap.spendTime(); return scriptError(kScriptErrorLimitReached);
    case AbandonableWork::Outcome::Busy: return scriptError(kScriptErrorLimitReached);
  }
  TRY(heap.chargeWork(apart->counted));
  TRY(heap.chargeTime(waited.cpuNanoseconds));
  if (apart->stopped) return scriptError(kScriptErrorLimitReached);
  return apart->result;
}

}  // namespace

ErrorOr<std::int64_t> regexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                      ScriptHeap& heap) {
  TRY(heap.chargeUnits(pattern.size() + text.size()));
  TRY(heap.chargeWork(kWorkPerSearch));
  std::optional<ScriptMemoryCharge> memory;
  const auto found = TRY(compiled(pattern, heap, memory));
  const std::int64_t workPerTimeUnit = found.cost.workPerTimeUnitOn(static_cast<std::int64_t>(text.size()));
  Search result;
  if (workPerTimeUnit <= kMostWorkPerTimeUnit) {
    Meter meter(heap, found.cost, workPerTimeUnit, text);
    result = search(*found.regex, text, meter);
    if (meter.stopped()) return *meter.stopped();
  } else {
    result = TRY(searchApart(found, text, workPerTimeUnit, heap));
  }
  if (U_FAILURE(result.status)) return icuError(result.status);
  length = result.length;
  return result.start;
}

}  // namespace sdk::analytics
