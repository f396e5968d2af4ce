#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform::ui {
class Application;
}

namespace sdk::analytics {

// Device facts for bundles. Each is a process-wide setting: the answers of this machine unless a
// test or the headless runner put others in force.
struct EnvironmentInfo {
  std::string deviceModel;
  std::string deviceOSVersion;
  std::int64_t timeZoneOffsetMinutes = 0;
  std::string userDefaultLanguage;

  // The facts in force (a copy).
  static EnvironmentInfo sharedInstance();
  static void setShared(std::optional<EnvironmentInfo> facts);  // nothing: this machine's again
};

// The running application and how it was installed.
class RunningApplication {
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
struct PlatformIdentitySupport {
  static constexpr std::uint64_t kUnknownConsentStatus = ~std::uint64_t{0};

  bool hasAppDataConsentStatus = false;
  std::uint64_t appDataConsentStatus = kUnknownConsentStatus;
  bool hasLimitedAdTracking = false;
  bool limitedAdTracking = false;
  std::optional<std::string> resettableDeviceID;

  // The answers of the facts in force now.
  static PlatformIdentitySupport sharedInstance();
};

// The SDK's options file in the app bundle.
class InfoPlistFileUtil {
 public:
  static constexpr const char* kResourceName = "VadezeService-Info";
  // A few dozen keys: a file past this is not the options file.
  static constexpr std::size_t kMaximumFileBytes = std::size_t{1} << 20;
  // Its path, or empty when the bundle has none.
  static std::string serviceInfoPlistPath();
  // Its contents (a dictionary), or nil.
  static platform::foundation::Value dictionaryFromServiceInfoPlist();
};

}  // namespace sdk::analytics

