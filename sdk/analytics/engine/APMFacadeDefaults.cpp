#include "sdk/analytics/engine/APMFacadeDefaults.h"

#include "platform/foundation/Clock.h"
#include "sdk/analytics/engine/APMConsentSettingsUtil.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

constexpr const char* kResetRetryCount = "reset_retry_count";
constexpr const char* kNeedFirstOpenAfterReset = "need_first_open_after_reset";
constexpr const char* kAppInstanceIDAfterReset = "app_instance_id_after_reset";
constexpr const char* kDeferredAnalyticsCollection = "deferred_analytics_collection";
constexpr const char* kConsentSettings = "consent_settings";
constexpr const char* kConsentSettings3P = "consent_settings_3p";
constexpr const char* kConsentSettingsOnStart = "consent_settings_on_start";
constexpr const char* kConsentSource = "consent_source";
constexpr const char* kDeferredConsentReset = "deferred_consent_reset";

}  // namespace

std::shared_ptr<APMFacadeDefaults> APMFacadeDefaults::sharedInstance() {
  static const auto instance = std::make_shared<APMFacadeDefaults>();
  return instance;
}

APMFacadeDefaults::APMFacadeDefaults() : defaults_(kSuiteName) {}

double APMFacadeDefaults::loadTimestamp() {
  std::lock_guard lock(mutex_);
  if (!loadTimestamp_) loadTimestamp_ = platform::foundation::Clock::current()->now();
  return *loadTimestamp_;
}

void APMFacadeDefaults::setLoadTimestamp(double timestamp) {
  std::lock_guard lock(mutex_);
  loadTimestamp_ = timestamp;
}

std::optional<bool> APMFacadeDefaults::deferredAnalyticsCollection() {
  const Value value = defaults_.objectForKey(kDeferredAnalyticsCollection);
  return value.isNumber() ? std::optional<bool>(value.toBool()) : std::nullopt;
}

void APMFacadeDefaults::setDeferredAnalyticsCollection(bool deferred) {
  defaults_.setBool(deferred, kDeferredAnalyticsCollection);
}

bool APMFacadeDefaults::needFirstOpenAfterReset() { return defaults_.boolForKey(kNeedFirstOpenAfterReset); }

void APMFacadeDefaults::removeNeedFirstOpenAfterReset() { defaults_.removeObjectForKey(kNeedFirstOpenAfterReset); }

std::int64_t APMFacadeDefaults::resetRetryCount() { return defaults_.integerForKey(kResetRetryCount); }

void APMFacadeDefaults::setResetRetryCount(std::int64_t count) {
  if (count < 1) {
    defaults_.removeObjectForKey(kResetRetryCount);
  } else {
    defaults_.setInteger(count, kResetRetryCount);
  }
  // The count is what forces the next start to wipe again: it must not wait for a later flush.
  defaults_.synchronize();
}

std::optional<std::string> APMFacadeDefaults::appInstanceIDAfterReset() {
  const Value value = defaults_.objectForKey(kAppInstanceIDAfterReset);
  return value.string() ? std::optional<std::string>(*value.string()) : std::nullopt;
}

void APMFacadeDefaults::setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID) {
  defaults_.setObject(appInstanceID ? Value(*appInstanceID) : Value(), kAppInstanceIDAfterReset);
}

std::optional<APMFacadeDefaults::Dictionary> APMFacadeDefaults::dictionaryForKey(const char* key) {
  const Value value = defaults_.objectForKey(key);
  return value.dictionary() ? std::optional<Dictionary>(*value.dictionary()) : std::nullopt;
}

std::optional<APMFacadeDefaults::Dictionary> APMFacadeDefaults::consentSettings1PStart() {
  return dictionaryForKey(kConsentSettingsOnStart);
}

std::optional<APMFacadeDefaults::Dictionary> APMFacadeDefaults::consentSettings3P() {
  return dictionaryForKey(kConsentSettings3P);
}

void APMFacadeDefaults::clearConsent() {
  for (const char* key : {kConsentSource, kConsentSettings3P, kConsentSettings, kConsentSettingsOnStart,
                          kDeferredConsentReset}) {
    defaults_.removeObjectForKey(key);
  }
  APMConsentSettingsUtil::setConsentSettings(std::nullopt);
}

void APMFacadeDefaults::persistConsentSettings(const std::optional<Dictionary>& settings, std::int64_t source) {
  const char* key = source <= APMConsentSettingsUtil::kSourcePublicStored ? kConsentSettings3P : kConsentSettings;
  defaults_.setObject(settings ? Value(*settings) : Value(), key);
  defaults_.setInteger(source, kConsentSource);
}

bool APMFacadeDefaults::deferredResetOnDeniedConsent() { return defaults_.boolForKey(kDeferredConsentReset); }

void APMFacadeDefaults::removeStartUpConsentSettings() { defaults_.removeObjectForKey(kConsentSettingsOnStart); }

void APMFacadeDefaults::removeDeferredResetOnDeniedConsent() { defaults_.removeObjectForKey(kDeferredConsentReset); }

}  // namespace sdk::analytics
