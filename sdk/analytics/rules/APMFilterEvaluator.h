#pragma once

#include <string>

#include "sdk/analytics/foundation/APMValue.h"
#include "sdk/analytics/rules/APMAudienceFilterResult.h"

class APMMonitor;
class APMPBEventFilter;
class APMPBFilter;
class APMPBPropertyFilter;
struct APMEventAggregates;
struct APMUserAttribute;

namespace sdk::analytics {

// One value filter (a string or a number filter, optionally negated) on one value.
APMFilterOutcome APMEvaluateFilter(const APMPBFilter* filter, const APMValue& value, APMMonitor& monitor);

// An event filter on one event: its name, the count filter on the event's counters (the session's
// count when the filter is session-scoped) and every parameter filter must hold.
APMFilterOutcome APMEvaluateEventFilter(const APMPBEventFilter* filter, const std::string& eventName,
                                        const APMParameters& parameters, const APMEventAggregates* aggregates,
                                        APMMonitor& monitor);

// A property filter on one user property.
APMFilterOutcome APMEvaluatePropertyFilter(const APMPBPropertyFilter* filter, const APMUserAttribute* property,
                                           APMMonitor& monitor);

}  // namespace sdk::analytics
