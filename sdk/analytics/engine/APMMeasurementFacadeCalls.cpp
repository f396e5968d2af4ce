#include "platform/dispatch/Queue.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMScheduler.h"

// What the facade sends on: each call moves to the worker queue, in the order it came, and runs over
// the event path once the components exist (before that there is nowhere to store anything).

namespace {

std::shared_ptr<platform::dispatch::Queue> callbackQueue() {
  return platform::dispatch::Queue::global(platform::dispatch::Queue::Priority::Background);
}

}  // namespace

std::shared_ptr<sdk::analytics::MeasurementEventPipeline> APMMeasurement::eventPipeline() const {
  std::lock_guard lock(componentsMutex_);
  return pipeline_;
}

void APMMeasurement::onWorkerQueueWithPipeline(
    const char* blockID, std::function<void(APMMeasurement&, sdk::analytics::MeasurementEventPipeline&)> block) {
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID(blockID, [weak, block = std::move(block)] {
    auto self = weak.lock();
    auto pipeline = self && !self->terminating_.load() ? self->eventPipeline() : nullptr;
    if (pipeline) block(*self, *pipeline);
  });
}

void APMMeasurement::writeEventOnWorkerQueue(const APMEvent& event) const {
  if (terminating_.load()) return;
  if (auto pipeline = eventPipeline()) pipeline->handler().writeEventOnWorkerQueue(event);
}

void APMMeasurement::logEvent(const sdk::analytics::LoggedEvent& event) {
  onWorkerQueueWithPipeline("APMMeasurement:2166", [event](APMMeasurement&, sdk::analytics::MeasurementEventPipeline& pipeline) {
    pipeline.router().logEventOnWorkerQueue(event);
  });
}

// Sessions are not built yet: the timeout has no one to go to.
void APMMeasurement::setSessionTimeoutInterval(double) {}

void APMMeasurement::setDefaultEventParameters(const std::optional<Dictionary>& parameters) {
  onWorkerQueueWithPipeline("APMMeasurement:2281", [parameters](APMMeasurement& self,
                                                                sdk::analytics::MeasurementEventPipeline& pipeline) {
    pipeline.defaultEventParameters().handleSetDefaultEventParametersOnWorkerQueue(parameters, self.isEnabled(),
                                                                                   pipeline.maxPublicEventParams());
  });
}

void APMMeasurement::setUserAttribute(const APMUserAttribute& attribute) {
  onWorkerQueueWithPipeline("APMMeasurement:2465", [attribute](APMMeasurement& self,
                                                               sdk::analytics::MeasurementEventPipeline& pipeline) {
    pipeline.userProperties().setUserAttributeOnWorkerQueue(attribute, self.isEnabled(), pipeline.userPropertyLimits());
  });
}

void APMMeasurement::removeUserAttribute(const APMUserAttribute& attribute) {
  onWorkerQueueWithPipeline("APMMeasurement:2425", [attribute](APMMeasurement& self,
                                                               sdk::analytics::MeasurementEventPipeline& pipeline) {
    pipeline.userProperties().removeUserAttributeOnWorkerQueue(attribute, self.isEnabled());
  });
}

void APMMeasurement::userPropertiesIncludingInternal(bool includingInternal,
                                                     std::function<void(const Dictionary&)> callback) {
  if (!callback) {
    sharedMonitor()->logWithLevel(0, 23090, "Unable to retrieve user properties. Callback is nil");
    return;
  }
  std::weak_ptr<APMMeasurement> weak = weak_from_this();
  scheduler_->scheduleOnWorkerQueueBlockID("APMMeasurement:2648", [weak, includingInternal, callback] {
    auto self = weak.lock();
    auto pipeline = self ? self->eventPipeline() : nullptr;
    Dictionary properties = pipeline ? pipeline->userProperties().userPropertiesIncludingInternal(includingInternal)
                                     : Dictionary{};
    callbackQueue()->async([callback, properties = std::move(properties)] { callback(properties); });
  });
}

void APMMeasurement::maxUserPropertiesForOrigin(const std::string& origin, std::function<void(std::int64_t)> callback) {
  if (origin.empty()) {
    sharedMonitor()->logWithLevel(0, 23093, "Origin for querying MaxUserProperties cannot be nil");
    return;
  }
  if (!callback) {
    sharedMonitor()->logWithLevel(0, 23094, "MaxUserProperties callback cannot be nil. Origin", Value(origin));
    return;
  }
  callbackQueue()->async([callback = std::move(callback)] { callback(25); });
}

// The personalised-ads choice and campaign URLs belong to parts not built yet.
std::optional<std::int64_t> APMMeasurement::shouldDisableAdPersonalization() { return std::nullopt; }

void APMMeasurement::handleNonFirstOpenEventURL(const std::string&, double) {}

void APMMeasurement::installFacadeEngineAccess() {
  sdk::analytics::FacadeEngineAccess access;
  access.initializeSharedInstance = [](const std::string& appID, bool enabled, bool deactivated,
                                       const std::vector<std::string>& safelistedEvents) {
    initializeSharedInstanceWithAppID(appID, enabled, deactivated, safelistedEvents);
  };
  access.sharedInstance = []() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return sharedInstance(); };
  APMAnalytics::setEngineAccess(std::move(access));
}
