#include "sdk/analytics/rules/EditingOutcome.h"

#include "sdk/analytics/foundation/EditingOutputScope.h"
#include "sdk/analytics/foundation/EventParameters.h"
#include "sdk/analytics/foundation/NameTables.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

namespace {

std::optional<AnalyticsEvent> eventNamed(const EditingEvent& event, const std::string& name) {
  // Parameters beyond a hundred (by name order) are dropped before validation bounds the rest.
  constexpr std::size_t kMaxParameters = 100;
  const auto origin = event.parameterForName("_o");
  platform::foundation::Dictionary parameters;
  for (const auto& [key, value] : event.parameters) {
    if (parameters.size() >= kMaxParameters) break;
    parameters.emplace(key, value);
  }
  // Error events the validation raises are about editing's output.
  EditingOutputScope output;
  auto sanitised = sanitizeEventParameters(parameters, name, false, false);
  return AnalyticsEvent::create(origin.isString() ? *origin.string() : "app", false, name, event.timestamp, 0,
                                std::move(sanitised));
}

}  // namespace

EditingEvent editingEventFromEvent(const AnalyticsEvent& event) {
  const auto publicName = publicToInternalEventNames().publicName(event.name());
  return EditingEvent(publicName.value_or(event.name()), event.timestamp(), parametersAsDictionary(event.parameters()));
}

std::optional<AnalyticsEvent> eventFromEditingEvent(const EditingEvent& event) {
  return eventNamed(event, publicToInternalEventNames().internalName(event.name).value_or(event.name));
}

std::optional<AnalyticsEvent> createdEventFromEditingEvent(const EditingEvent& event) {
  return eventNamed(event, event.name);
}

EditingOutcome applyEventEditing(EventEditing* editing, const AnalyticsEvent& event,
                                 const sdk::analytics::MeasurementHost& host) {
  EditingOutcome outcome{event, {}};
  if (!editing || !host.boolSetting(EventEditing::kSwitchKey, EventEditing::kSwitchDefault)) return outcome;
  // Whether anything changed is read from the context below; only a failure matters here.
  const auto handled = editing->handleEvent(editingEventFromEvent(event));
  if (!handled.ok()) {
    outcome.failed = true;
    outcome.errorCode = handled.error().code;
    return outcome;
  }
  if (editing->hasEdits()) {
    auto edited = eventFromEditingEvent(editing->eventContext().outputEvent());
    if (!edited) {
      outcome.failed = true;
      return outcome;
    }
    outcome.event = *edited;
    outcome.edited = true;
  }
  for (const auto& created : editing->eventContext().eventsToLog()) {
    if (auto built = createdEventFromEditingEvent(created)) {
      outcome.createdEvents.push_back(*built);
    } else if (auto monitor = host.monitor()) {
      monitor->logWithLevel(LogLevel::kSilentError, messages::kCreatedEventInvalid,
                            "Event created by event editing is invalid. Event name", created.name);
    }
  }
  return outcome;
}

void logEditingFailure(const EditingOutcome& outcome, const sdk::analytics::MeasurementHost& host) {
  auto monitor = outcome.failed ? host.monitor() : nullptr;
  if (!monitor) return;
  if (outcome.errorCode) {
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kEventEditingFailed, "Event editing failed. Event name",
                          outcome.event.name(), *outcome.errorCode);
  } else {
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kEventEditingFailed, "Event editing failed. Event name",
                          outcome.event.name());
  }
}

}  // namespace sdk::analytics
