#pragma once

#include <optional>
#include <string>

#include "sdk/analytics/rules/APMAudienceFilterResult.h"
#include "sdk/analytics/rules/PreparedValueFilter.h"

class APMMonitor;
class APMPBPropertyFilter;
struct APMUserAttribute;

namespace sdk::analytics {

// A user-property filter read once; it answers, and logs, as APMEvaluatePropertyFilter does on the
// message.
class PreparedPropertyFilter {
 public:
  // `filter` must outlive this.
  explicit PreparedPropertyFilter(const APMPBPropertyFilter& filter);

  APMFilterOutcome evaluate(const APMUserAttribute* property, APMMonitor& monitor) const;

 private:
  const APMPBPropertyFilter* message_;
  const std::string* propertyName_;
  std::optional<PreparedValueFilter> value_;
};

}  // namespace sdk::analytics
