#include "sdk/analytics/foundation/APMPersistedConfig.h"

#include "platform/foundation/UserDefaults.h"

#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNumericUtil.h"

namespace {

#define APM_KEY(name, path) constexpr const char* name = "/vadeze/measurement/" path
APM_KEY(kMeasurementEnabledState, "measurement_enabled_state");
APM_KEY(kLoadTimestamp, "load_timestamp");
APM_KEY(kAppIDFromVMP, "vmp_app_id");
APM_KEY(kAppIDFromDeDed, "deded_app_id");
APM_KEY(kAppInstanceID, "app_instance_id");
APM_KEY(kHashedIDFA, "hashed_idfa");
APM_KEY(kSetLastAdvertisingIDReset, "set_last_advertising_id_reset");
APM_KEY(kFirstOpenTimestamp, "first_open_timestamp_ms");
APM_KEY(kAppVersion, "app_version");
APM_KEY(kOSVersion, "os_version");
APM_KEY(kAllowPersonalizedAds, "allow_personalized_ads");
APM_KEY(kSessionNumber, "session_number");
APM_KEY(kLastEngagementEnd, "last_engagement_end");
APM_KEY(kDefaultEventParameters, "default_event_parameters");
APM_KEY(kFeatureRollouts, "vurevore_feature_rollouts");
APM_KEY(kUnmatchedFirstOpen, "unmatched_first_open");
APM_KEY(kMidnightOffset, "midnight_offset");
APM_KEY(kLastSuccessfulUpload, "last_successful_upload");
APM_KEY(kLastFailedUpload, "last_failed_upload");
APM_KEY(kLastBackoff, "last_backoff");
APM_KEY(kLastModifiedSince, "last_modified_since_key");
APM_KEY(kLastMonitorSample, "last_monitor_data_sampled_timestamp");
APM_KEY(kSearchAdCampaign, "is_search_ad_campaign");
APM_KEY(kSearchAdLastAttempt, "search_ad_last_attempt_timestamp");
APM_KEY(kSearchAdRetries, "search_ad_number_of_retries");
APM_KEY(kDeepLinkRetrievalComplete, "deep_link_retrieval_complete");
APM_KEY(kDeepLinkRetryCount, "deep_link_retry_count");
#undef APM_KEY

constexpr const char* kAllKeys[] = {
    kMeasurementEnabledState, kLoadTimestamp,        kAppIDFromVMP,         kAppIDFromDeDed,     kAppInstanceID,
    kHashedIDFA,              kSetLastAdvertisingIDReset, kFirstOpenTimestamp, kAppVersion,       kOSVersion,
    kAllowPersonalizedAds,    kSessionNumber,        kLastEngagementEnd,    kDefaultEventParameters, kFeatureRollouts,
    kUnmatchedFirstOpen,      kMidnightOffset,       kLastSuccessfulUpload, kLastFailedUpload,   kLastBackoff,
    kLastModifiedSince,       kLastMonitorSample,    kSearchAdCampaign,     kSearchAdLastAttempt, kSearchAdRetries,
    kDeepLinkRetrievalComplete, kDeepLinkRetryCount,
};
static_assert(std::size(kAllKeys) == 27);

constexpr double kSecondsPerDay = 86400;

}  // namespace

std::shared_ptr<APMPersistedConfig> APMPersistedConfig::sharedInstance() {
  static const auto instance = std::make_shared<APMPersistedConfig>();
  if (!instance) APMMonitor::shared()->logWithLevel(1, 27001, "Persisted config instance is nil");
  return instance;
}

APMPersistedConfig::APMPersistedConfig() : defaults_(kSuiteName) {}

void APMPersistedConfig::synchronizeToDisk() { defaults_.synchronize(); }

void APMPersistedConfig::clearValues() {
  for (const char* key : kAllKeys) defaults_.removeObjectForKey(key);
}

std::optional<std::string> APMPersistedConfig::optionalString(const char* key) const {
  Value value = defaults_.objectForKey(key);
  if (!value.isString()) return std::nullopt;
  return *value.string();
}

void APMPersistedConfig::setNumberOrNil(const Value& value, const char* key) {
  if (value.isNil() || value.isNull()) {
    defaults_.removeObjectForKey(key);
  } else if (value.isNumber()) {
    defaults_.setObject(value, key);
  }
}

