#include "sdk/analytics/foundation/PersistedConfig.h"

#include <cmath>

#include "platform/foundation/TimeWitnesses.h"
#include "platform/foundation/UserDefaults.h"

#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"

namespace sdk::analytics {

namespace {

#define ANALYTICS_CONFIG_KEY(name, path) constexpr const char* name = "/vadeze/measurement/" path
ANALYTICS_CONFIG_KEY(kMeasurementEnabledState, "measurement_enabled_state");
ANALYTICS_CONFIG_KEY(kLoadTimestamp, "load_timestamp");
ANALYTICS_CONFIG_KEY(kAppIDFromVMP, "vmp_app_id");
ANALYTICS_CONFIG_KEY(kAppIDFromDeDed, "deded_app_id");
ANALYTICS_CONFIG_KEY(kAppInstanceID, "app_instance_id");
ANALYTICS_CONFIG_KEY(kHashedIDFA, "hashed_idfa");
ANALYTICS_CONFIG_KEY(kSetLastAdvertisingIDReset, "set_last_advertising_id_reset");
ANALYTICS_CONFIG_KEY(kFirstOpenTimestamp, "first_open_timestamp_ms");
ANALYTICS_CONFIG_KEY(kAppVersion, "app_version");
ANALYTICS_CONFIG_KEY(kOSVersion, "os_version");
ANALYTICS_CONFIG_KEY(kAllowPersonalizedAds, "allow_personalized_ads");
ANALYTICS_CONFIG_KEY(kSessionNumber, "session_number");
ANALYTICS_CONFIG_KEY(kLastEngagementEnd, "last_engagement_end");
ANALYTICS_CONFIG_KEY(kDefaultEventParameters, "default_event_parameters");
ANALYTICS_CONFIG_KEY(kFeatureRollouts, "vurevore_feature_rollouts");
ANALYTICS_CONFIG_KEY(kUnmatchedFirstOpen, "unmatched_first_open");
ANALYTICS_CONFIG_KEY(kMidnightOffset, "midnight_offset");
ANALYTICS_CONFIG_KEY(kLastSuccessfulUpload, "last_successful_upload");
ANALYTICS_CONFIG_KEY(kLastFailedUpload, "last_failed_upload");
ANALYTICS_CONFIG_KEY(kLastBackoff, "last_backoff");
ANALYTICS_CONFIG_KEY(kLastModifiedSince, "last_modified_since_key");
ANALYTICS_CONFIG_KEY(kLastMonitorSample, "last_monitor_data_sampled_timestamp");
ANALYTICS_CONFIG_KEY(kSearchAdCampaign, "is_search_ad_campaign");
ANALYTICS_CONFIG_KEY(kSearchAdLastAttempt, "search_ad_last_attempt_timestamp");
ANALYTICS_CONFIG_KEY(kSearchAdRetries, "search_ad_number_of_retries");
ANALYTICS_CONFIG_KEY(kDeepLinkRetrievalComplete, "deep_link_retrieval_complete");
ANALYTICS_CONFIG_KEY(kDeepLinkRetryCount, "deep_link_retry_count");
#undef ANALYTICS_CONFIG_KEY

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

// The times the engine keeps here are how far the container's time has gone, should the container's
// own record of it be lost.
[[maybe_unused]] const bool timesWitnessed =
    (platform::foundation::TimeWitnesses::add([](double bound) { return PersistedConfig().latestTimeKept(bound); }), true);

}  // namespace

std::shared_ptr<PersistedConfig> PersistedConfig::sharedInstance() {
  static const auto instance = std::make_shared<PersistedConfig>();
  if (!instance)
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kPersistedConfigMissing,
                                    "Persisted config instance is nil");
  return instance;
}

PersistedConfig::PersistedConfig() : defaults_(kSuiteName) {}

void PersistedConfig::synchronizeToDisk() { defaults_.synchronize(); }

std::optional<double> PersistedConfig::latestTimeKept(double bound) const {
  const double kept[] = {lastSessionActivityClockTime(), lastSuccessfulUploadTimestamp(), lastFailedUploadTimestamp(),
                         lastMonitorDataSampledTimestamp(),
                         static_cast<double>(firstOpenTimestampMilliseconds()) / 1000};
  std::optional<double> latest;
  for (double time : kept) {
    if (time > 0 && time <= bound && (!latest || time > *latest)) latest = time;
  }
  return latest;
}

void PersistedConfig::clearValues() {
  for (const char* key : kAllKeys) defaults_.removeObjectForKey(key);
}

