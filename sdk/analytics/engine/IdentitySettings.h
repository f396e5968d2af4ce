#pragma once

#include <memory>

namespace sdk::analytics {

class RemoteConfig;

// The measurement settings that consent and identity read. They are asked from many queues, often
// before the engine exists, so the source in force is process-wide: the engine installs its own
// settings when it is created; until then the settings' defaults answer.
class IdentitySettings {
 public:
  virtual ~IdentitySettings() = default;

  // "measurement.api.consent_settings": consent is applied at all.
  virtual bool isConsentSettingsEnabled() const = 0;
  // "measurement.api.consent_settings_3p": the consent signal string is sent.
  virtual bool isConsentSettings3PEnabled() const = 0;
  // The main thread reads the app instance ID without waiting for the identity queue.
  virtual bool nonBlockingAppInstanceIDEnabled() const = 0;
  // Seconds a refresh of the identifiers stands.
  virtual double adIDCacheTime() const = 0;
  // "measurement.attmas_gate": the advertising ID is used only when tracking is authorised.
  virtual bool gateIDFAOnATTMASEnabled() const = 0;
  virtual bool lastAdvertisingIDResetFeatureEnabled() const = 0;

  // The settings of `remoteConfig`.
  static std::shared_ptr<const IdentitySettings> fromRemoteConfig(std::shared_ptr<RemoteConfig> remoteConfig);
  // The source in force: the installed one, else the default settings'.
  static std::shared_ptr<const IdentitySettings> current();
  // nullptr puts the default settings back.
  static void setCurrent(std::shared_ptr<const IdentitySettings> settings);
};

}  // namespace sdk::analytics

