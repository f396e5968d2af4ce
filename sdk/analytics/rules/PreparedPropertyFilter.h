#pragma once

#include <optional>
#include <string>

#include "sdk/analytics/rules/FilterOutcome.h"
#include "sdk/analytics/rules/PreparedValueFilter.h"

namespace sdk::analytics {

class Monitor;
class ProtoPropertyFilter;
struct UserAttribute;

class AudienceEvaluationBudget;

// A user-property filter read once; it answers, and logs, as evaluatePropertyFilter does on the
// message.
class PreparedPropertyFilter {
 public:
  // `filter` must outlive this.
  explicit PreparedPropertyFilter(const ProtoPropertyFilter& filter);

  // A regular expression's search asks `budget`, when given.
  FilterOutcome evaluate(const UserAttribute* property, Monitor& monitor,
                         AudienceEvaluationBudget* budget = nullptr) const;

 private:
  const ProtoPropertyFilter* message_;
  const std::string* propertyName_;
  std::optional<PreparedValueFilter> value_;
};

}  // namespace sdk::analytics

