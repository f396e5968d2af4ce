#include "sdk/analytics/rules/FilterEvaluator.h"

#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/rules/CaselessText.h"
#include "sdk/analytics/rules/EventParameterLookup.h"
#include "sdk/analytics/rules/PreparedEventFilter.h"
#include "sdk/analytics/rules/PreparedPropertyFilter.h"
#include "sdk/analytics/rules/PreparedValueFilter.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

// Each message is prepared for the one evaluation: the prepared filters hold the one description of
// how a filter is judged, which the audiences' kept filters use event after event.

FilterOutcome evaluateValueFilter(const ProtoFilter* filter, const AnalyticsValue& value, Monitor& monitor) {
  if (!filter) return std::nullopt;
  const std::string* string = value.string();
  CaselessText text(string ? std::string_view(*string) : std::string_view());
  return PreparedValueFilter(*filter).evaluate(value, text, monitor);
}

FilterOutcome evaluateEventFilter(const ProtoEventFilter* filter, const std::string& eventName,
                                        const Parameters& parameters, const EventAggregates* aggregates,
                                        Monitor& monitor) {
  if (!filter) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kEventFilterMissing, "Event filter is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  std::vector<std::string> parameterNames;
  PreparedEventFilter prepared(*filter, parameterNames);
  EventParameterLookup lookup(parameterNames, parameters);
  return prepared.evaluate(eventName, lookup, aggregates, monitor);
}

FilterOutcome evaluatePropertyFilter(const ProtoPropertyFilter* filter, const UserAttribute* property,
                                           Monitor& monitor) {
  if (!filter) {
    monitor.logWithLevel(LogLevel::kMonitoredError, messages::kPropertyFilterMissing, "Property filter is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  return PreparedPropertyFilter(*filter).evaluate(property, monitor);
}

}  // namespace sdk::analytics

