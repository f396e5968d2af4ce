#include "sdk/analytics/engine/MeasurementSettings.h"

#include <charconv>
#include <cmath>

#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/foundation/DecimalNumber.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/rules/EventEditing.h"

namespace sdk::analytics {

namespace {

bool fitsInt64(double value) { return value >= -NumericUtil::kInt64Bound && value < NumericUtil::kInt64Bound; }

}  // namespace

std::optional<double> MeasurementSettings::numberFromString(const Value& value) {
  const std::string* text = value.string();
  if (!text) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kNumberFromNonString,
                                    "Cannot parse number from non-string", value);
    return std::nullopt;
  }
  // Plain decimal texts only, read without a locale: "1,5" or "1e3" are not settings anyone sends.
  if (!isDecimalNumberString(*text)) return std::nullopt;
  const char* first = text->data();
  const char* last = first + text->size();
  if (*first == '+') ++first;
  double number = 0;
  auto [end, failure] = std::from_chars(first, last, number);
  if (failure != std::errc() || end != last || !std::isfinite(number)) return std::nullopt;
  return number;
}

std::optional<std::string> MeasurementSettings::cacheValue(const std::string& value, const std::string& key) {
  if (key.empty() || value.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kEmptyConfigValueNotCached,
                                    "Cannot cache empty configuration value", Value(key));
    return std::nullopt;
  }
  return value;
}

std::optional<std::string> MeasurementSettings::configuredText(const std::string& key) const {
  std::shared_lock lock(cacheMutex_);
  auto found = cachedValueByRemoteConfigKeys_.find(key);
  return found == cachedValueByRemoteConfigKeys_.end() ? std::nullopt : found->second.text;
}

std::optional<double> MeasurementSettings::numberFromCacheWithKey(const std::string& key, double defaultValue,
                                                              std::optional<double> maxValue,
                                                              std::optional<double> minValue,
                                                              const Transform& block) {
  if (key.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kDebug, messages::kSettingKeyEmpty,
                                    "Cannot get setting with empty key from cache");
    return std::nullopt;
  }
  std::optional<std::string> text;
  std::optional<std::optional<double>> parsed;
  {
    std::shared_lock lock(cacheMutex_);
    auto found = cachedValueByRemoteConfigKeys_.find(key);
    if (found != cachedValueByRemoteConfigKeys_.end()) {
      parsed = found->second.parsed;
      text = found->second.text;
    }
  }
  // A text is parsed once per configuration; an absent key leaves nothing behind.
  if (text && !parsed) {
    parsed = numberFromString(Value(*text));
    std::unique_lock lock(cacheMutex_);
    // A configuration stored meanwhile keeps its own text unparsed.
    auto found = cachedValueByRemoteConfigKeys_.find(key);
    if (found != cachedValueByRemoteConfigKeys_.end() && found->second.text == text) found->second.parsed = parsed;
  }
  std::optional<double> number = parsed ? *parsed : std::nullopt;
  if (number && block) number = block(*number);
  // Out of range falls back to the default rather than to the bound: a server that sends nonsense
  // gets the behaviour the library was built with.
  if (!number || (minValue && *number < *minValue) || (maxValue && *number > *maxValue)) number = defaultValue;
  return number;
}

std::int32_t MeasurementSettings::intValueFromCacheWithKey(const std::string& key, std::int32_t defaultValue,
                                                       std::int32_t maxValue, std::int32_t minValue) {
  // The bounds are tested on the double, so the conversion below always fits.
  return static_cast<std::int32_t>(numberFromCacheWithKey(key, defaultValue, maxValue, minValue).value_or(defaultValue));
}

std::int64_t MeasurementSettings::int64ValueFromCacheWithKey(const std::string& key, std::int64_t defaultValue,
                                                         std::int64_t maxValue, std::int64_t minValue) {
  const auto number = numberFromCacheWithKey(key, static_cast<double>(defaultValue), static_cast<double>(maxValue),
                                             static_cast<double>(minValue));
  return number && fitsInt64(*number) ? static_cast<std::int64_t>(*number) : defaultValue;
}

std::int64_t MeasurementSettings::int64ValueFromCacheWithKey(const std::string& key, std::int64_t defaultValue) {
  const auto number = numberFromCacheWithKey(key, static_cast<double>(defaultValue),
                                             std::nextafter(NumericUtil::kInt64Bound, 0.0), -NumericUtil::kInt64Bound);
  return number && fitsInt64(*number) ? static_cast<std::int64_t>(*number) : defaultValue;
}

