#include "sdk/analytics/engine/LoggedEventRouter.h"

#include "sdk/analytics/engine/DefaultEventParameters.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/EventHandler.h"
#include "sdk/analytics/engine/EventPipelineHost.h"
#include "sdk/analytics/foundation/EventParameters.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/WorkerQueueCheck.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;

namespace {

bool isAdvertisingEvent(const AnalyticsEvent& event) {
  return event.origin() == "am" || event.name() == "_xa" || event.name() == "_xu";
}

}  // namespace

LoggedEventRouter::LoggedEventRouter(const EventPipelineHost& host, EventHandler& handler,
                                     const DefaultEventParameters& defaults)
    : host_(host), handler_(handler), defaults_(defaults) {}

void LoggedEventRouter::logEventOnWorkerQueue(const LoggedEvent& logged) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "logEventOnWorkerQueueWithOrigin:");
  const Dictionary& parameters = logged.ignoreInterceptor || logged.name == "_err"
                                     ? logged.parameters
                                     : defaults_.parametersWithAddedDefaultEventParameters(logged.parameters);
  auto event = AnalyticsEvent::create(logged.origin, logged.isPublicEvent, logged.name, logged.timestamp, 0,
                                sanitizeEventParameters(parameters, logged.name, logged.isPublicEvent, false));
  if (!event) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kNilEventFromOrigin,
                                    "Attempted to log nil event. Origin, name, parameters", Value(logged.origin),
                                    Value(eventNameForDisplay(logged.name)), Value(parameters));
    return;
  }
  if (!logged.addedScreenParameters.empty()) event->addScreenParameters(logged.addedScreenParameters);
  if ((!logged.enabled && !logged.ignoreEnabled) || isAdvertisingEvent(*event)) {
    logEventOnWorkerQueue(*event, false, logged.editable);
    return;
  }
  if (logged.isPublicEvent && logged.interceptor && !logged.ignoreInterceptor) {
    Dictionary intercepted = parameters;
    for (const auto& [name, value] : logged.addedScreenParameters) intercepted.insert_or_assign(name, value.objectValue());
    logged.interceptor(logged.origin, logged.name, intercepted, logged.timestamp);
    return;
  }
  logEventOnWorkerQueue(*event, true, logged.editable);
}

void LoggedEventRouter::logEventOnWorkerQueue(const AnalyticsEvent& event, bool notifyEventListeners,
                                              bool editable) {
  DCHECK_ON_WORKER_QUEUE(sequenceChecker_, "logEventOnWorkerQueue:");
  if (!notifyEventListeners) {
    handler_.handleEventOnWorkerQueue(event, editable);
    return;
  }
  AnalyticsEvent copy = event;
  handler_.handleEventOnWorkerQueue(event, editable);
  host_.notifyEventListeners(copy);
}

}  // namespace sdk::analytics

