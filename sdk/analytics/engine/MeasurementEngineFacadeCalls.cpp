#include "sdk/analytics/engine/Analytics.h"
#include "platform/foundation/Check.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/CampaignReporting.h"
#include "sdk/analytics/engine/MeasurementEventEntries.h"
#include "sdk/analytics/engine/MeasurementEventPipeline.h"

// What the facade sends on: each call moves to the worker queue, in the order it came, and runs over
// the event path once the components exist (before that collection counts as off).

namespace sdk::analytics {

std::shared_ptr<sdk::analytics::MeasurementEventPipeline> MeasurementEngine::eventPipeline() const {
  std::lock_guard lock(componentsMutex_);
  return pipeline_;
}

void MeasurementEngine::installEventEntries() {
  std::weak_ptr<MeasurementEngine> weak = weak_from_this();
  entries_ = std::make_unique<sdk::analytics::MeasurementEventEntries>(
      scheduler_, [weak]() -> std::shared_ptr<sdk::analytics::MeasurementEventPipeline> {
        auto self = weak.lock();
        return self ? self->eventPipeline() : nullptr;
      });
}

void MeasurementEngine::writeEventOnWorkerQueue(const AnalyticsEvent& event) const {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  if (terminating_.load()) return;
  if (auto pipeline = eventPipeline()) pipeline->handler().writeEventOnWorkerQueue(event);
}

void MeasurementEngine::logEvent(const sdk::analytics::LoggedEvent& event) { entries_->logEvent(event); }

void MeasurementEngine::logEvent(const std::optional<AnalyticsEvent>& event) { entries_->logEvent(event); }

void MeasurementEngine::setDefaultEventParameters(const std::optional<Dictionary>& parameters) {
  entries_->setDefaultEventParameters(parameters);
}

void MeasurementEngine::setUserAttribute(const UserAttribute& attribute) { entries_->setUserAttribute(attribute); }

void MeasurementEngine::removeUserAttribute(const UserAttribute& attribute) {
  entries_->removeUserAttribute(attribute);
}

void MeasurementEngine::userAttributeWithName(const std::string& name,
                                           std::function<void(const std::optional<UserAttribute>&)> callback) {
  entries_->userAttributeWithName(name, std::move(callback));
}

void MeasurementEngine::userPropertiesIncludingInternal(bool includingInternal,
                                                     std::function<void(const Dictionary&)> callback) {
  entries_->userPropertiesIncludingInternal(includingInternal, std::move(callback));
}

void MeasurementEngine::maxUserPropertiesForOrigin(const std::string& origin, std::function<void(std::int64_t)> callback) {
  entries_->maxUserPropertiesForOrigin(origin, std::move(callback));
}

std::shared_ptr<sdk::analytics::CampaignReporting> MeasurementEngine::campaigns() {
  return sdk::analytics::CampaignReporting::create(weak_from_this());
}

void MeasurementEngine::handleNonFirstOpenEventURL(const std::string& url, double timestamp) {
  if (auto reporter = campaigns()) reporter->handleNonFirstOpenEventURL(url, timestamp);
}

void MeasurementEngine::handleOpenURLOnWorkerQueue(const std::optional<std::string>& url,
                                                std::optional<std::int64_t> clickTimestampMs,
                                                double eventTimestampSeconds, const Dictionary& extraParameters) {
  DCHECK(scheduler_ && scheduler_->workerQueue()->isCurrent());
  if (auto reporter = campaigns()) {
    reporter->handleOpenURLOnWorkerQueue(url, clickTimestampMs, eventTimestampSeconds, extraParameters);
  }
}

void MeasurementEngine::installFacadeEngineAccess() {
  sdk::analytics::FacadeEngineAccess access;
  access.initializeSharedInstance = [](const std::string& appID, bool enabled, bool deactivated,
                                       const std::vector<std::string>& safelistedEvents) {
    initializeSharedInstanceWithAppID(appID, enabled, deactivated, safelistedEvents);
  };
  access.sharedInstance = []() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return sharedInstance(); };
  Analytics::setEngineAccess(std::move(access));
}

}  // namespace sdk::analytics

