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
#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/RemoteConfigExperiments.h"

namespace sdk::analytics {

class MeasurementDatabase;
class ProtoEventConfig;
class ProtoMeasurementConfig;
class EventEditing;

class MeasurementHost;

// The measurement settings: every "measurement." setting of the remote configuration read with its
// default, minimum and maximum, the per-event configuration (block lists, custom conversions,
// sampling rates), the configuration's version and age, its fetch URL, the experiment flags that
// override four settings, and the event-editing instance of the configuration's first program.
//
// A configured text is parsed on its first typed read and the validated number is kept, so each text
// is parsed once per configuration. Values that do not parse, or lie outside their bounds, read as
// the default (never clamped). Interval settings are configured in milliseconds and read in seconds.
class RemoteConfig final : public sdk::analytics::RemoteConfigExperiments::Delegate,
                              public std::enable_shared_from_this<RemoteConfig> {
 public:
  using Error = platform::foundation::Error;
  using Value = platform::foundation::Value;
  using Experiments = sdk::analytics::RemoteConfigExperiments;
  using Transform = std::function<std::optional<double>(double)>;

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

  // --- readers
  std::optional<double> numberFromCacheWithKey(const std::string& key, double defaultValue,
                                               std::optional<double> maxValue, std::optional<double> minValue,
                                               const Transform& block = {});
  std::int32_t intValueFromCacheWithKey(const std::string& key, std::int32_t defaultValue, std::int32_t maxValue,
                                        std::int32_t minValue);
  std::int64_t int64ValueFromCacheWithKey(const std::string& key, std::int64_t defaultValue, std::int64_t maxValue,
                                          std::int64_t minValue);
  std::int64_t int64ValueFromCacheWithKey(const std::string& key, std::int64_t defaultValue);
  double timeIntervalInSecondsFromCacheWithKey(const std::string& key, double defaultValue, double maxValue,
                                               double minValue);
  // A plain decimal text ("3600000", "-900", "2.5") as a number; nothing for anything else (a
  // non-string is logged).
  static std::optional<double> numberFromString(const Value& value);
  // Keeps the text under the key; nothing (logged) for an empty key or value.
  std::optional<std::string> cacheValue(const std::string& value, const std::string& key);
  // The text the configuration gave for the key, whatever has been read of it since.
  std::optional<std::string> configuredText(const std::string& key) const;

  // --- the settings
  double uploadingBackoffInterval();
  std::int32_t maxAudienceCount();
  std::int32_t maxFiltersPerAudience();
  std::int32_t maxFilterResultCount();
  std::int32_t maxParametersPerFilter();
  double databaseDeleteStaleBundlesInterval();
  double maxQueueTime();
  double adIDCacheTime();
  bool gateIDFAOnATTMASEnabled();
  double monitoringSamplePeriod();
  bool isNetworkBackgroundSessionEnabled();
  double networkTimeout();
  double sessionDefaultMinimumInterval();
  double sessionDefaultTimeoutInterval();
  double sessionEventUserEngagementInterval();
  bool efficientEngagementReportingEnabled();
  bool redundantEngagementRemovalEnabled();
  bool configurableLimitsEnabled();
  std::int32_t maxConversionsPerDay();
  std::int32_t maxEventsPerDay();
  std::int32_t maxPublicEventsPerDay();
  std::int32_t maxErrorEventsPerDay();
  std::int32_t maxTrackedCurrencies();
  std::int32_t maxPublicUserProperties();
  std::int32_t maxEventNameCardinality();
  std::int32_t maxPublicEventParams();
  std::int32_t maxEventsStored();
  double uploadingInterval();
  double uploadingInitialDelayInterval();
  std::int64_t uploadMaxBundlesLimit();
  std::int64_t uploadMaxEventsPerBundle();
  std::int64_t uploadMaxSizeLimitBytes();
  std::int32_t uploadingRetryCount();
  double uploadingRetryInterval();
  std::int32_t maxBundlesCreatedPerIteration();
  std::int32_t maxRealtimeEventCountPerDay();
  double uploadingDebugModeInterval();
  double uploadingRealTimeInterval();
  bool blocklistInternal();
  bool blocklistPublic();
  bool isEventSamplingEnabled();
  std::int32_t analyticsAccountTimeZoneOffsetMinutes();
  bool checksumEnabled();
  bool appBackgroundedEventEnabled();
  bool appInBackgroundParameterEnabled();
  bool lastAdvertisingIDResetFeatureEnabled();
  bool eesFeatureEnabled();
  bool isDeferredDeepLinkEnabled();
  std::int32_t maxDeferredDeepLinkRetryCount();
  double attributionCacheTTLInterval();
  double remoteConfigCacheTimeInterval();
  bool isConsentSettingsEnabled();
  bool isConsentSettings3PEnabled();
  bool nonBlockingAppInstanceIDEnabled();

  struct Private {
    explicit Private() = default;
  };
  RemoteConfig(Private, std::string appID, const std::shared_ptr<MeasurementDatabase>& database,
                  std::shared_ptr<Experiments> experiments, Context context);

 private:
  // A setting's configured text and, once read, that text as a number (nothing when it is not one).
  // Only what the configuration said is kept: each reader applies its own bounds and default, so a
  // reader's default never stands in for the configuration at the next reader.
  struct CachedSetting {
    std::optional<std::string> text;
    std::optional<std::optional<double>> parsed;
  };

  void registerWithExperiments();
  bool flagSetting(const char* key, bool defaultValue, bool onWhenNonZero = false);
  bool experimentFlagOrSetting(const char* flag, const char* key);
  Context context() const;

  const std::string appID_;
  const bool isDefaultInstance_;
  std::weak_ptr<MeasurementDatabase> database_;
  std::shared_ptr<Experiments> experiments_;

  mutable std::shared_mutex cacheMutex_;
  std::map<std::string, CachedSetting> cachedValueByRemoteConfigKeys_;
  std::map<std::string, std::shared_ptr<ProtoEventConfig>> cachedEventConfigByEventName_;
  std::shared_ptr<ProtoMeasurementConfig> remoteConfigProto_;
  std::shared_ptr<EventEditing> eventEditing_;
  Context context_;

  mutable std::mutex snapshotMutex_;
  bool hasNewSnapshot_ = false;
};

}  // namespace sdk::analytics

