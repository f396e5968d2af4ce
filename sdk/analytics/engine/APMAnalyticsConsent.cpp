#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMAnalyticsState.h"
#include "sdk/analytics/engine/APMConsentSettingsUtil.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/IdentitySettings.h"

namespace facade = sdk::analytics::facade;
using facade::kConsentSettingsOnStart;
using facade::state;
using platform::foundation::Value;

namespace {

constexpr const char* kResetRetryCount = "reset_retry_count";
constexpr const char* kNeedFirstOpenAfterReset = "need_first_open_after_reset";
constexpr const char* kAppInstanceIDAfterReset = "app_instance_id_after_reset";
constexpr const char* kDeferredAnalyticsCollection = "deferred_analytics_collection";
constexpr const char* kConsentSource = "consent_source";
constexpr const char* kDeferredConsentReset = "deferred_consent_reset";

std::optional<platform::foundation::Dictionary> dictionaryForKey(const char* key) {
  const Value value = state().defaults.objectForKey(key);
  return value.dictionary() ? std::optional(*value.dictionary()) : std::nullopt;
}

}  // namespace

// --- the suite

std::int64_t APMAnalytics::resetRetryCount() { return state().defaults.integerForKey(kResetRetryCount); }

void APMAnalytics::setResetRetryCount(std::int64_t count) {
  auto& defaults = state().defaults;
  if (count < 1) {
    defaults.removeObjectForKey(kResetRetryCount);
  } else {
    defaults.setInteger(count, kResetRetryCount);
  }
  // The count is what makes the next start wipe again: it must not wait for a later flush.
  defaults.synchronize();
}

bool APMAnalytics::needFirstOpenAfterReset() { return state().defaults.boolForKey(kNeedFirstOpenAfterReset); }

void APMAnalytics::setNeedFirstOpenAfterReset(bool need) { state().defaults.setBool(need, kNeedFirstOpenAfterReset); }

void APMAnalytics::removeNeedFirstOpenAfterReset() { state().defaults.removeObjectForKey(kNeedFirstOpenAfterReset); }

std::optional<std::string> APMAnalytics::appInstanceIDAfterReset() {
  const Value value = state().defaults.objectForKey(kAppInstanceIDAfterReset);
  return value.string() ? std::optional(*value.string()) : std::nullopt;
}

void APMAnalytics::setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID) {
  state().defaults.setObject(appInstanceID ? Value(*appInstanceID) : Value(), kAppInstanceIDAfterReset);
}

std::optional<bool> APMAnalytics::deferredAnalyticsCollection() {
  const Value value = state().defaults.objectForKey(kDeferredAnalyticsCollection);
  return value.isNumber() ? std::optional(value.toBool()) : std::nullopt;
}

void APMAnalytics::setDeferredAnalyticsCollection(const std::optional<bool>& deferred) {
  state().defaults.setObject(deferred ? Value(*deferred) : Value(), kDeferredAnalyticsCollection);
}

std::optional<APMAnalytics::Dictionary> APMAnalytics::consentSettings3P() { return dictionaryForKey(kConsentSettings3PKey); }

std::optional<APMAnalytics::Dictionary> APMAnalytics::consentSettings1P() { return dictionaryForKey(kConsentSettingsKey); }

std::optional<APMAnalytics::Dictionary> APMAnalytics::consentSettings1PStart() {
  return dictionaryForKey(kConsentSettingsOnStart);
}

bool APMAnalytics::deferredResetOnDeniedConsent() { return state().defaults.boolForKey(kDeferredConsentReset); }

void APMAnalytics::removeStartUpConsentSettings() { state().defaults.removeObjectForKey(kConsentSettingsOnStart); }

void APMAnalytics::removeDeferredResetOnDeniedConsent() { state().defaults.removeObjectForKey(kDeferredConsentReset); }

// --- consent

std::int64_t APMAnalytics::persistedConsentSource() {
  const Value value = state().defaults.objectForKey(kConsentSource);
  return value.isNumber() ? value.toInt64() : APMConsentSettingsUtil::kSourceNone;
}

void APMAnalytics::persistConsentSettings(const std::optional<Dictionary>& settings, std::int64_t source) {
  auto& defaults = state().defaults;
  const char* key =
      source <= APMConsentSettingsUtil::kSourcePublicStored ? kConsentSettings3PKey : kConsentSettingsKey;
  defaults.setObject(settings ? Value(*settings) : Value(), key);
  defaults.setInteger(source, kConsentSource);
}

