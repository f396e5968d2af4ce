#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/RemoteConfigExperiments.h"

namespace sdk::analytics {

// Every "measurement." setting of the remote configuration, read with its default, minimum and
// maximum, and the readers they are built on; RemoteConfig fills in the configured texts.
//
// A configured text is parsed on its first typed read and the validated number is kept, so each text
// is parsed once per configuration. Values that do not parse, or lie outside their bounds, read as
// the default (never clamped). Interval settings are configured in milliseconds and read in seconds.
// Four settings give way to the experiment flag of the same meaning when an experiment sets it.
class MeasurementSettings {
 public:
  using Value = platform::foundation::Value;
  using Experiments = sdk::analytics::RemoteConfigExperiments;
  using Transform = std::function<std::optional<double>(double)>;

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

 protected:
  explicit MeasurementSettings(std::shared_ptr<Experiments> experiments) : experiments_(std::move(experiments)) {}
  ~MeasurementSettings() = default;

  // A setting's configured text and, once read, that text as a number (nothing when it is not one).
  // Only what the configuration said is kept: each reader applies its own bounds and default, so a
  // reader's default never stands in for the configuration at the next reader.
  struct CachedSetting {
    std::optional<std::string> text;
    std::optional<std::optional<double>> parsed;
  };

  const std::shared_ptr<Experiments> experiments_;
  // Guards the texts, and what the configuration keeps beside them, so that a new configuration's
  // texts and event configurations are seen together.
  mutable std::shared_mutex cacheMutex_;
  std::map<std::string, CachedSetting> cachedValueByRemoteConfigKeys_;

 private:
  bool flagSetting(const char* key, bool defaultValue, bool onWhenNonZero = false);
  bool experimentFlagOrSetting(const char* flag, const char* key);
};

}  // namespace sdk::analytics