std::int64_t APMPersistedConfig::measurementEnabledState() const {
  // The SDK core persists the app's choice in the standard defaults; a choice made there and never
  // copied into this suite must still hold at the next launch.
  if (const std::int64_t state = defaults_.integerForKey(kMeasurementEnabledState); state != 0) return state;
  const std::int64_t standard = platform::foundation::UserDefaults::standard()->integerForKey(kMeasurementEnabledState);
  return standard == 1 || standard == 2 ? standard : 0;
}
void APMPersistedConfig::setMeasurementEnabledState(std::int64_t state) { defaults_.setInteger(state, kMeasurementEnabledState); }

std::optional<double> APMPersistedConfig::loadTimestampValue() const {
  Value value = defaults_.objectForKey(kLoadTimestamp);
  return value.isNumber() ? std::optional(value.toDouble()) : std::nullopt;
}
void APMPersistedConfig::setLoadTimestampValue(std::optional<double> value) {
  setNumberOrNil(value ? Value(*value) : Value(), kLoadTimestamp);
}

std::string APMPersistedConfig::appIDFromVMP() const { return optionalString(kAppIDFromVMP).value_or(""); }
void APMPersistedConfig::setAppIDFromVMP(const std::string& value) { defaults_.setObject(Value(value), kAppIDFromVMP); }
std::string APMPersistedConfig::appIDFromDeDed() const { return optionalString(kAppIDFromDeDed).value_or(""); }
void APMPersistedConfig::setAppIDFromDeDed(const std::string& value) { defaults_.setObject(Value(value), kAppIDFromDeDed); }

std::optional<std::string> APMPersistedConfig::appInstanceID() const { return optionalString(kAppInstanceID); }
void APMPersistedConfig::setAppInstanceID(const std::optional<std::string>& value) {
  defaults_.setObject(value ? Value(*value) : Value(), kAppInstanceID);
}
std::optional<std::string> APMPersistedConfig::hashedResettableDeviceID() const { return optionalString(kHashedIDFA); }
void APMPersistedConfig::setHashedResettableDeviceID(const std::optional<std::string>& value) {
  defaults_.setObject(value ? Value(*value) : Value(), kHashedIDFA);
}

bool APMPersistedConfig::shouldSetLastAdvertisingIDResetUserProperty() const {
  return defaults_.boolForKey(kSetLastAdvertisingIDReset);
}
void APMPersistedConfig::setShouldSetLastAdvertisingIDResetUserProperty(bool value) {
  defaults_.setBool(value, kSetLastAdvertisingIDReset);
}

std::int64_t APMPersistedConfig::firstOpenTimestampMilliseconds() const { return defaults_.integerForKey(kFirstOpenTimestamp); }
void APMPersistedConfig::setFirstOpenTimestampMilliseconds(std::int64_t value) { defaults_.setInteger(value, kFirstOpenTimestamp); }

std::string APMPersistedConfig::appVersion() const { return optionalString(kAppVersion).value_or(""); }
void APMPersistedConfig::setAppVersion(const std::string& value) { defaults_.setObject(Value(value), kAppVersion); }
std::string APMPersistedConfig::osVersion() const { return optionalString(kOSVersion).value_or(""); }
void APMPersistedConfig::setOSVersion(const std::string& value) { defaults_.setObject(Value(value), kOSVersion); }

APMPersistedConfig::Value APMPersistedConfig::allowPersonalizedAds() const {
  Value value = defaults_.objectForKey(kAllowPersonalizedAds);
  return value.isNumber() ? value : Value();
}
void APMPersistedConfig::setAllowPersonalizedAds(const Value& value) { setNumberOrNil(value, kAllowPersonalizedAds); }

std::int64_t APMPersistedConfig::sessionNumber() const { return defaults_.integerForKey(kSessionNumber); }
void APMPersistedConfig::setSessionNumber(std::int64_t value) { defaults_.setInteger(value, kSessionNumber); }
double APMPersistedConfig::lastSessionActivityClockTime() const { return defaults_.doubleForKey(kLastEngagementEnd); }
void APMPersistedConfig::setLastSessionActivityClockTime(double value) { defaults_.setDouble(value, kLastEngagementEnd); }

std::optional<platform::foundation::Dictionary> APMPersistedConfig::defaultEventParameters() const {
  Value value = defaults_.objectForKey(kDefaultEventParameters);
  if (!value.isDictionary()) return std::nullopt;
  return *value.dictionary();
}
void APMPersistedConfig::setDefaultEventParameters(const std::optional<platform::foundation::Dictionary>& value) {
  defaults_.setObject(value ? Value(*value) : Value(), kDefaultEventParameters);
}

