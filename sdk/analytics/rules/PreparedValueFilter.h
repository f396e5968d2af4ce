#pragma once

#include <optional>
#include <string>

#include "sdk/analytics/foundation/AnalyticsValue.h"
#include "sdk/analytics/rules/FilterOutcome.h"
#include "sdk/analytics/rules/PreparedNumberFilter.h"
#include "sdk/analytics/rules/PreparedStringFilter.h"

namespace sdk::analytics {

class Monitor;
class ProtoFilter;
class ProtoNumberFilter;
class ProtoStringFilter;

class AudienceEvaluationBudget;
class CaselessText;

// One value filter (a number or a string filter, optionally negated) read once. Its number or
// string filter is prepared when valid; one that is not is judged from its message on every value,
// so it logs what is wrong with it each time, as it always has.
class PreparedValueFilter {
 public:
  // `filter` must outlive this.
  explicit PreparedValueFilter(const ProtoFilter& filter);

  // The event parameter the filter judges; nullptr when it names none.
  const std::string* parameterName() const { return parameterName_; }
  bool hasStringFilter() const { return stringMessage_ != nullptr; }

  // `text` is the value's string when it is one (folded on demand, and kept by the caller for other
  // filters of the same value). A regular expression's search asks `budget`, when given.
  FilterOutcome evaluate(const AnalyticsValue& value, CaselessText& text, Monitor& monitor,
                         AudienceEvaluationBudget* budget = nullptr) const;
  // Whether its pattern was set aside for this value's text.
  bool isSetAsideFor(const AnalyticsValue& value) const;

 private:
  FilterOutcome judgeNumber(const AnalyticsValue& value, Monitor& monitor) const;

  const ProtoFilter* message_;
  const ProtoNumberFilter* numberMessage_;
  const ProtoStringFilter* stringMessage_;
  const std::string* parameterName_;
  bool complement_;
  std::optional<PreparedNumberFilter> number_;
  std::optional<PreparedStringFilter> string_;
};

}  // namespace sdk::analytics

