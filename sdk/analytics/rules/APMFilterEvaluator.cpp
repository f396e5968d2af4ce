#include "sdk/analytics/rules/APMFilterEvaluator.h"

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMPBAudience.h"
#include "sdk/analytics/rules/CaselessText.h"
#include "sdk/analytics/rules/EventParameterLookup.h"
#include "sdk/analytics/rules/PreparedEventFilter.h"
#include "sdk/analytics/rules/PreparedPropertyFilter.h"
#include "sdk/analytics/rules/PreparedValueFilter.h"

// Each message is prepared for the one evaluation: the prepared filters hold the one description of
// how a filter is judged, which the audiences' kept filters use event after event.
namespace sdk::analytics {

APMFilterOutcome APMEvaluateFilter(const APMPBFilter* filter, const APMValue& value, APMMonitor& monitor) {
  if (!filter) return std::nullopt;
  const std::string* string = value.string();
  CaselessText text(string ? std::string_view(*string) : std::string_view());
  return PreparedValueFilter(*filter).evaluate(value, text, monitor);
}

APMFilterOutcome APMEvaluateEventFilter(const APMPBEventFilter* filter, const std::string& eventName,
                                        const APMParameters& parameters, const APMEventAggregates* aggregates,
                                        APMMonitor& monitor) {
  if (!filter) {
    monitor.logWithLevel(1, 7004, "Event filter is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  std::vector<std::string> parameterNames;
  PreparedEventFilter prepared(*filter, parameterNames);
  EventParameterLookup lookup(parameterNames, parameters);
  return prepared.evaluate(eventName, lookup, aggregates, monitor);
}

APMFilterOutcome APMEvaluatePropertyFilter(const APMPBPropertyFilter* filter, const APMUserAttribute* property,
                                           APMMonitor& monitor) {
  if (!filter) {
    monitor.logWithLevel(1, 7011, "Property filter is nil. Audience filter will not be evaluated");
    return std::nullopt;
  }
  return PreparedPropertyFilter(*filter).evaluate(property, monitor);
}

}  // namespace sdk::analytics
