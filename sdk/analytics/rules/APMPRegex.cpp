#include <unicode/uregex.h>

#include <memory>

#include "sdk/analytics/rules/APMPStringCommandEvaluator.h"

namespace {
// ICU counts time in steps of its matching engine; a few million steps are milliseconds of work,
// ample for the patterns event-editing programs use and short for a catastrophic one.
constexpr int32_t kTimeLimit = 200;
constexpr int32_t kStackLimit = 1 << 20;

struct RegexCloser {
  void operator()(URegularExpression* regex) const { uregex_close(regex); }
};

void setICUError(APMPError& error, UErrorCode status) {
  if (APMPFailed(error)) return;
  error.domain = kAPMPRegexErrorDomain;
  error.code = status;
}
}  // namespace

std::int64_t APMPRegexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                 APMPError& error) {
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
  uregex_setText(regex.get(), text.data(), static_cast<int32_t>(text.size()), &status);
  const bool found = uregex_find(regex.get(), 0, &status);
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
