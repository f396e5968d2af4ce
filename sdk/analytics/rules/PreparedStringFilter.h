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
// not matter, and its regular expression compiled once. Matching answers as matchStringFilter
// does on the message.
class PreparedStringFilter {
 public:
  // Nothing when the filter is not valid; nothing is logged (matchStringFilter says why).
  static std::optional<PreparedStringFilter> from(const ProtoStringFilter& filter);
  // A filter that passed validation, with the pattern validation compiled for a regular expression.
  PreparedStringFilter(const ProtoStringFilter& filter, std::shared_ptr<const icu::RegexPattern> pattern);

  // Nothing only when a regular expression exceeds its limits (logged), or when `budget` is spent
  // before its search ends. The search asks `budget`, when given, as it goes, and tells it when the
  // pattern ran out of its own time.
  FilterOutcome matches(CaselessText& value, Monitor& monitor, AudienceEvaluationBudget* budget = nullptr) const;

 private:
  std::uint64_t type_ = 0;
  bool caseSensitive_ = false;
  std::string expression_;          // folded unless case-sensitive
  std::vector<std::string> list_;   // likewise
  std::shared_ptr<const icu::RegexPattern> pattern_;
};

}  // namespace sdk::analytics