double MeasurementSettings::timeIntervalInSecondsFromCacheWithKey(const std::string& key, double defaultValue,
                                                              double maxValue, double minValue) {
  const Transform milliseconds = [](double configured) -> std::optional<double> {
    if (!fitsInt64(configured)) return std::nullopt;
    return static_cast<double>(static_cast<std::int64_t>(configured)) / 1000.0;
  };
  return numberFromCacheWithKey(key, defaultValue, maxValue, minValue, milliseconds).value_or(defaultValue);
}

// --- the settings: each with its key, default, maximum and minimum. Intervals are given in seconds and
// configured in milliseconds.
bool MeasurementSettings::flagSetting(const char* key, bool defaultValue, bool onWhenNonZero) {
  const std::int32_t value = intValueFromCacheWithKey(key, defaultValue ? 1 : 0, 1, 0);
  return onWhenNonZero ? value != 0 : value == 1;
}

bool MeasurementSettings::experimentFlagOrSetting(const char* flag, const char* key) {
  if (experiments_) {
    if (auto value = experiments_->flag(flag)) return *value;
  }
  return flagSetting(key, false);
}

double MeasurementSettings::uploadingBackoffInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.backoff_period", 43200, 604800, 3600);
}
std::int32_t MeasurementSettings::maxAudienceCount() {
  return intValueFromCacheWithKey("measurement.audience.max_count", 50, 500, 0);
}
std::int32_t MeasurementSettings::maxFiltersPerAudience() {
  return intValueFromCacheWithKey("measurement.audience.filter_max_count_per_audience", 10, 100, 0);
}
std::int32_t MeasurementSettings::maxFilterResultCount() {
  return intValueFromCacheWithKey("measurement.audience.filter_result_max_count", 200, 2000, 0);
}
std::int32_t MeasurementSettings::maxParametersPerFilter() {
  return intValueFromCacheWithKey("measurement.audience.parameter_max_count_filter", 25, 250, 0);
}
double MeasurementSettings::databaseDeleteStaleBundlesInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.stale_data_deletion_interval", 86400, 604800,
                                               3600);
}
double MeasurementSettings::maxQueueTime() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.max_queue_time", 2419200, 7862400, 604800);
}
double MeasurementSettings::adIDCacheTime() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.ad_id_cache_time", 1, 86400, 0);
}
bool MeasurementSettings::gateIDFAOnATTMASEnabled() { return flagSetting("measurement.attmas_gate", false, true); }
double MeasurementSettings::monitoringSamplePeriod() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.monitoring.sample_period_millis", 86400, 604800, 0);
}
bool MeasurementSettings::isNetworkBackgroundSessionEnabled() {
  return experimentFlagOrSetting("network_background_session_enabled",
                                 "measurement.network.background_session_enabled");
}
double MeasurementSettings::networkTimeout() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.network.network_timeout", 60, 3600, 30);
}
double MeasurementSettings::sessionDefaultMinimumInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.default_minimum_interval", 10, 86400, 0);
}
double MeasurementSettings::sessionDefaultTimeoutInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.default_timeout_interval", 1800, 86400, 0);
}
double MeasurementSettings::sessionEventUserEngagementInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.event_user_engagement_interval", 3600, 86400, 0);
}
bool MeasurementSettings::efficientEngagementReportingEnabled() {
  return experimentFlagOrSetting("efficient_engagement_reporting_enabled",
                                 "measurement.collection.efficient_engagement_reporting_enabled");
}
bool MeasurementSettings::redundantEngagementRemovalEnabled() {
  return experimentFlagOrSetting("redundant_engagement_removal_enabled",
                                 "measurement.collection.redundant_engagement_removal_enabled");
}
bool MeasurementSettings::configurableLimitsEnabled() {
  return flagSetting("measurement.upload.configurable_limits_enabled", true);
}
std::int32_t MeasurementSettings::maxConversionsPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_conversions_per_day", 10000, 1000000, 0);
}
std::int32_t MeasurementSettings::maxEventsPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_events_per_day", 100000, 1000000, 0);
}
std::int32_t MeasurementSettings::maxPublicEventsPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_public_events_per_day", 50000, 1000000, 0);
}
std::int32_t MeasurementSettings::maxErrorEventsPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_error_events_per_day", 1000, 1000000, 0);
}
std::int32_t MeasurementSettings::maxTrackedCurrencies() {
  return intValueFromCacheWithKey("measurement.lifetimevalue.max_currency_tracked", 4, 100, 1);
}
std::int32_t MeasurementSettings::maxPublicUserProperties() {
  if (!configurableLimitsEnabled()) return 25;
  return intValueFromCacheWithKey("measurement.upload.max_public_user_properties", 25, 100, 25);
}
std::int32_t MeasurementSettings::maxEventNameCardinality() {
  if (!configurableLimitsEnabled()) return 500;
  return intValueFromCacheWithKey("measurement.upload.max_event_name_cardinality", 500, 2000, 500);
}
std::int32_t MeasurementSettings::maxPublicEventParams() {
  if (!configurableLimitsEnabled()) return 25;
  return intValueFromCacheWithKey("measurement.upload.max_public_event_params", 25, 100, 25);
}
std::int32_t MeasurementSettings::maxEventsStored() {
  return intValueFromCacheWithKey("measurement.store.max_stored_events_per_app", 100000, 1000000, 0);
}
double MeasurementSettings::uploadingInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.interval", 3600, 86400, 15);
}
double MeasurementSettings::uploadingInitialDelayInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.initial_upload_delay_time", 15, 86400, 1);
}
std::int64_t MeasurementSettings::uploadMaxBundlesLimit() {
  return int64ValueFromCacheWithKey("measurement.upload.max_bundles", 100, 10000, 1);
}
std::int64_t MeasurementSettings::uploadMaxEventsPerBundle() {
  return int64ValueFromCacheWithKey("measurement.upload.max_events_per_bundle", 1000, 1000000, 1);
}
std::int64_t MeasurementSettings::uploadMaxSizeLimitBytes() {
  return int64ValueFromCacheWithKey("measurement.upload.max_batch_size", 65536, 10485760, 0);
}
std::int32_t MeasurementSettings::uploadingRetryCount() {
  return intValueFromCacheWithKey("measurement.upload.retry_count", 6, 24, 1);
}
double MeasurementSettings::uploadingRetryInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.retry_time", 1800, 86400, 60);
}
std::int32_t MeasurementSettings::maxBundlesCreatedPerIteration() {
  // A count read through the millisecond reader: a configured 5000 gives 5.
  return static_cast<std::int32_t>(
      timeIntervalInSecondsFromCacheWithKey("measurement.upload.max_bundles_created_per_iteration", 100, 10000, 1));
}
std::int32_t MeasurementSettings::maxRealtimeEventCountPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_realtime_events_per_day", 10, 10, 0);
}
double MeasurementSettings::uploadingDebugModeInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.debug_upload_interval", 1, 15, 1);
}
double MeasurementSettings::uploadingRealTimeInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.realtime_upload_interval", 10, 15, 10);
}
bool MeasurementSettings::blocklistInternal() { return flagSetting("measurement.upload.blacklist_internal", false); }
bool MeasurementSettings::blocklistPublic() { return flagSetting("measurement.upload.blacklist_public", false); }
bool MeasurementSettings::isEventSamplingEnabled() { return flagSetting("measurement.event_sampling_enabled", false); }
std::int32_t MeasurementSettings::analyticsAccountTimeZoneOffsetMinutes() {
  return intValueFromCacheWithKey("measurement.account.time_zone_offset_minutes", 0, 900, -900);
}
bool MeasurementSettings::checksumEnabled() { return flagSetting("measurement.quality.checksum", false); }
bool MeasurementSettings::appBackgroundedEventEnabled() {
  return flagSetting("measurement.lifecycle.app_backgrounded_tracking", true);
}
bool MeasurementSettings::appInBackgroundParameterEnabled() {
  return flagSetting("measurement.lifecycle.app_in_background_parameter", true);
}
bool MeasurementSettings::lastAdvertisingIDResetFeatureEnabled() {
  return flagSetting("measurement.last_advertising_id_reset_feature_enabled", true);
}
bool MeasurementSettings::eesFeatureEnabled() {
  return flagSetting(EventEditing::kSwitchKey, EventEditing::kSwitchDefault);
}
bool MeasurementSettings::isDeferredDeepLinkEnabled() { return flagSetting("measurement.ddl.enabled", true, true); }
std::int32_t MeasurementSettings::maxDeferredDeepLinkRetryCount() {
  return intValueFromCacheWithKey("measurement.ddl.retry_count", 5, 10, 0);
}
double MeasurementSettings::attributionCacheTTLInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.attribution.cache.ttl", 604800, 2592000, 86400);
}
double MeasurementSettings::remoteConfigCacheTimeInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.config.cache_time", 3600, 86400, 60);
}
bool MeasurementSettings::isConsentSettingsEnabled() { return flagSetting("measurement.api.consent_settings", true); }
bool MeasurementSettings::isConsentSettings3PEnabled() {
  return flagSetting("measurement.api.consent_settings_3p", true);
}
bool MeasurementSettings::nonBlockingAppInstanceIDEnabled() {
  return experimentFlagOrSetting("non_blocking_app_instance_id_enabled",
                                 "measurement.non_blocking_app_instance_id_enabled");
}

}  // namespace sdk::analytics
