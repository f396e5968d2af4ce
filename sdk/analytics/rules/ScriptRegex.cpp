#include <unicode/uregex.h>

#include <memory>
#include <optional>

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
}  // namespace

ErrorOr<std::int64_t> regexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                 ScriptHeap& heap) {
  TRY(heap.chargeUnits(pattern.size() + text.size()));
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  std::unique_ptr<URegularExpression, RegexCloser> regex(
      uregex_open(pattern.data(), static_cast<int32_t>(pattern.size()), 0, &parseError, &status));
  if (U_FAILURE(status)) return icuError(status);
  uregex_setTimeLimit(regex.get(), kTimeLimit, &status);
  uregex_setStackLimit(regex.get(), kStackLimit, &status);
  Meter meter{heap, std::nullopt};
  uregex_setMatchCallback(regex.get(), chargeProgress, &meter, &status);
  uregex_setText(regex.get(), text.data(), static_cast<int32_t>(text.size()), &status);
  const bool found = uregex_find(regex.get(), 0, &status);
  if (meter.stopped) return *meter.stopped;
  if (U_FAILURE(status)) return icuError(status);
  if (!found) return std::int64_t{-1};
  const auto start = uregex_start(regex.get(), 0, &status);
  const auto end = uregex_end(regex.get(), 0, &status);
  if (U_FAILURE(status)) return icuError(status);
  length = end - start;
  return start;
}

}  // namespace sdk::analytics

