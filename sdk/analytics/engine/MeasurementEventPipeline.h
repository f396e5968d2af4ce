#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sdk/analytics/engine/DefaultEventParameters.h"
#include "sdk/analytics/engine/EventHandler.h"
#include "sdk/analytics/engine/EventPipelineHost.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/engine/UserPropertyWriter.h"

namespace sdk::analytics {

class Identity;
class MeasurementEngine;
class RemoteConfig;
class SessionReporting;

// The event path of one engine, put together once its components exist: the engine's settings,
// persisted settings, identity and database behind the pipeline's host interface, and the handler,
// router, default parameters and user-property writer over them, and the uploader, which the handler
// asks to bring the upload schedule up to date. The host's calls about sessions and the advertising-ID
// property go straight to the engine's SessionStarts and AdvertisingProperties; those about the app's
// state and the listeners to the facade.
class MeasurementEventPipeline final : public EventPipelineHost {
 public:
  struct Components {
    // The engine: its log, settings texts, database, worker queue and collection switch. Held weakly.
    std::weak_ptr<const MeasurementHost> engine;
    std::shared_ptr<MeasurementDatabase> database;
    std::shared_ptr<RemoteConfig> settings;
    std::shared_ptr<PersistedConfig> persistedConfig;
    std::shared_ptr<Identity> identity;
    std::shared_ptr<ConditionalUserPropertyController> conditionalUserProperties;
    std::vector<std::string> safelistedEvents;
    // The way out, which keeps the upload schedule; none: nothing is scheduled.
    std::shared_ptr<UploadScheduling> uploads;
    // The same engine, for its sessions and advertising properties. Held weakly; none (the path on its
    // own, in its tests): sessions never expire and no property is set.
    std::weak_ptr<MeasurementEngine> engineParts;
  };

  explicit MeasurementEventPipeline(Components components);
  MeasurementEventPipeline(const MeasurementEventPipeline&) = delete;
  MeasurementEventPipeline& operator=(const MeasurementEventPipeline&) = delete;

  EventHandler& handler() { return *handler_; }
  LoggedEventRouter& router() { return router_; }
  DefaultEventParameters& defaultEventParameters() { return defaults_; }
  UserPropertyWriter& userProperties() { return userProperties_; }
  // The engine's measurement settings, which the path obeys.
  const std::shared_ptr<RemoteConfig>& settings() const { return components_.settings; }
  UserPropertyWriter::Limits userPropertyLimits() const;

  // --- MeasurementHost, forwarded to the engine
  std::shared_ptr<Monitor> monitor() const override;
  std::optional<std::string> remoteConfigValue(const std::string& key) const override;
  bool boolSetting(const std::string& key, bool defaultValue) const override;
  std::int64_t integerSetting(const std::string& key, std::int64_t defaultValue, std::int64_t minimum,
                              std::int64_t maximum) const override;
  std::shared_ptr<MeasurementDatabase> database() const override { return components_.database; }
  std::shared_ptr<Scheduler> scheduler() const override;
  bool isEnabled() const override;
  void writeEventOnWorkerQueue(const AnalyticsEvent& event) const override;

  // --- EventPipelineHost
  std::int64_t maxEventsPerDay() const override;
  std::int64_t maxPublicEventsPerDay() const override;
  std::int64_t maxErrorEventsPerDay() const override;
  std::int64_t maxRealtimeEventCountPerDay() const override;
  std::int64_t maxEventNameCardinality() const override;
  std::int64_t maxTrackedCurrencies() const override;
  bool blocklistInternal() const override;
  bool blocklistPublic() const override;
  bool isEventBlocklisted(const std::string& eventName) const override;
  bool isEventCustomConversion(const std::string& eventName) const override;
  std::shared_ptr<EventEditing> eventEditing() const override;
  std::shared_ptr<PersistedConfig> persistedConfig() const override { return components_.persistedConfig; }
  std::vector<std::string> safelistedEvents() const override { return components_.safelistedEvents; }
  bool isAppActive() const override;
  bool isSessionExpired() const override;
  void extendSession() const override;
  void reportSessionStartOnWorkerQueue(double timestamp, bool appInBackground) const override;
  void updateIdentifiers() const override;
  bool shouldSetLastAdvertisingIDResetUserProperty() const override;
  void setLastAdvertisingIDResetUserPropertyOnWorkerQueue() const override;
  std::shared_ptr<ProtoMeasurementBundle> createRawEventMetadataWithUserAttributes(
      const std::vector<UserAttribute>& userAttributes) const override;
  void notifyEventListeners(const AnalyticsEvent& event) const override;

 private:
  // The engine's session reporter; none before it exists.
  std::shared_ptr<SessionReporting> sessionReporter() const;

  Components components_;
  DefaultEventParameters defaults_;
  UserPropertyWriter userProperties_;
  // Through a pointer: the engine's const writing entry reaches it.
  std::unique_ptr<EventHandler> handler_;
  LoggedEventRouter router_;
};

}  // namespace sdk::analytics

