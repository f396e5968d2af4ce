#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <unicode/regex.h>

#include "sdk/analytics/rules/FilterOutcome.h"

namespace sdk::analytics {

class AudienceEvaluationBudget;
class Monitor;
class ProtoStringFilter;

// Match types of a string filter (field 1); types above InList validate and never match.
enum class StringMatchType : std::uint64_t { Regex = 1, BeginsWith = 2, EndsWith = 3, Contains = 4, Exact = 5, InList = 6 };

// Server patterns run on every matching event, so each search is bounded: a pattern that needs more
// than these (ICU's match-step ticks and backtracking stack) gives no result. The searches of one
// event's audience filters share one CPU budget besides (AudienceEvaluationBudget).
inline constexpr std::int32_t kRegexTimeLimit = 20;
inline constexpr std::int32_t kRegexStackLimit = 256 * 1024;

// The most compiling `pattern` may take, read from its text: ICU closes every set over case when the
// pattern ignores case (a set of every character takes milliseconds, [a-z] a microsecond), and goes
// back over what it has compiled at every quantifier. Storing a filter and searching with it ask
// the same question, `caseless` where the search ignores case. The estimate is what is worth
// trying; the clock of the event that compiles stops what it misjudged.
std::int64_t regexCompileNanoseconds(const icu::UnicodeString& pattern, bool caseless);

// Whether the filter can be matched. A regular-expression filter is compiled as its searches compile
// it (case-insensitively unless field 3 says case-sensitive) and, when `pattern` is given, handed
// over through it. A pattern that could not be compiled within an event's time is refused: no
// search would ever compile it. With `budget`, the one a configuration's patterns share, so is a
// pattern that does not fit in what is left of it, or whose compiling took longer than an event's
// time whatever its text promised (a compile still running then is left, and its text refused for
// the run). One that cannot be compiled now, because a compile left behind still runs, is taken as
// it is and compiled at its first search. Every refusal is logged, unless `monitor` is null.
bool validateStringFilter(const ProtoStringFilter& filter, Monitor* monitor,
                          std::shared_ptr<const icu::RegexPattern>* pattern = nullptr,
                          AudienceEvaluationBudget* budget = nullptr);
inline bool validateStringFilter(const ProtoStringFilter& filter, Monitor& monitor,
                                 std::shared_ptr<const icu::RegexPattern>* pattern = nullptr,
                                 AudienceEvaluationBudget* budget = nullptr) {
  return validateStringFilter(filter, &monitor, pattern, budget);
}
// What validation checks short of compiling: enough for a filter that was validated when stored,
// whose pattern is compiled when first searched.
bool isWellFormedStringFilter(const ProtoStringFilter& filter);

// Whether `value` matches; nothing without a value, for an invalid filter, or when a regular
// expression exceeds its limits.
FilterOutcome matchStringFilter(const ProtoStringFilter& filter, std::optional<std::string_view> value,
                                      Monitor& monitor);

}  // namespace sdk::analytics

