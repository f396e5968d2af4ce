#pragma once

#include <optional>
#include <string>

namespace sdk::utilities {

// Facts about the device and about how the app was installed. They only inform logging, diagnostics
// and reporting; nothing is withheld on their account. The raw facts come from
// platform::foundation::SystemFacts and the main bundle; the order of the checks below is what
// decides, so a test can walk every branch by changing one fact.
class AppEnvironmentUtil {
 public:
  static bool isFromAppStore();
  static bool isAppStoreReceiptSandbox();
  static bool isSimulator();
  // The hardware model ("x86_64" on this machine); nullopt when the system cannot say.
  static std::optional<std::string> deviceModel();
  static std::string systemVersion();
  static bool isAppExtension();
  static bool isIOS7OrHigher() { return true; }
  static bool hasSwiftRuntime();
  static std::string applePlatform();
  static std::string deploymentType();
};

}  // namespace sdk::utilities

