#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sdk/analytics/foundation/AnalyticsEvent.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/MeasurementHost.h"

namespace sdk::analytics {

// The analytics event as an editing event: its public name when it has one, same time and
// parameters.
EditingEvent editingEventFromEvent(const AnalyticsEvent& event);
// The edited event as an analytics event, built through the event's own validation: the internal
// name when one exists, origin from "_o" (else "app"), not public, sanitised parameters. Nothing
// when it cannot be built.
std::optional<AnalyticsEvent> eventFromEditingEvent(const EditingEvent& event);
// An event editing created, built the same way but under its own name: a created "screen_view" is
// a public event of that name, counted and blocked as one, never the screen views' internal twin.
std::optional<AnalyticsEvent> createdEventFromEditingEvent(const EditingEvent& event);

// What the engine writes for one logged event: the event (edited, or as logged when editing failed)
// and the events created from it.
struct EditingOutcome {
  AnalyticsEvent event;
  std::vector<AnalyticsEvent> createdEvents;
  // The event is editing's output, not the one logged.
  bool edited = false;
  // Editing failed and the event is as logged; the failure is told once it is written.
  bool failed = false;
  // The code of the error that failed editing; nothing when the edited event could not be built.
  std::optional<std::int64_t> errorCode = std::nullopt;
};
// Runs `editing` (when there is one and the switch is on) over `event`. A failure, including an edited
// event that cannot be built, keeps the event as logged; created events that cannot be built are
// dropped with a log line.
EditingOutcome applyEventEditing(EventEditing* editing, const AnalyticsEvent& event,
                                 const sdk::analytics::MeasurementHost& host);
// Logs 23223 for an outcome whose editing failed; the engine calls it once the event is written.
void logEditingFailure(const EditingOutcome& outcome, const sdk::analytics::MeasurementHost& host);

}  // namespace sdk::analytics
