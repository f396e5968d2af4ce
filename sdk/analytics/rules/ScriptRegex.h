#pragma once

#include <cstdint>
#include <string>

#include "sdk/analytics/rules/ScriptValue.h"

namespace sdk::analytics {

class ScriptHeap;

// Regular expressions run with a bound on their time and backtracking stack; their failures are
// ICU's own errors.
inline constexpr const char* kScriptRegexErrorDomain = "com.vadeze.vmp.measurement.pixie.RegexErrorDomain";
// The position of the first match of `pattern` in `text` and its length; -1 when none. The text is
// searched as a plain buffer of UTF-16, as audiences search theirs, so that one pattern and one
// value give one answer. Matching is charged to `heap` as native work: the subject's length up front,
// then the matcher's steps as it goes, so many cheap calls add up as one long one would. No search
// costs the event more than its time: the compile, and a search whose steps may each read a long
// text whole, run where the event can stop waiting for them.
ErrorOr<std::int64_t> regexFirstMatch(const std::u16string& pattern, const std::u16string& text, std::int64_t& length,
                                      ScriptHeap& heap);

}  // namespace sdk::analytics
