#pragma once

#include <string>

#include "sdk/analytics/foundation/AnalyticsValue.h"
#include "sdk/analytics/rules/FilterOutcome.h"

namespace sdk::analytics {

class Monitor;
class ProtoEventFilter;
class ProtoFilter;
class ProtoPropertyFilter;
struct EventAggregates;
struct UserAttribute;

// One value filter (a string or a number filter, optionally negated) on one value.
FilterOutcome evaluateValueFilter(const ProtoFilter* filter, const AnalyticsValue& value, Monitor& monitor);

// An event filter on one event: its name, the count filter on the event's counters (the session's
// count when the filter is session-scoped) and every parameter filter must hold.
FilterOutcome evaluateEventFilter(const ProtoEventFilter* filter, const std::string& eventName,
                                        const Parameters& parameters, const EventAggregates* aggregates,
                                        Monitor& monitor);

// A property filter on one user property.
FilterOutcome evaluatePropertyFilter(const ProtoPropertyFilter* filter, const UserAttribute* property,
                                           Monitor& monitor);

}  // namespace sdk::analytics

