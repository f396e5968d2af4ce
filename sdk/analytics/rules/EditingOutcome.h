#pragma once

#include <optional>
#include <vector>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {

// The analytics event as an editing event: its public name when it has one, same time and
// parameters.
EditingEvent editingEventFromEvent(const AnalyticsEvent& event);
// An editing event as an analytics event, built through the event's own validation: the internal
// name when one exists, origin from "_o" (else "app"), not public, sanitised parameters. Nothing
// when it cannot be built.
std::optional<AnalyticsEvent> eventFromEditingEvent(const EditingEvent& event);

// What the engine writes for one logged event: the event (edited, or as logged when editing failed)
// and the events created from it.
struct EditingOutcome {
  AnalyticsEvent event;
  std::vector<AnalyticsEvent> createdEvents;
};
// Runs `editing` (when there is one) over `event`. A failure, including an edited event that cannot be
// built, logs 23223 and keeps the event as logged; created events that cannot be built are dropped with
// a log line.
EditingOutcome applyEventEditing(EventEditing* editing, const AnalyticsEvent& event,
                                         const sdk::analytics::MeasurementHost& host);

}  // namespace sdk::analytics

