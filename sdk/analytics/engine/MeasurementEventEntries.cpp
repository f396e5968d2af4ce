#include "sdk/analytics/engine/MeasurementEventEntries.h"

#include "platform/dispatch/Queue.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {

void deliver(std::function<void()> work) {
  platform::dispatch::Queue::global(platform::dispatch::Queue::Priority::Background)->async(std::move(work));
}

}  // namespace

MeasurementEventEntries::MeasurementEventEntries(std::shared_ptr<Scheduler> scheduler, PipelineSource pipeline)
    : scheduler_(std::move(scheduler)), pipeline_(std::move(pipeline)) {}

void MeasurementEventEntries::stop() { stopped_->store(true); }

void MeasurementEventEntries::schedule(const char* blockID, std::function<void()> work) {
  if (stopped_->load()) return;
  scheduler_->scheduleOnWorkerQueueBlockID(blockID, [stopped = stopped_, work = std::move(work)] {
    if (!stopped->load()) work();
  });
}

void MeasurementEventEntries::logEvent(const LoggedEvent& event) {
  schedule("APMMeasurement:2166", [pipeline = pipeline_, event] {
    if (auto path = pipeline()) {
      path->router().logEventOnWorkerQueue(event);
    } else {
      monitor()->logWithLevel(LogLevel::kDebug, messages::kEventNotLoggedWhileDisabled,
                             "Analytics is disabled. Event not logged");
    }
  });
}

void MeasurementEventEntries::logEvent(const std::optional<AnalyticsEvent>& event) {
  if (!event) {
    monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kNilEventLogged, "Attempted to log nil event");
    return;
  }
  schedule("APMMeasurement:2272", [pipeline = pipeline_, event = *event] {
    if (auto path = pipeline()) {
      path->handler().handleEventOnWorkerQueue(event);
    } else {
      monitor()->logWithLevel(LogLevel::kDebug, messages::kEventNotLoggedWhileDisabled,
                             "Analytics is disabled. Event not logged");
    }
  });
}

void MeasurementEventEntries::setDefaultEventParameters(const std::optional<Dictionary>& parameters) {
  schedule("APMMeasurement:2281", [pipeline = pipeline_, parameters] {
    auto path = pipeline();
    if (!path) {
      monitor()->logWithLevel(LogLevel::kDebug, messages::kDefaultParametersNotUpdatedWhileDisabled,
                             "Analytics is disabled. Default event parameters not updated");
      return;
    }
    path->defaultEventParameters().handleSetDefaultEventParametersOnWorkerQueue(parameters, path->isEnabled(),
                                                                                path->settings()->maxPublicEventParams());
  });
}

void MeasurementEventEntries::setUserAttribute(const std::optional<UserAttribute>& attribute) {
  if (!attribute) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kNilUserPropertySet, "Attempted to set nil user property");
    return;
  }
  schedule("APMMeasurement:2465", [pipeline = pipeline_, attribute = *attribute] {
    auto path = pipeline();
    if (!path) {
      monitor()->logWithLevel(LogLevel::kDebug, messages::kUserPropertyNotSetWhileDisabled,
                             "Analytics is disabled. User property not set");
      return;
    }
    path->userProperties().setUserAttributeOnWorkerQueue(attribute, path->isEnabled(), path->userPropertyLimits());
  });
}

void MeasurementEventEntries::removeUserAttribute(const std::optional<UserAttribute>& attribute) {
  if (!attribute) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kNilUserPropertyRemoval,
                           "Attempted to remove nil user property");
    return;
  }
  schedule("APMMeasurement:2425", [pipeline = pipeline_, attribute = *attribute] {
    auto path = pipeline();
    if (!path) {
      monitor()->logWithLevel(LogLevel::kDebug, messages::kUserPropertyNotRemovedWhileDisabled,
                             "Analytics is disabled. User property not removed");
      return;
    }
    path->userProperties().removeUserAttributeOnWorkerQueue(attribute, path->isEnabled());
  });
}

void MeasurementEventEntries::userAttributeWithName(
    const std::string& name, std::function<void(const std::optional<UserAttribute>&)> callback) {
  if (!callback) {
    monitor()->logWithLevel(LogLevel::kError, messages::kUserAttributeCallbackMissing,
                           "userAttributeWithName callback is nil");
    return;
  }
  schedule("APMMeasurement:2593", [pipeline = pipeline_, name, callback] {
    std::optional<UserAttribute> attribute;
    if (auto path = pipeline()) attribute = path->userProperties().userAttributeWithName(name);
    deliver([callback, attribute] { callback(attribute); });
  });
}

void MeasurementEventEntries::userPropertiesIncludingInternal(bool includingInternal,
                                                              std::function<void(const Dictionary&)> callback) {
  if (!callback) {
    monitor()->logWithLevel(LogLevel::kError, messages::kUserPropertiesCallbackMissing,
                           "Unable to retrieve user properties. Callback is nil");
    return;
  }
  schedule("APMMeasurement:2648", [pipeline = pipeline_, includingInternal, callback] {
    Dictionary properties;
    if (auto path = pipeline()) properties = path->userProperties().userPropertiesIncludingInternal(includingInternal);
    deliver([callback, properties] { callback(properties); });
  });
}

void MeasurementEventEntries::maxUserPropertiesForOrigin(const std::string& origin,
                                                         std::function<void(std::int64_t)> callback) {
  if (origin.empty()) {
    monitor()->logWithLevel(LogLevel::kError, messages::kMaxUserPropertiesOriginMissing,
                           "Origin for querying MaxUserProperties cannot be nil");
    return;
  }
  if (!callback) {
    monitor()->logWithLevel(LogLevel::kError, messages::kMaxUserPropertiesCallbackMissing,
                           "MaxUserProperties callback cannot be nil. Origin", Value(origin));
    return;
  }
  deliver([callback] { callback(UserPropertyWriter::kMaxUserPropertiesPerOrigin); });
}

}  // namespace sdk::analytics

