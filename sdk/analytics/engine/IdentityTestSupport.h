#pragma once

#include <memory>

#include "sdk/analytics/engine/APMConsentSettingsUtil.h"
#include "sdk/analytics/engine/IdentitySettings.h"

namespace sdk::analytics::testing {

// Settings a test can turn, installed for its scope; consent starts empty and is emptied again after.
class ScopedIdentitySettings : public IdentitySettings {
 public:
  bool consentEnabled = true;
  bool consent3PEnabled = true;
  bool nonBlocking = false;
  double cacheTime = 1;
  bool attGate = false;
  bool resetFeature = true;

  static std::shared_ptr<ScopedIdentitySettings> install() {
    auto settings = std::make_shared<ScopedIdentitySettings>();
    IdentitySettings::setCurrent(settings);
    APMConsentSettingsUtil::setConsentSettings(std::nullopt);
    return settings;
  }
  static void uninstall() {
    IdentitySettings::setCurrent(nullptr);
    APMConsentSettingsUtil::setConsentSettings(std::nullopt);
  }

  bool isConsentSettingsEnabled() const override { return consentEnabled; }
  bool isConsentSettings3PEnabled() const override { return consent3PEnabled; }
  bool nonBlockingAppInstanceIDEnabled() const override { return nonBlocking; }
  double adIDCacheTime() const override { return cacheTime; }
  bool gateIDFAOnATTMASEnabled() const override { return attGate; }
  bool lastAdvertisingIDResetFeatureEnabled() const override { return resetFeature; }
};

}  // namespace sdk::analytics::testing
