#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/SequenceChecker.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/MeasurementSettings.h"
#include "sdk/analytics/engine/RemoteConfigExperiments.h"

namespace sdk::analytics {

class MeasurementDatabase;
class ProtoEventConfig;
class ProtoMeasurementConfig;
class EventEditing;

class MeasurementHost;

// The measurement settings: the configuration in force (stored, loaded and parsed into the settings'
// texts of MeasurementSettings), the per-event configuration (block lists, custom conversions,
// sampling rates), the configuration's version and age, its fetch URL, the experiments client whose
// flags override four settings, and the event-editing instance of the configuration's first program.
class RemoteConfig final : public MeasurementSettings,
                           public sdk::analytics::RemoteConfigExperiments::Delegate,
                           public std::enable_shared_from_this<RemoteConfig> {
 public:
  using Error = platform::foundation::Error;

  // What the settings learn from the engine around them. Every hook may be left empty.
  struct Context {
    std::function<std::string()> origin;               // the identifiers' origin: "am" checks the DeDed app ID
    std::function<bool()> isAnalyticsStorageDenied;    // the fetch URL then carries no app instance ID
    std::function<std::string()> appVersion;           // for the programs' "internal.appMetadata"
    std::function<bool()> isMeasurementEnabled;        // experiments are fetched only while it is
    std::int64_t libraryVersion = 0;
    std::weak_ptr<const sdk::analytics::MeasurementHost> host;  // the editing programs' log and settings
  };

  static constexpr const char* kConfigPath = "/config/app/";
  static constexpr const char* kSDKPropertyName = "app_measurement";

  // The shared instance without app ID or database: always the defaults.
  static std::shared_ptr<RemoteConfig> defaultInstance();
  // Nothing, logged, without an app ID (29000) or a database (29001). The stored configuration is
  // loaded and parsed.
  static std::shared_ptr<RemoteConfig> initWithAppID(const std::string& appID,
                                                        const std::shared_ptr<MeasurementDatabase>& database,
                                                        std::shared_ptr<Experiments> experiments, Context context);
  static std::shared_ptr<RemoteConfig> initWithAppID(const std::string& appID,
                                                        const std::shared_ptr<MeasurementDatabase>& database);
  // The designated form: a given configuration is applied (stored and parsed) instead of loading one.
  static std::shared_ptr<RemoteConfig> initWithAppIDMeasurementConfig(
      const std::string& appID, const std::shared_ptr<MeasurementDatabase>& database,
      std::shared_ptr<ProtoMeasurementConfig> measurementConfig, std::shared_ptr<Experiments> experiments,
      Context context);

  bool isDefaultInstance() const { return isDefaultInstance_; }
  const std::string& appID() const { return appID_; }
  // Hooks may be replaced once the engine's parts exist.
  void setContext(Context context);

  // --- the configuration
  // Stores and applies a configuration of this app; false (logged) for the default instance, no
  // configuration, another app ID or DeDed app ID, or a failed store. A refused configuration changes
  // nothing.
  [[nodiscard]] bool updateMeasurementConfig(const std::shared_ptr<ProtoMeasurementConfig>& config);
  std::shared_ptr<ProtoMeasurementConfig> measurementConfigFromDatabase();
  void parseRemoteConfigFromMeasurementConfig(const ProtoMeasurementConfig& config);
  // Empty caches; the configuration is dropped and the experiments reset. The editing instance stays.
  void reset();
  // The configuration's version, -1 without one.
  std::int64_t version() const;
  double lastRemoteConfigUpdateTimestamp();
  bool isExpired();
  // "<base>/config/app/<app ID>?app_instance_id=..&platform=..&runtime_version=..&vmp_version=..",
  // nothing (logged) without a platform, or without an app instance ID while analytics storage is
  // allowed, or without a configured service address.
  std::optional<std::string> remoteConfigURLWithAppInstanceID(const std::optional<std::string>& appInstanceID,
                                                              const std::string& platform, std::int64_t SDKVersion,
                                                              std::int64_t runtimeVersion) const;
  std::shared_ptr<EventEditing> eventEditing() const;

  // --- per-event configuration, by internal event name
  std::shared_ptr<ProtoEventConfig> eventConfigWithName(const std::string& name) const;
  bool isEventBlocklisted(const std::string& name);
  bool isEventCustomConversion(const std::string& name) const;
  bool eventHasSamplingRate(const std::string& name) const;
  // 2 to 65,535 as configured, else 1.
  std::int32_t samplingRateForEvent(const std::string& name) const;

  // --- experiments
  std::vector<std::int64_t> experimentIDs() const;
  // Activates a snapshot the client announced; false when none waits or activation fails.
  [[nodiscard]] bool activateNewSnapshot();
  void clientDidReceiveNewSnapshot() override;
  void clientDidReceiveFetchError(const Error& error) override;
  bool shouldFetchExperimentsForClient() override;

  struct Private {
    explicit Private() = default;
  };
  RemoteConfig(Private, std::string appID, const std::shared_ptr<MeasurementDatabase>& database,
                  std::shared_ptr<Experiments> experiments, Context context);

 private:
  void registerWithExperiments();
  // The editing instance of the configuration's first program; one that does not load is dropped.
  void loadEventEditing(const ProtoMeasurementConfig& config);
  Context context() const;

  const std::string appID_;
  const bool isDefaultInstance_;
  std::weak_ptr<MeasurementDatabase> database_;

  // Under cacheMutex_, beside the settings' texts.
  std::map<std::string, std::shared_ptr<ProtoEventConfig>> cachedEventConfigByEventName_;
  std::shared_ptr<ProtoMeasurementConfig> remoteConfigProto_;
  std::shared_ptr<EventEditing> eventEditing_;
  Context context_;

  mutable std::mutex snapshotMutex_;
  bool hasNewSnapshot_ = false;
  // Storing and reading the configuration run on the engine's worker queue: a debug run stops on a call from
  // anywhere else.
  platform::foundation::SequenceChecker sequenceChecker_;
};

}  // namespace sdk::analytics