std::optional<std::string> PersistedConfig::optionalString(const char* key) const {
  Value value = defaults_.objectForKey(key);
  if (!value.isString()) return std::nullopt;
  return *value.string();
}

void PersistedConfig::setNumberOrNil(const Value& value, const char* key) {
  if (value.isNil() || value.isNull()) {
    defaults_.removeObjectForKey(key);
  } else if (value.isNumber()) {
    defaults_.setObject(value, key);
  }
}

std::int64_t PersistedConfig::measurementEnabledState() const {
  // The SDK core persists the app's choice in the standard defaults; a choice made there and never
  // copied into this suite must still hold at the next launch.
  if (const std::int64_t state = defaults_.integerForKey(kMeasurementEnabledState); state != 0) return state;
  const std::int64_t standard = platform::foundation::UserDefaults::standard()->integerForKey(kMeasurementEnabledState);
  return standard == 1 || standard == 2 ? standard : 0;
}
void PersistedConfig::setMeasurementEnabledState(std::int64_t state) { defaults_.setInteger(state, kMeasurementEnabledState); }

std::optional<double> PersistedConfig::loadTimestampValue() const {
  Value value = defaults_.objectForKey(kLoadTimestamp);
  return value.isNumber() ? std::optional(value.toDouble()) : std::nullopt;
}
void PersistedConfig::setLoadTimestampValue(std::optional<double> value) {
  setNumberOrNil(value ? Value(*value) : Value(), kLoadTimestamp);
}

std::string PersistedConfig::appIDFromVMP() const { return optionalString(kAppIDFromVMP).value_or(""); }
void PersistedConfig::setAppIDFromVMP(const std::string& value) { defaults_.setObject(Value(value), kAppIDFromVMP); }
std::string PersistedConfig::appIDFromDeDed() const { return optionalString(kAppIDFromDeDed).value_or(""); }
void PersistedConfig::setAppIDFromDeDed(const std::string& value) { defaults_.setObject(Value(value), kAppIDFromDeDed); }

std::optional<std::string> PersistedConfig::appInstanceID() const { return optionalString(kAppInstanceID); }
void PersistedConfig::setAppInstanceID(const std::optional<std::string>& value) {
  defaults_.setObject(value ? Value(*value) : Value(), kAppInstanceID);
}
std::optional<std::string> PersistedConfig::hashedResettableDeviceID() const { return optionalString(kHashedIDFA); }
void PersistedConfig::setHashedResettableDeviceID(const std::optional<std::string>& value) {
  defaults_.setObject(value ? Value(*value) : Value(), kHashedIDFA);
}

bool PersistedConfig::shouldSetLastAdvertisingIDResetUserProperty() const {
  return defaults_.boolForKey(kSetLastAdvertisingIDReset);
}
void PersistedConfig::setShouldSetLastAdvertisingIDResetUserProperty(bool value) {
  defaults_.setBool(value, kSetLastAdvertisingIDReset);
}

std::int64_t PersistedConfig::firstOpenTimestampMilliseconds() const { return defaults_.integerForKey(kFirstOpenTimestamp); }
void PersistedConfig::setFirstOpenTimestampMilliseconds(std::int64_t value) { defaults_.setInteger(value, kFirstOpenTimestamp); }

std::string PersistedConfig::appVersion() const { return optionalString(kAppVersion).value_or(""); }
void PersistedConfig::setAppVersion(const std::string& value) { defaults_.setObject(Value(value), kAppVersion); }
std::string PersistedConfig::osVersion() const { return optionalString(kOSVersion).value_or(""); }
void PersistedConfig::setOSVersion(const std::string& value) { defaults_.setObject(Value(value), kOSVersion); }

PersistedConfig::Value PersistedConfig::allowPersonalizedAds() const {
  Value value = defaults_.objectForKey(kAllowPersonalizedAds);
  return value.isNumber() ? value : Value();
}
void PersistedConfig::setAllowPersonalizedAds(const Value& value) { setNumberOrNil(value, kAllowPersonalizedAds); }

std::int64_t PersistedConfig::sessionNumber() const { return defaults_.integerForKey(kSessionNumber); }
void PersistedConfig::setSessionNumber(std::int64_t value) { defaults_.setInteger(value, kSessionNumber); }
double PersistedConfig::lastSessionActivityClockTime() const { return defaults_.doubleForKey(kLastEngagementEnd); }
void PersistedConfig::setLastSessionActivityClockTime(double value) { defaults_.setDouble(value, kLastEngagementEnd); }

