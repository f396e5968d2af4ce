#include "sdk/analytics/engine/IdentitySettings.h"

#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/InstalledValue.h"

namespace sdk::analytics {

namespace {

class RemoteConfigIdentitySettings final : public IdentitySettings {
 public:
  explicit RemoteConfigIdentitySettings(std::shared_ptr<RemoteConfig> remoteConfig)
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
  const std::shared_ptr<RemoteConfig> remoteConfig_;
};

}  // namespace

std::shared_ptr<const IdentitySettings> IdentitySettings::fromRemoteConfig(
    std::shared_ptr<RemoteConfig> remoteConfig) {
  return std::make_shared<RemoteConfigIdentitySettings>(std::move(remoteConfig));
}

std::shared_ptr<const IdentitySettings> IdentitySettings::current() {
  auto installed = InstalledValue<std::shared_ptr<const IdentitySettings>, IdentitySettings>::get();
  if (installed) return installed;
  static const auto defaults = fromRemoteConfig(RemoteConfig::defaultInstance());
  return defaults;
}

void IdentitySettings::setCurrent(std::shared_ptr<const IdentitySettings> settings) {
  InstalledValue<std::shared_ptr<const IdentitySettings>, IdentitySettings>::set(std::move(settings));
}

}  // namespace sdk::analytics

