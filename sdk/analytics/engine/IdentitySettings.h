#pragma once

#include <memory>

namespace sdk::analytics {

// The measurement settings that consent and identity read. They are asked from many queues, often
// before the engine exists, so the source in force is process-wide; until the engine's own settings are
// installed (and in tests that install their own) the defaults below answer.
class IdentitySettings {
 public:
  virtual ~IdentitySettings() = default;

  // "measurement.api.consent_settings": consent is applied at all.
  virtual bool isConsentSettingsEnabled() const { return true; }
  // "measurement.api.consent_settings_3p": the consent signal string is sent.
  virtual bool isConsentSettings3PEnabled() const { return true; }
  // "measurement.non_blocking_app_instance_id_enabled": the main thread reads the app instance ID
  // without waiting for the identity queue.
  virtual bool nonBlockingAppInstanceIDEnabled() const { return false; }
  // "measurement.ad_id_cache_time", in seconds: how long a refresh of the identifiers stands.
  virtual double adIDCacheTime() const { return 1; }
  // "measurement.attmas_gate": the advertising ID is used only when tracking is authorised.
  virtual bool gateIDFAOnATTMASEnabled() const { return false; }
  // "measurement.last_advertising_id_reset_feature_enabled".
  virtual bool lastAdvertisingIDResetFeatureEnabled() const { return true; }

  // The source in force: the installed one, else the defaults.
  static std::shared_ptr<const IdentitySettings> current();
  // nullptr puts the defaults back.
  static void setCurrent(std::shared_ptr<const IdentitySettings> settings);
};

}  // namespace sdk::analytics
