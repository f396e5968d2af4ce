#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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
  // Nothing when the filter is not valid; nothing is logged (matchStringFilter says why). The
  // filter was validated when it was stored, pattern and all: its pattern is not compiled again
  // here, only at its first search, within the budget of the event that needs it.
  static std::optional<PreparedStringFilter> from(const ProtoStringFilter& filter);
  // A filter that passed validation, with the pattern validation compiled for a regular expression,
  // or nullptr to compile it at the first search.
  PreparedStringFilter(const ProtoStringFilter& filter, std::shared_ptr<const icu::RegexPattern> pattern);

  // Nothing only when a regular expression exceeds its limits (logged), or when `budget` is spent
  // before its search ends. Compiling and searching ask `budget`, when given, as they go, and tell it
  // when the pattern ran out of its own time.
  FilterOutcome matches(CaselessText& value, Monitor& monitor, AudienceEvaluationBudget* budget = nullptr) const;

  // Whether the pattern was set aside for `text`: its search ran out of its own time on that very
  // text, or its compiling could never fit in an event's time. Other texts are searched again.
  bool isSetAsideFor(std::string_view text) const;

 private:
  // The regular expression, compiled now if `budget` affords what that may cost; nullptr when not.
  const icu::RegexPattern* pattern(Monitor& monitor, AudienceEvaluationBudget* budget) const;
  void setAsideFor(std::string_view text) const;

  // The last few texts a search ran out of its own time on, by their hash: a text that times out
  // mostly does again, and each try costs an event a matcher's whole share. The oldest is tried
  // again once more have timed out since.
  static constexpr std::size_t kSetAsideTexts = 4;

  std::uint64_t type_ = 0;
  bool caseSensitive_ = false;
  std::string expression_;          // folded unless case-sensitive
  std::vector<std::string> list_;   // likewise
  icu::UnicodeString source_;       // a regular expression's, as written
  std::int64_t compileNanoseconds_ = 0;
  mutable std::shared_ptr<const icu::RegexPattern> pattern_;
  mutable bool neverCompiles_ = false;
  mutable std::vector<std::size_t> setAsideTexts_;
  mutable std::size_t nextSetAside_ = 0;
};

}  // namespace sdk::analytics
