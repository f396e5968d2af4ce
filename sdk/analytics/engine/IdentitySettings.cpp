#include "sdk/analytics/engine/IdentitySettings.h"

#include <mutex>

#include "sdk/analytics/engine/APMRemoteConfig.h"

namespace sdk::analytics {
namespace {

class RemoteConfigIdentitySettings final : public IdentitySettings {
 public:
  explicit RemoteConfigIdentitySettings(std::shared_ptr<APMRemoteConfig> remoteConfig)
      : remoteConfig_(std::move(remoteConfig)) {}

  bool isConsentSettingsEnabled() const override { return remoteConfig_->isConsentSettingsEnabled(); }
  bool isConsentSettings3PEnabled() const override { return remoteConfig_->isConsentSettings3PEnabled(); }
  bool nonBlockingAppInstanceIDEnabled() const override { return remoteConfig_->nonBlockingAppInstanceIDEnabled(); }
  double adIDCacheTime() const override { return remoteConfig_->adIDCacheTime(); }
  bool gateIDFAOnATTMASEnabled() const override { return remoteConfig_->gateIDFAOnATTMASEnabled(); }
  bool lastAdvertisingIDResetFeatureEnabled() const override {
    return remoteConfig_->lastAdvertisingIDResetFeatureEnabled();
  }

 private:
  const std::shared_ptr<APMRemoteConfig> remoteConfig_;
};

std::mutex& settingsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::shared_ptr<const IdentitySettings>& installed() {
  static std::shared_ptr<const IdentitySettings> settings;
  return settings;
}

}  // namespace

std::shared_ptr<const IdentitySettings> IdentitySettings::fromRemoteConfig(
    std::shared_ptr<APMRemoteConfig> remoteConfig) {
  return std::make_shared<RemoteConfigIdentitySettings>(std::move(remoteConfig));
}

std::shared_ptr<const IdentitySettings> IdentitySettings::current() {
  {
    std::lock_guard lock(settingsMutex());
    if (installed()) return installed();
  }
  static const auto defaults = fromRemoteConfig(APMRemoteConfig::defaultInstance());
  return defaults;
}

void IdentitySettings::setCurrent(std::shared_ptr<const IdentitySettings> settings) {
  std::lock_guard lock(settingsMutex());
  installed() = std::move(settings);
}

}  // namespace sdk::analytics
