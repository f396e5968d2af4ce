#include "sdk/analytics/engine/MeasurementEventPipeline.h"

#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/RawEventMetadata.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

MeasurementEventPipeline::MeasurementEventPipeline(Components components)
    : components_(std::move(components)),
      defaults_(components_.persistedConfig),
      userProperties_(components_.database),
      handler_(std::make_unique<EventHandler>(*this, components_.database, components_.conditionalUserProperties,
                                              components_.uploads)),
      router_(*this, *handler_, defaults_) {}

UserPropertyWriter::Limits MeasurementEventPipeline::userPropertyLimits() const {
  return {.maxPublicUserProperties = components_.settings->maxPublicUserProperties(),
          .lastAdvertisingIDResetFeatureEnabled = components_.settings->lastAdvertisingIDResetFeatureEnabled()};
}

std::shared_ptr<Monitor> MeasurementEventPipeline::monitor() const {
  auto engine = components_.engine.lock();
  return engine ? engine->monitor() : Monitor::shared();
}

std::optional<std::string> MeasurementEventPipeline::remoteConfigValue(const std::string& key) const {
  auto engine = components_.engine.lock();
  return engine ? engine->remoteConfigValue(key) : std::nullopt;
}

bool MeasurementEventPipeline::boolSetting(const std::string& key, bool defaultValue) const {
  auto engine = components_.engine.lock();
  return engine ? engine->boolSetting(key, defaultValue) : defaultValue;
}

std::int64_t MeasurementEventPipeline::integerSetting(const std::string& key, std::int64_t defaultValue,
                                                      std::int64_t minimum, std::int64_t maximum) const {
  auto engine = components_.engine.lock();
  return engine ? engine->integerSetting(key, defaultValue, minimum, maximum) : defaultValue;
}

std::shared_ptr<Scheduler> MeasurementEventPipeline::scheduler() const {
  auto engine = components_.engine.lock();
  return engine ? engine->scheduler() : nullptr;
}

bool MeasurementEventPipeline::isEnabled() const {
  auto engine = components_.engine.lock();
  return engine && engine->isEnabled();
}

void MeasurementEventPipeline::writeEventOnWorkerQueue(const AnalyticsEvent& event) const {
  handler_->writeEventOnWorkerQueue(event);
}

std::int64_t MeasurementEventPipeline::maxEventsPerDay() const { return components_.settings->maxEventsPerDay(); }
std::int64_t MeasurementEventPipeline::maxPublicEventsPerDay() const {
  return components_.settings->maxPublicEventsPerDay();
}
std::int64_t MeasurementEventPipeline::maxErrorEventsPerDay() const {
  return components_.settings->maxErrorEventsPerDay();
}
std::int64_t MeasurementEventPipeline::maxRealtimeEventCountPerDay() const {
  return components_.settings->maxRealtimeEventCountPerDay();
}
std::int64_t MeasurementEventPipeline::maxEventNameCardinality() const {
  return components_.settings->maxEventNameCardinality();
}
std::int64_t MeasurementEventPipeline::maxTrackedCurrencies() const {
  return components_.settings->maxTrackedCurrencies();
}
bool MeasurementEventPipeline::blocklistInternal() const { return components_.settings->blocklistInternal(); }
bool MeasurementEventPipeline::blocklistPublic() const { return components_.settings->blocklistPublic(); }
bool MeasurementEventPipeline::isEventBlocklisted(const std::string& eventName) const {
  return components_.settings->isEventBlocklisted(eventName);
}
bool MeasurementEventPipeline::isEventCustomConversion(const std::string& eventName) const {
  return components_.settings->isEventCustomConversion(eventName);
}
std::shared_ptr<EventEditing> MeasurementEventPipeline::eventEditing() const {
  return components_.settings->eventEditing();
}

void MeasurementEventPipeline::updateIdentifiers() const {
  // The event's metadata reads the identity next: refreshed in this turn, no other thread is woken
  // for it and waited for.
  if (components_.identity) components_.identity->updateIdentifiersAndWait();
}

bool MeasurementEventPipeline::isAppActive() const { return isApplicationActive(); }

std::shared_ptr<SessionReporting> MeasurementEventPipeline::sessionReporter() const {
  auto engine = components_.engineParts.lock();
  return engine ? engine->sessions().sessionReporter() : nullptr;
}

bool MeasurementEventPipeline::isSessionExpired() const {
  auto reporter = sessionReporter();
  return reporter && reporter->isSessionExpired();
}

void MeasurementEventPipeline::extendSession() const {
  if (auto reporter = sessionReporter()) (void)reporter->extendSession();
}

void MeasurementEventPipeline::reportSessionStartOnWorkerQueue(double timestamp, bool appInBackground) const {
  if (auto engine = components_.engineParts.lock()) {
    engine->sessions().reportSessionStartOnWorkerQueueWithTimestamp(timestamp, appInBackground);
  }
}

void MeasurementEventPipeline::setLastAdvertisingIDResetUserPropertyOnWorkerQueue() const {
  if (auto engine = components_.engineParts.lock()) engine->advertising().setLastAdvertisingIDResetUserPropertyOnWorkerQueue();
}

void MeasurementEventPipeline::notifyEventListeners(const AnalyticsEvent& event) const {
  Analytics::notifyEventListeners(event);
}

bool MeasurementEventPipeline::shouldSetLastAdvertisingIDResetUserProperty() const {
  return components_.identity && components_.identity->shouldSetLastAdvertisingIDResetUserProperty();
}

std::shared_ptr<ProtoMeasurementBundle> MeasurementEventPipeline::createRawEventMetadataWithUserAttributes(
    const std::vector<UserAttribute>& userAttributes) const {
  if (!components_.identity) return nullptr;
  return RawEventMetadata::create(*components_.identity, userAttributes);
}

}  // namespace sdk::analytics

