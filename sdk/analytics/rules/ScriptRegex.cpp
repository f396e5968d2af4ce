#include <unicode/uregex.h>

#include <memory>

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

struct Meter {
  ScriptHeap& heap;
  ScriptRuntimeError& error;
};

UBool U_CALLCONV chargeProgress(const void* context, int32_t) {
  const auto* meter = static_cast<const Meter*>(context);
  return meter->heap.chargeWork(kWorkPerTimeUnit, meter->error);
}

struct RegexCloser {
  void operator()(URegularExpression* regex) const { uregex_close(regex); }
};

void setICUError(ScriptRuntimeError& error, UErrorCode status) {
  if (hasScriptError(error)) return;
  error.domain = kScriptRegexErrorDomain;
  error.code = status;
}
}  // namespace

std::int64_t regexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                 ScriptHeap& heap, ScriptRuntimeError& error) {
  if (!heap.chargeUnits(pattern.size() + text.size(), error)) return -1;
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError{};
  std::unique_ptr<URegularExpression, RegexCloser> regex(
      uregex_open(pattern.data(), static_cast<int32_t>(pattern.size()), 0, &parseError, &status));
  if (U_FAILURE(status)) {
    setICUError(error, status);
    return -1;
  }
  uregex_setTimeLimit(regex.get(), kTimeLimit, &status);
  uregex_setStackLimit(regex.get(), kStackLimit, &status);
  Meter meter{heap, error};
  uregex_setMatchCallback(regex.get(), chargeProgress, &meter, &status);
  uregex_setText(regex.get(), text.data(), static_cast<int32_t>(text.size()), &status);
  const bool found = uregex_find(regex.get(), 0, &status);
  if (hasScriptError(error)) return -1;  // the budget stopped the matcher
  if (U_FAILURE(status)) {
    setICUError(error, status);
    return -1;
  }
  if (!found) return -1;
  const auto start = uregex_start(regex.get(), 0, &status);
  const auto end = uregex_end(regex.get(), 0, &status);
  if (U_FAILURE(status)) {
    setICUError(error, status);
    return -1;
  }
  length = end - start;
  return start;
}

}  // namespace sdk::analytics