APMPersistedConfig::Value APMPersistedConfig::vurevoreFeatureRollouts() const {
  return defaults_.objectForKey(kFeatureRollouts);
}
void APMPersistedConfig::setVurevoreFeatureRollouts(const Value& value) { defaults_.setObject(value, kFeatureRollouts); }

bool APMPersistedConfig::unmatchedFirstOpenWithoutIDFA() const { return defaults_.integerForKey(kUnmatchedFirstOpen) != 0; }
void APMPersistedConfig::setUnmatchedFirstOpenWithoutIDFA(bool value) {
  defaults_.setInteger(value ? 1 : 0, kUnmatchedFirstOpen);
}

double APMPersistedConfig::midnightOffset() {
  std::lock_guard lock(midnightMutex_);
  Value stored = defaults_.objectForKey(kMidnightOffset);
  if (stored.isNumber()) return stored.toDouble();
  auto draw = static_cast<std::uint64_t>(APMNumericUtil::randomInt64());
  double offset = static_cast<double>(draw % static_cast<std::uint64_t>(kSecondsPerDay * 1000)) / 1000.0;
  defaults_.setDouble(offset, kMidnightOffset);
  return offset;
}

double APMPersistedConfig::lastSuccessfulUploadTimestamp() const { return defaults_.doubleForKey(kLastSuccessfulUpload); }
void APMPersistedConfig::setLastSuccessfulUploadTimestamp(double value) { defaults_.setDouble(value, kLastSuccessfulUpload); }
double APMPersistedConfig::lastFailedUploadTimestamp() const { return defaults_.doubleForKey(kLastFailedUpload); }
void APMPersistedConfig::setLastFailedUploadTimestamp(double value) { defaults_.setDouble(value, kLastFailedUpload); }
double APMPersistedConfig::lastBackoffTimestamp() const { return defaults_.doubleForKey(kLastBackoff); }
void APMPersistedConfig::setLastBackoffTimestamp(double value) { defaults_.setDouble(value, kLastBackoff); }

std::string APMPersistedConfig::configServerLastModifiedString() const {
  return optionalString(kLastModifiedSince).value_or("");
}
void APMPersistedConfig::setConfigServerLastModifiedString(const std::string& value) {
  defaults_.setObject(Value(value), kLastModifiedSince);
}

double APMPersistedConfig::lastMonitorDataSampledTimestamp() const { return defaults_.doubleForKey(kLastMonitorSample); }
void APMPersistedConfig::setLastMonitorDataSampledTimestamp(double value) { defaults_.setDouble(value, kLastMonitorSample); }

APMPersistedConfig::Value APMPersistedConfig::searchAdCampaignValue() const {
  Value value = defaults_.objectForKey(kSearchAdCampaign);
  return value.isNumber() ? value : Value();
}
void APMPersistedConfig::setSearchAdCampaignValue(const Value& value) {
  if (value.isNumber()) defaults_.setObject(value, kSearchAdCampaign);
}

double APMPersistedConfig::lastSearchAdLookUpTimestamp() const { return defaults_.doubleForKey(kSearchAdLastAttempt); }
void APMPersistedConfig::setLastSearchAdLookUpTimestamp(double value) { defaults_.setDouble(value, kSearchAdLastAttempt); }
std::int64_t APMPersistedConfig::searchAdRetryCount() const { return defaults_.integerForKey(kSearchAdRetries); }
void APMPersistedConfig::setSearchAdRetryCount(std::int64_t value) { defaults_.setInteger(value, kSearchAdRetries); }

APMPersistedConfig::Value APMPersistedConfig::deferredDeepLinkRetrievalComplete() const {
  Value value = defaults_.objectForKey(kDeepLinkRetrievalComplete);
  return value.isNumber() ? value : Value();
}
void APMPersistedConfig::setDeferredDeepLinkRetrievalComplete(const Value& value) {
  setNumberOrNil(value, kDeepLinkRetrievalComplete);
}
std::int64_t APMPersistedConfig::deferredDeepLinkRetryCount() const { return defaults_.integerForKey(kDeepLinkRetryCount); }
void APMPersistedConfig::setDeferredDeepLinkRetryCount(std::int64_t value) { defaults_.setInteger(value, kDeepLinkRetryCount); }
