#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/rules/APMAudienceFilterResult.h"
#include "sdk/analytics/rules/PreparedNumberFilter.h"
#include "sdk/analytics/rules/PreparedValueFilter.h"

class APMMonitor;
class APMPBEventFilter;
class APMPBNumberFilter;
struct APMEventAggregates;

namespace sdk::analytics {

class EventParameterLookup;

// An event filter read once: its event name, its count filter and its parameter filters, each
// prepared when valid. It answers, and logs, as APMEvaluateEventFilter does on the message.
class PreparedEventFilter {
 public:
  // `filter` must outlive this. The names of the parameters it judges are added to `parameterNames`,
  // the slots of the EventParameterLookup it is evaluated with.
  PreparedEventFilter(const APMPBEventFilter& filter, std::vector<std::string>& parameterNames);

  APMFilterOutcome evaluate(const std::string& eventName, EventParameterLookup& parameters,
                            const APMEventAggregates* aggregates, APMMonitor& monitor) const;

  // Whether the filter judges events of this name: then `judge` may skip the name checks.
  bool isFor(const std::string& eventName) const { return eventName_ && !eventName.empty() && *eventName_ == eventName; }
  // The rest of `evaluate` for an event of a name isFor accepts, its aggregates' name compared once
  // for every filter of that name.
  APMFilterOutcome judge(const std::string& eventName, EventParameterLookup& parameters,
                         const APMEventAggregates* aggregates, bool aggregatesNamedAlike, APMMonitor& monitor) const;

 private:
  struct Parameter {
    PreparedValueFilter filter;
    std::optional<std::size_t> slot;  // none when the filter names no parameter
  };

  const APMPBEventFilter* message_;
  const std::string* eventName_;
  const APMPBNumberFilter* countMessage_;
  std::optional<PreparedNumberFilter> count_;
  bool sessionScoped_;
  std::vector<Parameter> parameters_;
};

}  // namespace sdk::analytics
