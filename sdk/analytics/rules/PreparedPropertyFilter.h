#pragma once

#include <optional>
#include <string>

#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/FilterOutcome.h"
#include "sdk/analytics/rules/PreparedValueFilter.h"

namespace sdk::analytics {

class Monitor;
class ProtoPropertyFilter;

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
  // Whether its pattern was set aside for the property's value.
  bool isSetAsideFor(const UserAttribute& property) const { return value_ && value_->isSetAsideFor(property.value); }

 private:
  const ProtoPropertyFilter* message_;
  const std::string* propertyName_;
  std::optional<PreparedValueFilter> value_;
};

}  // namespace sdk::analytics

