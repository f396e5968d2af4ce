#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unicode/regex.h>

#include "sdk/analytics/rules/FilterOutcome.h"

namespace sdk::analytics {

class Monitor;
class ProtoStringFilter;

class AudienceEvaluationBudget;
class CaselessText;

// A valid string filter read once: its match type, its expression or list folded once when case does
// not matter, and its regular expression compiled once, at its first search. Matching answers as
// matchStringFilter does on the message.
class PreparedStringFilter {
 public:
  // Nothing when the filter is not valid; nothing is logged (matchStringFilter says why).
  static std::optional<PreparedStringFilter> from(const ProtoStringFilter& filter);
  // A filter that passed validation, with the pattern validation compiled for a regular expression,
  // or nullptr to compile it at the first search.
  PreparedStringFilter(const ProtoStringFilter& filter, std::shared_ptr<const icu::RegexPattern> pattern);

  // Nothing only when a regular expression exceeds its limits (logged), or when `budget` is spent
  // before its search ends. Compiling and searching ask `budget`, when given, as they go, and tell it
  // when the pattern ran out of its own time.
  FilterOutcome matches(CaselessText& value, Monitor& monitor, AudienceEvaluationBudget* budget = nullptr) const;

 private:
  // The regular expression, compiled now if `budget` affords what that may cost; nullptr when not.
  const icu::RegexPattern* pattern(Monitor& monitor, AudienceEvaluationBudget* budget) const;

  std::uint64_t type_ = 0;
  bool caseSensitive_ = false;
  std::string expression_;          // folded unless case-sensitive
  std::vector<std::string> list_;   // likewise
  icu::UnicodeString source_;       // a regular expression's, as written
  std::int64_t compileNanoseconds_ = 0;
  mutable std::shared_ptr<const icu::RegexPattern> pattern_;
};

}  // namespace sdk::analytics

