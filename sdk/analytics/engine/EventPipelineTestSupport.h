#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sdk/analytics/engine/EventHandler.h"
#include "sdk/analytics/engine/EventPipelineHost.h"
#include "sdk/analytics/engine/UploadScheduling.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/EventEditing.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

// Tests and benchmarks only: the engine as the event path sees it, over a real database and worker
// queue, with settings and session state a test sets, and a record of what the path asked for, the
// upload schedule's updates among it.
class PipelineHost : public EventPipelineHost, public UploadScheduling {
 public:
  std::shared_ptr<sdk::analytics::Monitor> monitor() const override { return sdk::analytics::Monitor::shared(); }
  std::optional<std::string> remoteConfigValue(const std::string& key) const override {
    auto found = config.find(key);
    if (found == config.end()) return std::nullopt;
    return found->second;
  }
  bool boolSetting(const std::string& key, bool defaultValue) const override {
    if (key == "measurement.ees_feature_enabled") return eesFeatureEnabled;
    return defaultValue;
  }
  std::shared_ptr<sdk::analytics::MeasurementDatabase> database() const override { return database_; }
  std::shared_ptr<sdk::analytics::Scheduler> scheduler() const override { return scheduler_; }
  bool isEnabled() const override { return enabled; }
  void writeEventOnWorkerQueue(const sdk::analytics::AnalyticsEvent& event) const override {
    if (handler) handler->writeEventOnWorkerQueue(event);
  }

  std::int64_t maxEventsPerDay() const override { return maxEvents; }
  std::int64_t maxPublicEventsPerDay() const override { return maxPublicEvents; }
  std::int64_t maxErrorEventsPerDay() const override { return maxErrorEvents; }
  std::int64_t maxRealtimeEventCountPerDay() const override { return maxRealtimeEvents; }
  std::int64_t maxEventNameCardinality() const override { return maxEventNames; }
  std::int64_t maxTrackedCurrencies() const override { return 4; }
  bool blocklistInternal() const override { return blockInternal; }
  bool blocklistPublic() const override { return blockPublic; }
  bool isEventBlocklisted(const std::string& name) const override {
    if (blocked.contains(name)) return true;
    return name.front() == '_' ? blockInternal : blockPublic;
  }
  bool isEventCustomConversion(const std::string& name) const override { return customConversions.contains(name); }
  std::shared_ptr<sdk::analytics::EventEditing> eventEditing() const override { return editing; }

  std::shared_ptr<sdk::analytics::PersistedConfig> persistedConfig() const override { return persisted; }
  std::vector<std::string> safelistedEvents() const override { return safelist; }

  bool isAppActive() const override { return appActive; }
  bool isSessionExpired() const override { return sessionExpired; }
  void extendSession() const override { record("extendSession"); }
  void reportSessionStartOnWorkerQueue(double timestamp, bool appInBackground) const override {
    record("sessionStart" + std::string(appInBackground ? "InBackground" : ""));
  }
  void updateIdentifiers() const override {}
  bool shouldSetLastAdvertisingIDResetUserProperty() const override { return false; }
  void setLastAdvertisingIDResetUserPropertyOnWorkerQueue() const override {}
  // The least bundle the fingerprint needs: platform, user properties and, when set, the
  // advertising identifier.
  std::shared_ptr<sdk::analytics::ProtoMeasurementBundle> createRawEventMetadataWithUserAttributes(
      const std::vector<sdk::analytics::UserAttribute>& attributes) const override {
    using namespace sdk::analytics::measurement_fields;
    auto bundle = sdk::analytics::ProtoMeasurementBundle::make();
    sdk::analytics::nanoSetString(*bundle, kBundlePlatform, std::string("ios"));
    if (advertisingID) sdk::analytics::nanoSetString(*bundle, kBundleResettableDeviceID, advertisingID);
    for (const auto& attribute : attributes) {
      sdk::analytics::nanoAddMessage(*bundle, kBundleUserAttributes, *attribute.protoUserAttribute());
    }
    return bundle;
  }
  void updateSchedule() override { record("updateSchedule"); }
  void notifyEventListeners(const sdk::analytics::AnalyticsEvent& event) const override { record("listeners:" + event.name()); }

  std::vector<std::string> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  void clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

  std::shared_ptr<sdk::analytics::MeasurementDatabase> database_;
  std::shared_ptr<sdk::analytics::Scheduler> scheduler_ = std::make_shared<sdk::analytics::Scheduler>("com.vadeze.vura.worker");
  std::shared_ptr<sdk::analytics::PersistedConfig> persisted = std::make_shared<sdk::analytics::PersistedConfig>();
  EventHandler* handler = nullptr;
  std::shared_ptr<sdk::analytics::EventEditing> editing;
  std::map<std::string, std::string> config;
  std::vector<std::string> safelist;
  std::set<std::string> blocked, customConversions;
  std::optional<std::string> advertisingID;
  std::int64_t maxEvents = 100000, maxPublicEvents = 50000, maxErrorEvents = 1000, maxRealtimeEvents = 10,
               maxEventNames = 500;
  bool enabled = true, eesFeatureEnabled = true, blockInternal = false, blockPublic = false;
  bool appActive = true, sessionExpired = false;

 private:
  void record(std::string call) const {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  mutable std::mutex mutex_;
  mutable std::vector<std::string> calls_;
};

}  // namespace ostrel::testing
