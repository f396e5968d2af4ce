#include "sdk/analytics/engine/ConsentSettings.h"

#include <strings.h>

#include "platform/foundation/Bundle.h"
#include "sdk/analytics/engine/IdentitySettings.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

struct ConsentState {
  std::optional<Dictionary> settings;
  std::int64_t source = ConsentSettings::kSourceNone;
};

// Touched only on the serial queue. Never destroyed: a change queued just before the process ends may
// still be running while statics are torn down.
ConsentState& consentState() {
  static auto* consent = new ConsentState;
  return *consent;
}

bool holds(const Value& value, const char* word) {
  const std::string* text = value.string();
  return text && strcasecmp(text->c_str(), word) == 0;
}

bool deniedIn(const std::optional<Dictionary>& settings, const char* key) {
  if (!settings) return false;
  auto found = settings->find(key);
  return found != settings->end() && holds(found->second, ConsentSettings::kDenied);
}

bool storageDenied(const char* key) {
  if (!sdk::analytics::IdentitySettings::current()->isConsentSettingsEnabled()) return false;
  bool denied = false;
  ConsentSettings::serialQueue()->sync([&] { denied = deniedIn(consentState().settings, key); });
  return denied;
}

char signalFor(const Value& value) {
  if (holds(value, ConsentSettings::kDenied)) return '0';
  if (holds(value, ConsentSettings::kGranted)) return '1';
  return '-';
}

}  // namespace

std::shared_ptr<platform::dispatch::Queue> ConsentSettings::serialQueue() {
  static const auto queue = platform::dispatch::Queue::serial("APMConsentSettingsUtilQueue");
  return queue;
}

std::optional<Dictionary> ConsentSettings::consentSettings() {
  std::optional<Dictionary> copy;
  serialQueue()->sync([&] { copy = consentState().settings; });
  return copy;
}

void ConsentSettings::setConsentSettings(const std::optional<Dictionary>& settings) {
  serialQueue()->async([settings] {
    consentState().settings = settings;
    if (!settings) consentState().source = kSourceNone;
  });
}

std::int64_t ConsentSettings::consentSource() {
  std::int64_t source = kSourceNone;
  serialQueue()->sync([&] { source = consentState().source; });
  return source;
}

void ConsentSettings::setConsentSource(std::int64_t source) {
  serialQueue()->async([source] { consentState().source = source; });
}

void ConsentSettings::updateSettings(const Dictionary& entries) {
  serialQueue()->async([entries] {
    Dictionary merged = consentState().settings.value_or(Dictionary{});
    for (const auto& [key, value] : entries) merged[key] = value;
    consentState().settings = std::move(merged);
  });
}

bool ConsentSettings::isAdStorageDenied() { return storageDenied(kAdStorage); }

bool ConsentSettings::isAnalyticsStorageDenied() { return storageDenied(kAnalyticsStorage); }

Dictionary ConsentSettings::consentSettingsFromDictionary(const Value& dictionary) {
  Dictionary found;
  for (const char* key : {kAdStorage, kAnalyticsStorage}) {
    const Value& value = dictionary[key];
    if (!value.isNil()) found[key] = value;
  }
  return found;
}

Dictionary ConsentSettings::consentSettingsFromPlist() {
  Dictionary defaults;
  auto bundle = platform::foundation::Bundle::main();
  if (!bundle) return defaults;
  const std::pair<const char*, const char*> keys[] = {{kDefaultAllowAdStorageKey, kAdStorage},
                                                      {kDefaultAllowAnalyticsStorageKey, kAnalyticsStorage}};
  for (const auto& [plistKey, consentKey] : keys) {
    const Value& allowed = bundle->objectForInfoDictionaryKey(plistKey);
    if (allowed.isNumber()) defaults[consentKey] = Value(allowed.toBool() ? kGranted : kDenied);
  }
  return defaults;
}

bool ConsentSettings::didWithdrawPreviousConsent(const Value& previous) {
  if (!sdk::analytics::IdentitySettings::current()->isConsentSettingsEnabled()) return false;
  if (!previous.isNil() && !previous.isDictionary()) return false;
  auto current = consentSettings();
  if (!current) return false;
  std::optional<Dictionary> before;
  if (previous.isDictionary()) before = *previous.dictionary();
  if (before && *before == *current) return false;
  for (const char* key : {kAdStorage, kAnalyticsStorage}) {
    if (!deniedIn(before, key) && deniedIn(current, key)) return true;
  }
  return false;
}

bool ConsentSettings::isConsentSourceHigherPriority(std::int64_t source) {
  return consentSource() >= source;
}

std::optional<std::string> ConsentSettings::consentSignals() {
  auto settings = sdk::analytics::IdentitySettings::current();
  if (!settings->isConsentSettings3PEnabled() || !settings->isConsentSettingsEnabled()) return std::nullopt;
  Value current(consentSettings().value_or(Dictionary{}));
  return std::string("G1") + signalFor(current[kAdStorage]) + signalFor(current[kAnalyticsStorage]);
}

std::string ConsentSettings::description() {
  Value current(consentSettings().value_or(Dictionary{}));
  auto shown = [&](const char* key) {
    const Value& value = current[key];
    if (value.isNil()) return std::string(kGranted);
    return value.isString() ? *value.string() : value.description();
  };
  return std::string(kAdStorage) + " is " + shown(kAdStorage) + ". " + kAnalyticsStorage + " is " +
         shown(kAnalyticsStorage) + ".";
}

}  // namespace sdk::analytics

