#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/rules/EventEditing.h"

// Each setting: key, default, maximum, minimum. Intervals are given in seconds and configured in
// milliseconds.

namespace sdk::analytics {

bool RemoteConfig::flagSetting(const char* key, bool defaultValue, bool onWhenNonZero) {
  const std::int32_t value = intValueFromCacheWithKey(key, defaultValue ? 1 : 0, 1, 0);
  return onWhenNonZero ? value != 0 : value == 1;
}

bool RemoteConfig::experimentFlagOrSetting(const char* flag, const char* key) {
  if (experiments_) {
    if (auto value = experiments_->flag(flag)) return *value;
  }
  return flagSetting(key, false);
}

double RemoteConfig::uploadingBackoffInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.backoff_period", 43200, 604800, 3600);
}
std::int32_t RemoteConfig::maxAudienceCount() {
  return intValueFromCacheWithKey("measurement.audience.max_count", 50, 500, 0);
}
std::int32_t RemoteConfig::maxFiltersPerAudience() {
  return intValueFromCacheWithKey("measurement.audience.filter_max_count_per_audience", 10, 100, 0);
}
std::int32_t RemoteConfig::maxFilterResultCount() {
  return intValueFromCacheWithKey("measurement.audience.filter_result_max_count", 200, 2000, 0);
}
std::int32_t RemoteConfig::maxParametersPerFilter() {
  return intValueFromCacheWithKey("measurement.audience.parameter_max_count_filter", 25, 250, 0);
}
double RemoteConfig::databaseDeleteStaleBundlesInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.stale_data_deletion_interval", 86400, 604800,
                                               3600);
}
double RemoteConfig::maxQueueTime() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.max_queue_time", 2419200, 7862400, 604800);
}
double RemoteConfig::adIDCacheTime() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.ad_id_cache_time", 1, 86400, 0);
}
bool RemoteConfig::gateIDFAOnATTMASEnabled() { return flagSetting("measurement.attmas_gate", false, true); }
double RemoteConfig::monitoringSamplePeriod() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.monitoring.sample_period_millis", 86400, 604800, 0);
}
bool RemoteConfig::isNetworkBackgroundSessionEnabled() {
  return experimentFlagOrSetting("network_background_session_enabled",
                                 "measurement.network.background_session_enabled");
}
double RemoteConfig::networkTimeout() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.network.network_timeout", 60, 3600, 30);
}
double RemoteConfig::sessionDefaultMinimumInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.default_minimum_interval", 10, 86400, 0);
}
double RemoteConfig::sessionDefaultTimeoutInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.default_timeout_interval", 1800, 86400, 0);
}
double RemoteConfig::sessionEventUserEngagementInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.session.event_user_engagement_interval", 3600, 86400, 0);
}
bool RemoteConfig::efficientEngagementReportingEnabled() {
  return experimentFlagOrSetting("efficient_engagement_reporting_enabled",
                                 "measurement.collection.efficient_engagement_reporting_enabled");
}
bool RemoteConfig::redundantEngagementRemovalEnabled() {
  return experimentFlagOrSetting("redundant_engagement_removal_enabled",
                                 "measurement.collection.redundant_engagement_removal_enabled");
}
bool RemoteConfig::configurableLimitsEnabled() {
  return flagSetting("measurement.upload.configurable_limits_enabled", true);
}
std::int32_t RemoteConfig::maxConversionsPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_conversions_per_day", 10000, 1000000, 0);
}
std::int32_t RemoteConfig::maxEventsPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_events_per_day", 100000, 1000000, 0);
}
std::int32_t RemoteConfig::maxPublicEventsPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_public_events_per_day", 50000, 1000000, 0);
}
std::int32_t RemoteConfig::maxErrorEventsPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_error_events_per_day", 1000, 1000000, 0);
}
std::int32_t RemoteConfig::maxTrackedCurrencies() {
  return intValueFromCacheWithKey("measurement.lifetimevalue.max_currency_tracked", 4, 100, 1);
}
std::int32_t RemoteConfig::maxPublicUserProperties() {
  if (!configurableLimitsEnabled()) return 25;
  return intValueFromCacheWithKey("measurement.upload.max_public_user_properties", 25, 100, 25);
}
std::int32_t RemoteConfig::maxEventNameCardinality() {
  if (!configurableLimitsEnabled()) return 500;
  return intValueFromCacheWithKey("measurement.upload.max_event_name_cardinality", 500, 2000, 500);
}
std::int32_t RemoteConfig::maxPublicEventParams() {
  if (!configurableLimitsEnabled()) return 25;
  return intValueFromCacheWithKey("measurement.upload.max_public_event_params", 25, 100, 25);
}
std::int32_t RemoteConfig::maxEventsStored() {
  return intValueFromCacheWithKey("measurement.store.max_stored_events_per_app", 100000, 1000000, 0);
}
double RemoteConfig::uploadingInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.interval", 3600, 86400, 15);
}
double RemoteConfig::uploadingInitialDelayInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.initial_upload_delay_time", 15, 86400, 1);
}
std::int64_t RemoteConfig::uploadMaxBundlesLimit() {
  return int64ValueFromCacheWithKey("measurement.upload.max_bundles", 100, 10000, 1);
}
std::int64_t RemoteConfig::uploadMaxEventsPerBundle() {
  return int64ValueFromCacheWithKey("measurement.upload.max_events_per_bundle", 1000, 1000000, 1);
}
std::int64_t RemoteConfig::uploadMaxSizeLimitBytes() {
  return int64ValueFromCacheWithKey("measurement.upload.max_batch_size", 65536, 10485760, 0);
}
std::int32_t RemoteConfig::uploadingRetryCount() {
  return intValueFromCacheWithKey("measurement.upload.retry_count", 6, 24, 1);
}
double RemoteConfig::uploadingRetryInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.retry_time", 1800, 86400, 60);
}
std::int32_t RemoteConfig::maxBundlesCreatedPerIteration() {
  // A count read through the millisecond reader: a configured 5000 gives 5.
  return static_cast<std::int32_t>(
      timeIntervalInSecondsFromCacheWithKey("measurement.upload.max_bundles_created_per_iteration", 100, 10000, 1));
}
std::int32_t RemoteConfig::maxRealtimeEventCountPerDay() {
  return intValueFromCacheWithKey("measurement.upload.max_realtime_events_per_day", 10, 10, 0);
}
double RemoteConfig::uploadingDebugModeInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.debug_upload_interval", 1, 15, 1);
}
double RemoteConfig::uploadingRealTimeInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.upload.realtime_upload_interval", 10, 15, 10);
}
bool RemoteConfig::blocklistInternal() { return flagSetting("measurement.upload.blacklist_internal", false); }
bool RemoteConfig::blocklistPublic() { return flagSetting("measurement.upload.blacklist_public", false); }
bool RemoteConfig::isEventSamplingEnabled() { return flagSetting("measurement.event_sampling_enabled", false); }
std::int32_t RemoteConfig::analyticsAccountTimeZoneOffsetMinutes() {
  return intValueFromCacheWithKey("measurement.account.time_zone_offset_minutes", 0, 900, -900);
}
bool RemoteConfig::checksumEnabled() { return flagSetting("measurement.quality.checksum", false); }
bool RemoteConfig::appBackgroundedEventEnabled() {
  return flagSetting("measurement.lifecycle.app_backgrounded_tracking", true);
}
bool RemoteConfig::appInBackgroundParameterEnabled() {
  return flagSetting("measurement.lifecycle.app_in_background_parameter", true);
}
bool RemoteConfig::lastAdvertisingIDResetFeatureEnabled() {
  return flagSetting("measurement.last_advertising_id_reset_feature_enabled", true);
}
bool RemoteConfig::eesFeatureEnabled() {
  return flagSetting(EventEditing::kSwitchKey, EventEditing::kSwitchDefault);
}
bool RemoteConfig::isDeferredDeepLinkEnabled() { return flagSetting("measurement.ddl.enabled", true, true); }
std::int32_t RemoteConfig::maxDeferredDeepLinkRetryCount() {
  return intValueFromCacheWithKey("measurement.ddl.retry_count", 5, 10, 0);
}
double RemoteConfig::attributionCacheTTLInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.attribution.cache.ttl", 604800, 2592000, 86400);
}
double RemoteConfig::remoteConfigCacheTimeInterval() {
  return timeIntervalInSecondsFromCacheWithKey("measurement.config.cache_time", 3600, 86400, 60);
}
bool RemoteConfig::isConsentSettingsEnabled() { return flagSetting("measurement.api.consent_settings", true); }
bool RemoteConfig::isConsentSettings3PEnabled() {
  return flagSetting("measurement.api.consent_settings_3p", true);
}
bool RemoteConfig::nonBlockingAppInstanceIDEnabled() {
  return experimentFlagOrSetting("non_blocking_app_instance_id_enabled",
                                 "measurement.non_blocking_app_instance_id_enabled");
}

}  // namespace sdk::analytics

