#include "sdk/analytics/rules/EditingOutcome.h"

#include "sdk/analytics/foundation/EventParameters.h"
#include "sdk/analytics/foundation/NameTables.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

EditingEvent editingEventFromEvent(const AnalyticsEvent& event) {
  const auto publicName = publicToInternalEventNames().publicName(event.name());
  return EditingEvent(publicName.value_or(event.name()), event.timestamp(), parametersAsDictionary(event.parameters()));
}

std::optional<AnalyticsEvent> eventFromEditingEvent(const EditingEvent& event) {
  // Parameters beyond a hundred (by name order) are dropped before validation bounds the rest.
  constexpr std::size_t kMaxParameters = 100;
  const auto internalName = publicToInternalEventNames().internalName(event.name).value_or(event.name);
  const auto origin = event.parameterForName("_o");
  platform::foundation::Dictionary parameters;
  for (const auto& [key, value] : event.parameters) {
    if (parameters.size() >= kMaxParameters) break;
    parameters.emplace(key, value);
  }
  auto sanitised = sanitizeEventParameters(parameters, internalName, false, false);
  return AnalyticsEvent::create(origin.isString() ? *origin.string() : "app", false, internalName, event.timestamp, 0,
                          std::move(sanitised));
}

EditingOutcome applyEventEditing(EventEditing* editing, const AnalyticsEvent& event,
                                         const sdk::analytics::MeasurementHost& host) {
  EditingOutcome outcome{event, {}};
  if (!editing || !host.boolSetting(EventEditing::kSwitchKey, EventEditing::kSwitchDefault)) return outcome;
  auto monitor = host.monitor();
  // Whether anything changed is read from the context below; only a failure matters here.
  const auto handled = editing->handleEvent(editingEventFromEvent(event));
  if (!handled.ok()) {
    if (monitor) {
      monitor->logWithLevel(LogLevel::kMonitoredError, messages::kEventEditingFailed, "Event editing failed. Event name",
                            event.name(), handled.error().code);
    }
    return outcome;
  }
  if (editing->hasEdits()) {
    auto edited = eventFromEditingEvent(editing->eventContext().outputEvent());
    if (!edited) {
      if (monitor) monitor->logWithLevel(LogLevel::kMonitoredError, messages::kEventEditingFailed, "Event editing failed. Event name", event.name());
      return outcome;
    }
    outcome.event = *edited;
  }
  for (const auto& created : editing->eventContext().eventsToLog()) {
    if (auto built = eventFromEditingEvent(created)) {
      outcome.createdEvents.push_back(*built);
    } else if (monitor) {
      monitor->logWithLevel(LogLevel::kSilentError, messages::kCreatedEventInvalid, "Event created by event editing is invalid. Event name", created.name);
    }
  }
  return outcome;
}

}  // namespace sdk::analytics

