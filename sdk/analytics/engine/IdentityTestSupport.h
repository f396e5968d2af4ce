#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/DefaultIdentitySupport.h"
#include "sdk/analytics/engine/IdentitySettings.h"

namespace sdk::analytics {

}  // namespace sdk::analytics

namespace ostrel::testing {

// The helpers sit beside the analytics code they drive.
using namespace sdk::analytics;

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
    sdk::analytics::ConsentSettings::setConsentSettings(std::nullopt);
    return settings;
  }
  static void uninstall() {
    IdentitySettings::setCurrent(nullptr);
    sdk::analytics::ConsentSettings::setConsentSettings(std::nullopt);
  }

  bool isConsentSettingsEnabled() const override { return consentEnabled; }
  bool isConsentSettings3PEnabled() const override { return consent3PEnabled; }
  bool nonBlockingAppInstanceIDEnabled() const override { return nonBlocking; }
  double adIDCacheTime() const override { return cacheTime; }
  bool gateIDFAOnATTMASEnabled() const override { return attGate; }
  bool lastAdvertisingIDResetFeatureEnabled() const override { return resetFeature; }
};

// The advertising services as a test sets them, counting how often the identifier is read.
class FakeIdentitySupport : public sdk::analytics::IdentitySupport {
 public:
  bool hasAppDataConsentStatus() const override { return hasStatus; }
  std::uint64_t appDataConsentStatus() const override { return status; }
  bool hasLimitedAdTracking() const override { return present; }
  bool limitedAdTracking() const override { return limited; }
  std::optional<std::string> resettableDeviceID() const override {
    ++reads;
    return deviceID;
  }

  std::atomic<bool> present{true};
  std::atomic<bool> limited{false};
  std::atomic<bool> hasStatus{true};
  std::atomic<std::uint64_t> status{3};
  std::optional<std::string> deviceID;  // set before the identity reads it
  mutable std::atomic<int> reads{0};
};

}  // namespace ostrel::testing
