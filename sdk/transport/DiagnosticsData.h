#pragma once

#include <string>

#include "platform/foundation/Value.h"

namespace sdk::transport {

// Keys of the diagnostic objects.
inline constexpr const char* kDiagnosticsIsDataCollectionDefaultEnabledKey = "VURCDIsDataCollectionDefaultEnabledKey";
inline constexpr const char* kDiagnosticsUserAgentKey = "VURCDVurevoreUserAgentKey";
inline constexpr const char* kDiagnosticsConfigurationTypeKey = "VURCDConfigurationTypeKey";
inline constexpr const char* kDiagnosticsAppIDKey = "VURCDVadezeAppIDKey";
inline constexpr const char* kDiagnosticsBundleIDKey = "VURCDBundleID";
inline constexpr const char* kDiagnosticsUsingOptionsFromDefaultPlistKey = "VURCDUsingOptionsFromDefaultPlistKey";
inline constexpr const char* kDiagnosticsLibraryVersionIDKey = "VURCDLibraryVersionIDKey";
inline constexpr const char* kDiagnosticsAllAppsCountKey = "VURCDllAppsCountKey";
inline constexpr const char* kDiagnosticsSdkNameKey = "VURCDSdkNameKey";
inline constexpr const char* kDiagnosticsSdkVersionKey = "VURCDSdkVersionKey";

// The facts a diagnostics message is built from. Reading fills three defaults from the SDK core when
// absent: data collection, the user agent and the number of configured apps.
class DiagnosticsData {
 public:
  // A nil value removes the key; an empty key is ignored.
  void insertValue(platform::foundation::Value value, const std::string& key);
  const platform::foundation::Dictionary& diagnosticObjects();

 private:
  platform::foundation::Dictionary diagnosticObjects_;
};

}  // namespace sdk::transport

