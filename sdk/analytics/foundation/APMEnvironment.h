#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform::ui {
class Application;
}

// Device facts for bundles. Each is a process-wide setting: the answers of this machine unless a
// test or the headless runner put others in force.
struct APMEnvironmentInfo {
  std::string deviceModel;
  std::string deviceOSVersion;
  std::int64_t timeZoneOffsetMinutes = 0;
  std::string userDefaultLanguage;

  // The facts in force (a copy).
  static APMEnvironmentInfo sharedInstance();
  static void setShared(std::optional<APMEnvironmentInfo> facts);  // nothing: this machine's again
};

// The running application and how it was installed.
class APMAEU {
 public:
  // nullptr inside an app extension.
  static std::shared_ptr<platform::ui::Application> sharedApplication();
  // Installed from the store.
  static bool isFAS();
  // Running in the store's test environment.
  static bool isASRS();
};

// The advertising-identity services of the phone as this library asks them, over the platform's
// identity facts (absent on Linux unless a test puts facts in force).
struct APMPlatformIdentitySupport {
  static constexpr std::uint64_t kUnknownConsentStatus = ~std::uint64_t{0};

  bool hasAppDataConsentStatus = false;
  std::uint64_t appDataConsentStatus = kUnknownConsentStatus;
  bool hasLimitedAdTracking = false;
  bool limitedAdTracking = false;
  std::optional<std::string> resettableDeviceID;

  // The answers of the facts in force now.
  static APMPlatformIdentitySupport sharedInstance();
};

// The SDK's options file in the app bundle.
class APMInfoPlistFileUtil {
 public:
  static constexpr const char* kResourceName = "VadezeService-Info";
  // Its path, or empty when the bundle has none.
  static std::string vadezeServiceInfoPlistPath();
  // Its contents (a dictionary), or nil.
  static platform::foundation::Value dictionaryFromVadezeServiceInfoPlist();
};
