#include <unicode/uchar.h>
#include <unicode/uregex.h>

#include <memory>
#include <optional>
#include <string_view>

#include "sdk/analytics/rules/ScriptRegexCache.h"
#include "sdk/analytics/rules/StringCommandEvaluator.h"

namespace sdk::analytics {

namespace {
// ICU counts time in steps of its matching engine; a few million steps are milliseconds of work,
// ample for the patterns event-editing programs use and short for a catastrophic one.
constexpr int32_t kTimeLimit = 200;
constexpr int32_t kStackLimit = 1 << 20;
// ICU reports progress once per time unit; a unit is a few thousand matching steps, charged as
// that much native work.
constexpr std::int64_t kWorkPerTimeUnit = 2'500;

// What stopped the matcher when the budget ran out: the matcher reports only that it stopped.
struct Meter {
  ScriptHeap& heap;
  std::optional<ScriptRuntimeError> stopped;
};

UBool U_CALLCONV chargeProgress(const void* context, int32_t) {
  auto* meter = static_cast<Meter*>(const_cast<void*>(context));
  auto charged = meter->heap.chargeWork(kWorkPerTimeUnit);
  if (charged.ok()) return true;
  meter->stopped = std::move(charged).releaseError();
  return false;
}

struct RegexCloser {
  void operator()(URegularExpression* regex) const { uregex_close(regex); }
};

ScriptRuntimeError icuError(UErrorCode status) { return ScriptRuntimeError{kScriptRegexErrorDomain, status, {}}; }

// What compiling a pattern costs, read from its text alone. ICU builds a set for every bracket
// expression, property and class escape, and when the pattern ignores case it closes each set over
// case: for a set of many characters that is by far the dearest step of compiling (one set of every
// character takes milliseconds). Each is charged above the most it took on a Release build; over-
// counting a quoted bracket or a flag costs a quoted pattern a little, never too little.
struct CompileCost {
  std::int64_t work = 0;
  std::size_t bytes = 0;
};

CompileCost compileCost(const std::u16string& pattern) {
  constexpr std::int64_t kWorkPerSet = 2'000;
  constexpr std::int64_t kWorkPerCaselessSet = 150'000;
  constexpr std::size_t kBytesPerSet = 16u << 10;
  constexpr std::size_t kBytesPerUnit = 32;
  constexpr std::u16string_view kSetEscapes = u"pPNwWdDsShHvVX";
  std::int64_t sets = 0;
  bool caseless = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'\\' && i + 1 < pattern.size()) {
      if (kSetEscapes.find(pattern[++i]) != std::u16string_view::npos) ++sets;
    } else if (c == u'[') {
      ++sets;
    } else if (c == u'(' && i + 1 < pattern.size() && pattern[i + 1] == u'?') {
      // The flags a group switches on: (?i) and (?i:...), up to a '-' that switches the rest off.
      for (std::size_t j = i + 2; j < pattern.size() && u_isalpha(pattern[j]); ++j) caseless |= pattern[j] == u'i';
    }
  }
  return {static_cast<std::int64_t>(pattern.size()) + sets * (caseless ? kWorkPerCaselessSet : kWorkPerSet),
          pattern.size() * kBytesPerUnit + static_cast<std::size_t>(sets) * kBytesPerSet};
}

// What one call may spend compiling: a quarter of a run's native work, so a pattern of a dozen sets
// that ignore case still compiles.
constexpr std::int64_t kCompileWorkPerCall = 2'500'000;

// The compiled pattern, kept for the rest of the run. Compiling is charged as work and its memory
// held while the pattern is kept; a pattern that would cost more than one call may spend is
// refused before it is compiled, as a match that ran out of time is.
ErrorOr<URegularExpression*> compiled(const std::u16string& pattern, ScriptHeap& heap) {
  auto& cache = heap.regexCache();
  if (auto* regex = cache.find(pattern)) return regex;
  const auto cost = compileCost(pattern);
  if (cost.work > kCompileWorkPerCall) return icuError(U_REGEX_TIME_OUT);
  TRY(heap.chargeWork(cost.work));
  TRY(heap.chargeMemory(cost.bytes));
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  std::unique_ptr<URegularExpression, RegexCloser> regex(
      uregex_open(pattern.data(), static_cast<int32_t>(pattern.size()), 0, &parseError, &status));
  if (U_FAILURE(status)) {
    heap.refundMemory(cost.bytes);
    return icuError(status);
  }
  cache.keep(pattern, regex.get(), cost.bytes, heap);
  return regex.release();
}
}  // namespace

ErrorOr<std::int64_t> regexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                 ScriptHeap& heap) {
  TRY(heap.chargeUnits(pattern.size() + text.size()));
  auto* regex = TRY(compiled(pattern, heap));
  UErrorCode status = U_ZERO_ERROR;
  uregex_setTimeLimit(regex, kTimeLimit, &status);
  uregex_setStackLimit(regex, kStackLimit, &status);
  Meter meter{heap, std::nullopt};
  uregex_setMatchCallback(regex, chargeProgress, &meter, &status);
  uregex_setText(regex, text.data(), static_cast<int32_t>(text.size()), &status);
  const bool found = uregex_find(regex, 0, &status);
  std::int64_t start = -1;
  if (found && U_SUCCESS(status)) {
    start = uregex_start(regex, 0, &status);
    length = uregex_end(regex, 0, &status) - start;
  }
  // The kept pattern must not point at this call's meter or subject once the call is over.
  UErrorCode cleared = U_ZERO_ERROR;
  uregex_setMatchCallback(regex, nullptr, nullptr, &cleared);
  uregex_setText(regex, u"", 0, &cleared);
  if (meter.stopped) return *meter.stopped;
  if (U_FAILURE(status)) return icuError(status);
  return start;
}

}  // namespace sdk::analytics

