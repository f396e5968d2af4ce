#include "sdk/analytics/engine/LoggedEventRouter.h"

#include "sdk/analytics/engine/DefaultEventParameters.h"
#include "sdk/analytics/engine/EventHandler.h"
#include "sdk/analytics/engine/EventPipelineHost.h"
#include "sdk/analytics/foundation/APMEventParameters.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNameTests.h"
#include "sdk/analytics/foundation/APMScheduler.h"

using platform::foundation::Dictionary;
using platform::foundation::Value;

namespace sdk::analytics {

namespace {

bool isAdvertisingEvent(const APMEvent& event) {
  return event.origin() == "am" || event.name() == "_xa" || event.name() == "_xu";
}

}  // namespace

LoggedEventRouter::LoggedEventRouter(const EventPipelineHost& host, EventHandler& handler,
                                     const DefaultEventParameters& defaults)
    : host_(host), handler_(handler), defaults_(defaults) {}

void LoggedEventRouter::logEventOnWorkerQueue(const LoggedEvent& logged) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  APMScheduler::checkOnBackgroundThreadWithMethodName("logEventOnWorkerQueueWithOrigin:");
  const Dictionary& parameters = logged.ignoreInterceptor || logged.name == "_err"
                                     ? logged.parameters
                                     : defaults_.parametersWithAddedDefaultEventParameters(logged.parameters);
  auto event = APMEvent::create(logged.origin, logged.isPublicEvent, logged.name, logged.timestamp, 0,
                                APMSanitizeEventParameters(parameters, logged.name, logged.isPublicEvent, false));
  if (!event) {
    APMMonitor::shared()->logWithLevel(1, 23219, "Attempted to log nil event. Origin, name, parameters",
                                       Value(logged.origin), Value(APMEventNameForDisplay(logged.name)),
                                       Value(parameters));
    return;
  }
  if (!logged.addedScreenParameters.empty()) event->addScreenParameters(logged.addedScreenParameters);
  if ((!logged.enabled && !logged.ignoreEnabled) || isAdvertisingEvent(*event)) {
    logEventOnWorkerQueue(*event, false);
    return;
  }
  if (logged.isPublicEvent && logged.interceptor && !logged.ignoreInterceptor) {
    Dictionary intercepted = parameters;
    for (const auto& [name, value] : logged.addedScreenParameters) intercepted.insert_or_assign(name, value.objectValue());
    logged.interceptor(logged.origin, logged.name, intercepted, logged.timestamp);
    return;
  }
  logEventOnWorkerQueue(*event, true);
}

void LoggedEventRouter::logEventOnWorkerQueue(const APMEvent& event, bool notifyEventListeners) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  if (!notifyEventListeners) {
    handler_.handleEventOnWorkerQueue(event);
    return;
  }
  APMEvent copy = event;
  handler_.handleEventOnWorkerQueue(event);
  host_.notifyEventListeners(copy);
}

}  // namespace sdk::analytics
