#include "sdk/analytics/rules/APMPEventEditing.h"

#include "sdk/analytics/foundation/APMEventParameters.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMNameTables.h"
#include "sdk/analytics/rules/APMPEventNativeFunctions.h"
#include "sdk/analytics/rules/APMPRuntimeEntityConverter.h"
#include "sdk/analytics/rules/APMPText.h"

APMPEventEditing::APMPEventEditing(std::shared_ptr<const sdk::analytics::MeasurementHost> host,
                                   const APMPLimits& limits)
    : host_(std::move(host)), runtime_(limits) {
  auto handler = handler_;
  runtime_.setModuleCreator(
      [handler](APMPHeap& heap) { return APMPValueRef(heap.make<APMPRegisterCallbackNativeFunctionValue>(handler)); },
      u"internal.registerCallback");
  auto context = context_;
  auto dropped = droppedEvents_;
  runtime_.setModuleCreator(
      [context, dropped](APMPHeap& heap) { return APMPValueRef(heap.make<APMPEventLogger>(context, dropped)); },
      u"internal.eventLogger");
}

bool APMPEventEditing::loadProgram(const APMPBProgram& program, APMPError& error) {
  auto result = runtime_.executeStatements(APMNanoGetMessageArray<APMPBRuntimeEntity>(program, 0), error);
  if (APMPFailed(error)) return false;
  if (result->kind() == APMPKind::Control) {
    APMPSetEditingError(error, kAPMPEditingErrorControlValue);
    return false;
  }
  auto activities = APMNanoGetMessage<APMPBOgtActivities>(program, 1);
  if (!activities) return true;
  for (const auto& activity : APMNanoGetMessageArray<APMPBOgtActivity>(*activities, 0)) {
    const auto name = APMPFromUTF8(APMNanoGetString(*activity, 0).value_or(""));
    for (const auto& statement : APMNanoGetMessageArray<APMPBRuntimeEntity>(*activity, 1)) {
      auto options = runtime_.executeStatements({statement}, error);
      if (APMPFailed(error)) return false;
      if (options->kind() != APMPKind::Map) {
        APMPSetEditingError(error, kAPMPEditingErrorOptionsNotMap);
        return false;
      }
      auto scope = runtime_.getRunScope();
      auto* rule = scope->valueForName(name);
      if (rule->kind() != APMPKind::Function) {
        APMPSetEditingError(error, kAPMPEditingErrorNotFunction);
        return false;
      }
      APMPRef<APMPFunctionValue> function(static_cast<APMPFunctionValue*>(rule));
      function->invokeWithArguments({options}, *scope, error);
      if (APMPFailed(error)) return false;
    }
  }
  runtime_.collectGarbage();
  return true;
}

bool APMPEventEditing::handleEvent(const APMPEvent& event, APMPError& error) {
  runtime_.heap().refundMemory(context_->takeChargedBytes());
  context_->setInputEvent(event);
  *droppedEvents_ = 0;
  runtime_.resetInstructionCount();
  {
    auto scope = runtime_.getRunScope();
    handler_->triggerCallbacksWithScope(*scope, context_, error);
  }
  runtime_.collectGarbage();
  if (*droppedEvents_ > 0) {
    if (auto monitor = host_ ? host_->monitor() : nullptr) {
      monitor->logWithLevel(1, kSurplusEventsCode, "Event editing created too many events. Event name, dropped",
                            event.name, *droppedEvents_);
    }
  }
  if (APMPFailed(error)) return false;
  return hasEdits() || hasCreatedEvents();
}

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
