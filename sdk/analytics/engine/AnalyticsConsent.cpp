#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/AnalyticsState.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/IdentitySettings.h"

namespace sdk::analytics {

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

std::int64_t Analytics::resetRetryCount() { return state().defaults.integerForKey(kResetRetryCount); }

void Analytics::setResetRetryCount(std::int64_t count) {
  auto& defaults = state().defaults;
  if (count < 1) {
    defaults.removeObjectForKey(kResetRetryCount);
  } else {
    defaults.setInteger(count, kResetRetryCount);
  }
  // The count is what makes the next start wipe again: it must not wait for a later flush.
  defaults.synchronize();
}

bool Analytics::needFirstOpenAfterReset() { return state().defaults.boolForKey(kNeedFirstOpenAfterReset); }

void Analytics::setNeedFirstOpenAfterReset(bool need) { state().defaults.setBool(need, kNeedFirstOpenAfterReset); }

void Analytics::removeNeedFirstOpenAfterReset() { state().defaults.removeObjectForKey(kNeedFirstOpenAfterReset); }

std::optional<std::string> Analytics::appInstanceIDAfterReset() {
  const Value value = state().defaults.objectForKey(kAppInstanceIDAfterReset);
  return value.string() ? std::optional(*value.string()) : std::nullopt;
}

void Analytics::setAppInstanceIDAfterReset(const std::optional<std::string>& appInstanceID) {
  state().defaults.setObject(appInstanceID ? Value(*appInstanceID) : Value(), kAppInstanceIDAfterReset);
}

std::optional<bool> Analytics::deferredAnalyticsCollection() {
  const Value value = state().defaults.objectForKey(kDeferredAnalyticsCollection);
  return value.isNumber() ? std::optional(value.toBool()) : std::nullopt;
}

void Analytics::setDeferredAnalyticsCollection(const std::optional<bool>& deferred) {
  state().defaults.setObject(deferred ? Value(*deferred) : Value(), kDeferredAnalyticsCollection);
}

std::optional<Analytics::Dictionary> Analytics::consentSettings3P() { return dictionaryForKey(kConsentSettings3PKey); }

std::optional<Analytics::Dictionary> Analytics::consentSettings1P() { return dictionaryForKey(kConsentSettingsKey); }

std::optional<Analytics::Dictionary> Analytics::consentSettings1PStart() {
  return dictionaryForKey(kConsentSettingsOnStart);
}

bool Analytics::deferredResetOnDeniedConsent() { return state().defaults.boolForKey(kDeferredConsentReset); }

void Analytics::removeStartUpConsentSettings() { state().defaults.removeObjectForKey(kConsentSettingsOnStart); }

void Analytics::removeDeferredResetOnDeniedConsent() { state().defaults.removeObjectForKey(kDeferredConsentReset); }

// --- consent

std::int64_t Analytics::persistedConsentSource() {
  const Value value = state().defaults.objectForKey(kConsentSource);
  return value.isNumber() ? value.toInt64() : ConsentSettings::kSourceNone;
}

void Analytics::persistConsentSettings(const std::optional<Dictionary>& settings, std::int64_t source) {
  auto& defaults = state().defaults;
  const char* key =
      source <= ConsentSettings::kSourcePublicStored ? kConsentSettings3PKey : kConsentSettingsKey;
  defaults.setObject(settings ? Value(*settings) : Value(), key);
  defaults.setInteger(source, kConsentSource);
}

void Analytics::loadPersistedConsentSettings() {
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

void Analytics::clearConsent() {
  auto& defaults = state().defaults;
  for (const char* key :
       {kConsentSource, kConsentSettings3PKey, kConsentSettingsKey, kConsentSettingsOnStart, kDeferredConsentReset}) {
    defaults.removeObjectForKey(key);
  }
  ConsentSettings::setConsentSettings(std::nullopt);
}

void Analytics::setConsent(const Dictionary& settings, const std::string& key) {
  const auto remote = sdk::analytics::IdentitySettings::current();
  if (!remote->isConsentSettingsEnabled()) return;
  if (key == kConsentSettings3PKey && !remote->isConsentSettings3PEnabled()) return;
  if (ConsentSettings::consentSource() == ConsentSettings::kSourceNone) loadPersistedConsentSettings();

  auto monitor = facade::monitor();
  Dictionary kept = ConsentSettings::consentSettingsFromDictionary(Value(settings));
  for (auto it = kept.begin(); it != kept.end();) {
    const std::string* text = it->second.string();
    if (text && (*text == ConsentSettings::kGranted || *text == ConsentSettings::kDenied)) {
      ++it;
      continue;
    }
    monitor->logWithLevel(LogLevel::kWarning, messages::kConsentValueInvalid,
                          "Valid consent values are 'granted' and 'denied'. Ignoring invalid consent setting",
                          it->second);
    it = kept.erase(it);
  }
  if (kept.empty()) {
    monitor->logWithLevel(LogLevel::kWarning, messages::kEmptyConsentSettingsDiscarded,
                          "Discarding empty consent settings");
    return;
  }
  const std::int64_t source =
      key == kConsentSettings3PKey ? ConsentSettings::kSourcePublic : ConsentSettings::kSourceInternal;
  if (!ConsentSettings::isConsentSourceHigherPriority(source)) {
    monitor->logWithLevel(LogLevel::kWarning, messages::kLowerPriorityConsentIgnored,
                          "Ignoring lower priority consent settings");
    return;
  }
  const Value previous = state().defaults.objectForKey(key);
  ConsentSettings::updateSettings(kept);
  ConsentSettings::setConsentSource(source);
  persistConsentSettings(ConsentSettings::consentSettings(), source);

  if (!ConsentSettings::didWithdrawPreviousConsent(previous)) return;
  setAppInstanceIDAfterReset(std::nullopt);
  auto engine = facade::engine();
  if (engine && engine->didInitializeComponents()) {
    resetAnalyticsData();
  } else {
    state().defaults.setBool(true, kDeferredConsentReset);
  }
}

// --- reset

void Analytics::resetAnalyticsData() {
  setLoadTimestamp(facade::now());
  setResetRetryCount(resetRetryCount() + 1);
  setNeedFirstOpenAfterReset(true);
  std::optional<std::string> appInstanceID = Identity::randomAppInstanceID();
  if (appInstanceID->empty()) {
    facade::monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kAppInstanceIDGenerationFailed,
                                    "Cannot generate a new app instance ID");
    return;
  }
  if (ConsentSettings::isAnalyticsStorageDenied()) {
    appInstanceID.reset();
  } else {
    setAppInstanceIDAfterReset(appInstanceID);
  }
  queueOperationWithBlock([appInstanceID] {
    auto engine = facade::engine();
    if (!engine) return;
    if (!engine->resetAnalyticsDataWithAppInstanceID(appInstanceID)) {
      facade::monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kAnalyticsDataResetFailed,
                                      "Failed to reset Analytics data");
      return;
    }
    setResetRetryCount(0);
    if (appInstanceID && appInstanceIDAfterReset() == appInstanceID) {
      state().defaults.removeObjectForKey(kAppInstanceIDAfterReset);
    }
  });
}

std::optional<std::string> Analytics::appInstanceID() {
  if (ConsentSettings::isAnalyticsStorageDenied()) return std::nullopt;
  if (auto afterReset = appInstanceIDAfterReset(); afterReset && !afterReset->empty()) return afterReset;
  return facade::identity()->appInstanceID();
}

}  // namespace sdk::analytics