std::optional<platform::foundation::Dictionary> PersistedConfig::defaultEventParameters() const {
  Value value = defaults_.objectForKey(kDefaultEventParameters);
  if (!value.isDictionary()) return std::nullopt;
  return *value.dictionary();
}
void PersistedConfig::setDefaultEventParameters(const std::optional<platform::foundation::Dictionary>& value) {
  defaults_.setObject(value ? Value(*value) : Value(), kDefaultEventParameters);
}

PersistedConfig::Value PersistedConfig::featureRollouts() const {
  return defaults_.objectForKey(kFeatureRollouts);
}
void PersistedConfig::setFeatureRollouts(const Value& value) { defaults_.setObject(value, kFeatureRollouts); }

bool PersistedConfig::unmatchedFirstOpenWithoutIDFA() const { return defaults_.integerForKey(kUnmatchedFirstOpen) != 0; }
void PersistedConfig::setUnmatchedFirstOpenWithoutIDFA(bool value) {
  defaults_.setInteger(value ? 1 : 0, kUnmatchedFirstOpen);
}

double PersistedConfig::midnightOffset() {
  std::lock_guard lock(midnightMutex_);
  Value stored = defaults_.objectForKey(kMidnightOffset);
  if (stored.isNumber()) return stored.toDouble();
  auto draw = static_cast<std::uint64_t>(NumericUtil::randomInt64());
  double offset = static_cast<double>(draw % static_cast<std::uint64_t>(kSecondsPerDay * 1000)) / 1000.0;
  defaults_.setDouble(offset, kMidnightOffset);
  return offset;
}

double PersistedConfig::lastSuccessfulUploadTimestamp() const { return defaults_.doubleForKey(kLastSuccessfulUpload); }
void PersistedConfig::setLastSuccessfulUploadTimestamp(double value) { defaults_.setDouble(value, kLastSuccessfulUpload); }
double PersistedConfig::lastFailedUploadTimestamp() const { return defaults_.doubleForKey(kLastFailedUpload); }
void PersistedConfig::setLastFailedUploadTimestamp(double value) { defaults_.setDouble(value, kLastFailedUpload); }
double PersistedConfig::lastBackoffTimestamp() const { return defaults_.doubleForKey(kLastBackoff); }
void PersistedConfig::setLastBackoffTimestamp(double value) { defaults_.setDouble(value, kLastBackoff); }

std::string PersistedConfig::configServerLastModifiedString() const {
  return optionalString(kLastModifiedSince).value_or("");
}
void PersistedConfig::setConfigServerLastModifiedString(const std::string& value) {
  defaults_.setObject(Value(value), kLastModifiedSince);
}

double PersistedConfig::lastMonitorDataSampledTimestamp() const { return defaults_.doubleForKey(kLastMonitorSample); }
void PersistedConfig::setLastMonitorDataSampledTimestamp(double value) { defaults_.setDouble(value, kLastMonitorSample); }

PersistedConfig::Value PersistedConfig::searchAdCampaignValue() const {
  Value value = defaults_.objectForKey(kSearchAdCampaign);
  return value.isNumber() ? value : Value();
}
void PersistedConfig::setSearchAdCampaignValue(const Value& value) {
  if (value.isNumber()) defaults_.setObject(value, kSearchAdCampaign);
}

double PersistedConfig::lastSearchAdLookUpTimestamp() const { return defaults_.doubleForKey(kSearchAdLastAttempt); }
void PersistedConfig::setLastSearchAdLookUpTimestamp(double value) { defaults_.setDouble(value, kSearchAdLastAttempt); }
std::int64_t PersistedConfig::searchAdRetryCount() const { return defaults_.integerForKey(kSearchAdRetries); }
void PersistedConfig::setSearchAdRetryCount(std::int64_t value) { defaults_.setInteger(value, kSearchAdRetries); }

PersistedConfig::Value PersistedConfig::deferredDeepLinkRetrievalComplete() const {
  Value value = defaults_.objectForKey(kDeepLinkRetrievalComplete);
  return value.isNumber() ? value : Value();
}
void PersistedConfig::setDeferredDeepLinkRetrievalComplete(const Value& value) {
  setNumberOrNil(value, kDeepLinkRetrievalComplete);
}
std::int64_t PersistedConfig::deferredDeepLinkRetryCount() const { return defaults_.integerForKey(kDeepLinkRetryCount); }
void PersistedConfig::setDeferredDeepLinkRetryCount(std::int64_t value) { defaults_.setInteger(value, kDeepLinkRetryCount); }

}  // namespace sdk::analytics

