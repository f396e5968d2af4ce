#pragma once

#include <cstdint>
#include <string>

#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

class ScriptHeap;

// Regular expressions run with a bound on their time and backtracking stack; their failures are
// ICU's own errors.
inline constexpr const char* kScriptRegexErrorDomain = "com.vadeze.vmp.measurement.pixie.RegexErrorDomain";
// The position of the first match of `pattern` in `text` and its length; -1 when none.
// Matching is charged to `heap` as native work: the subject's length up front, then the matcher's
// steps as it goes, so many cheap calls add up as one long one would.
ErrorOr<std::int64_t> regexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                      ScriptHeap& heap);

}  // namespace sdk::analytics
