#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/rules/FilterOutcome.h"
#include "sdk/analytics/rules/PreparedNumberFilter.h"
#include "sdk/analytics/rules/PreparedValueFilter.h"

namespace sdk::analytics {

class Monitor;
class ProtoEventFilter;
class ProtoNumberFilter;
struct EventAggregates;

class AudienceEvaluationBudget;
class EventParameterLookup;

// An event filter read once: its event name, its count filter and its parameter filters, each
// prepared when valid. It answers, and logs, as evaluateEventFilter does on the message.
class PreparedEventFilter {
 public:
  // `filter` must outlive this. The names of the parameters it judges are added to `parameterNames`,
  // the slots of the EventParameterLookup it is evaluated with.
  PreparedEventFilter(const ProtoEventFilter& filter, std::vector<std::string>& parameterNames);

  // Regular expressions' searches ask `budget`, when given.
  FilterOutcome evaluate(const std::string& eventName, EventParameterLookup& parameters,
                         const EventAggregates* aggregates, Monitor& monitor,
                         AudienceEvaluationBudget* budget = nullptr) const;

  // Whether the filter judges events of this name: then `judge` may skip the name checks.
  bool isFor(const std::string& eventName) const { return eventName_ && !eventName.empty() && *eventName_ == eventName; }
  // The rest of `evaluate` for an event of a name isFor accepts, its aggregates' name compared once
  // for every filter of that name.
  FilterOutcome judge(const std::string& eventName, EventParameterLookup& parameters,
                      const EventAggregates* aggregates, bool aggregatesNamedAlike, Monitor& monitor,
                      AudienceEvaluationBudget* budget = nullptr) const;
  // Whether a pattern of the filter was set aside for the value its parameter has in this event.
  bool isSetAsideFor(const EventParameterLookup& parameters) const;

 private:
  struct Parameter {
    PreparedValueFilter filter;
    std::optional<std::size_t> slot;  // none when the filter names no parameter
  };

  const ProtoEventFilter* message_;
  const std::string* eventName_;
  const ProtoNumberFilter* countMessage_;
  std::optional<PreparedNumberFilter> count_;
  bool sessionScoped_;
  std::vector<Parameter> parameters_;
};

}  // namespace sdk::analytics