void APMAnalytics::loadPersistedConsentSettings() {
  const std::int64_t source = persistedConsentSource();
  if (source == APMConsentSettingsUtil::kSourceNone) return;
  if (auto settings = consentSettings3P()) {
    APMConsentSettingsUtil::setConsentSettings(*settings);
    APMConsentSettingsUtil::setConsentSource(std::min(source, APMConsentSettingsUtil::kSourcePublicStored));
  } else if (auto internal = consentSettings1P()) {
    APMConsentSettingsUtil::setConsentSettings(*internal);
    APMConsentSettingsUtil::setConsentSource(std::min(source, APMConsentSettingsUtil::kSourceInternalStored));
  } else {
    APMConsentSettingsUtil::setConsentSource(source);
  }
}

void APMAnalytics::clearConsent() {
  auto& defaults = state().defaults;
  for (const char* key :
       {kConsentSource, kConsentSettings3PKey, kConsentSettingsKey, kConsentSettingsOnStart, kDeferredConsentReset}) {
    defaults.removeObjectForKey(key);
  }
  APMConsentSettingsUtil::setConsentSettings(std::nullopt);
}

void APMAnalytics::setConsent(const Dictionary& settings, const std::string& key) {
  const auto remote = sdk::analytics::IdentitySettings::current();
  if (!remote->isConsentSettingsEnabled()) return;
  if (key == kConsentSettings3PKey && !remote->isConsentSettings3PEnabled()) return;
  if (APMConsentSettingsUtil::consentSource() == APMConsentSettingsUtil::kSourceNone) loadPersistedConsentSettings();

  auto monitor = facade::monitor();
  Dictionary kept = APMConsentSettingsUtil::consentSettingsFromDictionary(Value(settings));
  for (auto it = kept.begin(); it != kept.end();) {
    const std::string* text = it->second.string();
    if (text && (*text == APMConsentSettingsUtil::kGranted || *text == APMConsentSettingsUtil::kDenied)) {
      ++it;
      continue;
    }
    monitor->logWithLevel(3, 25042, "Valid consent values are 'granted' and 'denied'. Ignoring invalid consent setting",
                          it->second);
    it = kept.erase(it);
  }
  if (kept.empty()) {
    monitor->logWithLevel(3, 25041, "Discarding empty consent settings");
    return;
  }
  const std::int64_t source =
      key == kConsentSettings3PKey ? APMConsentSettingsUtil::kSourcePublic : APMConsentSettingsUtil::kSourceInternal;
  if (!APMConsentSettingsUtil::isConsentSourceHigherPriority(source)) {
    monitor->logWithLevel(3, 25043, "Ignoring lower priority consent settings");
    return;
  }
  const Value previous = state().defaults.objectForKey(key);
  APMConsentSettingsUtil::updateSettings(kept);
  APMConsentSettingsUtil::setConsentSource(source);
  persistConsentSettings(APMConsentSettingsUtil::consentSettings(), source);

  if (!APMConsentSettingsUtil::didWithdrawPreviousConsent(previous)) return;
  setAppInstanceIDAfterReset(std::nullopt);
  auto engine = facade::engine();
  if (engine && engine->didInitializeComponents()) {
    resetAnalyticsData();
  } else {
    state().defaults.setBool(true, kDeferredConsentReset);
  }
}

// --- reset

void APMAnalytics::resetAnalyticsData() {
  setLoadTimestamp(facade::now());
  setResetRetryCount(resetRetryCount() + 1);
  setNeedFirstOpenAfterReset(true);
  std::optional<std::string> appInstanceID = APMIdentity::randomAppInstanceID();
  if (appInstanceID->empty()) {
    facade::monitor()->logWithLevel(1, 25039, "Cannot generate a new app instance ID");
    return;
  }
  if (APMConsentSettingsUtil::isAnalyticsStorageDenied()) {
    appInstanceID.reset();
  } else {
    setAppInstanceIDAfterReset(appInstanceID);
  }
  queueOperationWithBlock([appInstanceID] {
    auto engine = facade::engine();
    if (!engine) return;
    if (!engine->resetAnalyticsDataWithAppInstanceID(appInstanceID)) {
      facade::monitor()->logWithLevel(1, 25037, "Failed to reset Analytics data");
      return;
    }
    setResetRetryCount(0);
    if (appInstanceID && appInstanceIDAfterReset() == appInstanceID) {
      state().defaults.removeObjectForKey(kAppInstanceIDAfterReset);
    }
  });
}

std::optional<std::string> APMAnalytics::appInstanceID() {
  if (APMConsentSettingsUtil::isAnalyticsStorageDenied()) return std::nullopt;
  if (auto afterReset = appInstanceIDAfterReset(); afterReset && !afterReset->empty()) return afterReset;
  return facade::identity()->appInstanceID();
}
