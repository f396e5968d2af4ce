#include "sdk/analytics/rules/APMPEditingOutcome.h"

#include "sdk/analytics/foundation/APMEventParameters.h"
#include "sdk/analytics/foundation/APMNameTables.h"

APMPEvent APMPEditEventFromEvent(const APMEvent& event) {
  const auto publicName = APMPublicToInternalEventNames().publicName(event.name());
  return APMPEvent(publicName.value_or(event.name()), event.timestamp(), APMParametersObject(event.parameters()));
}

std::optional<APMEvent> APMPEventFromEditEvent(const APMPEvent& event) {
  // Parameters beyond a hundred (by name order) are dropped before validation bounds the rest.
  constexpr std::size_t kMaxParameters = 100;
  const auto internalName = APMPublicToInternalEventNames().internalName(event.name).value_or(event.name);
  const auto origin = event.parameterForName("_o");
  platform::foundation::Dictionary parameters;
  for (const auto& [key, value] : event.parameters) {
    if (parameters.size() >= kMaxParameters) break;
    parameters.emplace(key, value);
  }
  auto sanitised = APMSanitizeEventParameters(parameters, internalName, false, false);
  return APMEvent::create(origin.isString() ? *origin.string() : "app", false, internalName, event.timestamp, 0,
                          std::move(sanitised));
}

APMPEditingOutcome APMPApplyEventEditing(APMPEventEditing* editing, const APMEvent& event,
                                         const sdk::analytics::MeasurementHost& host) {
  APMPEditingOutcome outcome{event, {}};
  if (!editing || !host.boolSetting("measurement.ees_feature_enabled", false)) return outcome;
  auto monitor = host.monitor();
  APMPError error;
  (void)editing->handleEvent(APMPEditEventFromEvent(event), error);
  if (APMPFailed(error)) {
    if (monitor) monitor->logWithLevel(1, 23223, "Event editing failed. Event name", event.name(), error.code);
    return outcome;
  }
  if (editing->hasEdits()) {
    auto edited = APMPEventFromEditEvent(editing->eventContext().outputEvent());
    if (!edited) {
      if (monitor) monitor->logWithLevel(1, 23223, "Event editing failed. Event name", event.name());
      return outcome;
    }
    outcome.event = *edited;
  }
  for (const auto& created : editing->eventContext().eventsToLog()) {
    if (auto built = APMPEventFromEditEvent(created)) {
      outcome.createdEvents.push_back(*built);
    } else if (monitor) {
      monitor->logWithLevel(2, 23223, "Event created by event editing is invalid. Event name", created.name);
    }
  }
  return outcome;
}
