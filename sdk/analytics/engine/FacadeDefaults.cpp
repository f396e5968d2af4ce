#include "sdk/analytics/engine/FacadeDefaults.h"

#include <algorithm>

#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/FacadeState.h"
#include "sdk/analytics/engine/ConsentSettings.h"

namespace sdk::analytics {

using facade::state;
using platform::foundation::Value;

namespace {

constexpr const char* kResetRetryCount = "reset_retry_count";
constexpr const char* kNeedFirstOpenAfterReset = "need_first_open_after_reset";
constexpr const char* kAppInstanceIDAfterReset = "app_instance_id_after_reset";
constexpr const char* kDeferredAnalyticsCollection = "deferred_analytics_collection";
constexpr const char* kConsentSource = "consent_source";
constexpr const char* kDeferredConsentReset = "deferred_consent_reset";
// The consent the app set before the engine started, kept until start applies it.
constexpr const char* kConsentSettingsOnStart = "consent_settings_on_start";

std::optional<platform::foundation::Dictionary> dictionaryForKey(const char* key) {
  const Value value = state().defaults.objectForKey(key);
  return value.dictionary() ? std::optional(*value.dictionary()) : std::nullopt;
}

}  // namespace

std::int64_t FacadeDefaults::resetRetryCount() { return state().defaults.integerForKey(kResetRetryCount); }

void FacadeDefaults::setResetRetryCount(std::int64_t count) {
  auto& defaults = state().defaults;
  if (count < 1) {
    defaults.removeObjectForKey(kResetRetryCount);
  } else {
    defaults.setInteger(count, kResetRetryCount);
  }
  // The count is what makes the next start wipe again: it must not wait for a later flush.
  defaults.synchronize();
}

bool FacadeDefaults::needFirstOpenAfterReset() { return state().defaults.boolForKey(kNeedFirstOpenAfterReset); }

void FacadeDefaults::setNeedFirstOpenAfterReset(bool need) { state().defaults.setBool(need, kNeedFirstOpenAfterReset); }

void FacadeDefaults::removeNeedFirstOpenAfterReset() { state().defaults.removeObjectForKey(kNeedFirstOpenAfterReset); }

std::optional<std::string> FacadeDefaults::appInstanceIDAfterReset() {
  const Value value = state().defaults.objectForKey(kAppInstanceIDAfterReset);
  return value.string() ? std::optional(*value.string()) : std::nullopt;
}

void FacadeDefaults::setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID) {
  state().defaults.setObject(appInstanceID ? Value(*appInstanceID) : Value(), kAppInstanceIDAfterReset);
}

std::optional<bool> FacadeDefaults::deferredAnalyticsCollection() {
  const Value value = state().defaults.objectForKey(kDeferredAnalyticsCollection);
  return value.isNumber() ? std::optional(value.toBool()) : std::nullopt;
}

void FacadeDefaults::setDeferredAnalyticsCollection(const std::optional<bool>& deferred) {
  state().defaults.setObject(deferred ? Value(*deferred) : Value(), kDeferredAnalyticsCollection);
}

std::optional<FacadeDefaults::Dictionary> FacadeDefaults::consentSettings3P() {
  return dictionaryForKey(Analytics::kConsentSettings3PKey);
}

std::optional<FacadeDefaults::Dictionary> FacadeDefaults::consentSettings1P() {
  return dictionaryForKey(Analytics::kConsentSettingsKey);
}

std::optional<FacadeDefaults::Dictionary> FacadeDefaults::consentSettings1PStart() {
  return dictionaryForKey(kConsentSettingsOnStart);
}

bool FacadeDefaults::deferredResetOnDeniedConsent() { return state().defaults.boolForKey(kDeferredConsentReset); }

void FacadeDefaults::removeStartUpConsentSettings() { state().defaults.removeObjectForKey(kConsentSettingsOnStart); }

void FacadeDefaults::removeDeferredResetOnDeniedConsent() {
  state().defaults.removeObjectForKey(kDeferredConsentReset);
}

std::int64_t FacadeDefaults::persistedConsentSource() {
  const Value value = state().defaults.objectForKey(kConsentSource);
  return value.isNumber() ? value.toInt64() : ConsentSettings::kSourceNone;
}

void FacadeDefaults::persistConsentSettings(const std::optional<Dictionary>& settings, std::int64_t source) {
  auto& defaults = state().defaults;
  const char* key = source <= ConsentSettings::kSourcePublicStored ? Analytics::kConsentSettings3PKey
                                                                  : Analytics::kConsentSettingsKey;
  defaults.setObject(settings ? Value(*settings) : Value(), key);
  defaults.setInteger(source, kConsentSource);
}

void FacadeDefaults::loadPersistedConsentSettings() {
  const std::int64_t source = persistedConsentSource();
  if (source == ConsentSettings::kSourceNone) return;
  if (auto settings = consentSettings3P()) {
    ConsentSettings::setConsentSettings(*settings);
    ConsentSettings::setConsentSource(std::min(source, ConsentSettings::kSourcePublicStored));
  } else if (auto internal = consentSettings1P()) {
    ConsentSettings::setConsentSettings(*internal);
    ConsentSettings::setConsentSource(std::min(source, ConsentSettings::kSourceInternalStored));
  } else {
    ConsentSettings::setConsentSource(source);
  }
}

void FacadeDefaults::clearConsent() {
  auto& defaults = state().defaults;
  for (const char* key :
       {kConsentSource, Analytics::kConsentSettings3PKey, Analytics::kConsentSettingsKey, kConsentSettingsOnStart,
        kDeferredConsentReset}) {
    defaults.removeObjectForKey(key);
  }
  ConsentSettings::setConsentSettings(std::nullopt);
}

void FacadeDefaults::removeAppInstanceIDAfterReset() { state().defaults.removeObjectForKey(kAppInstanceIDAfterReset); }

Value FacadeDefaults::storedConsent(const std::string& key) { return state().defaults.objectForKey(key); }

void FacadeDefaults::setConsentSettingsOnStart(const Dictionary& settings) {
  state().defaults.setObject(Value(settings), kConsentSettingsOnStart);
}

void FacadeDefaults::setDeferredResetOnDeniedConsent() { state().defaults.setBool(true, kDeferredConsentReset); }

}  // namespace sdk::analytics
