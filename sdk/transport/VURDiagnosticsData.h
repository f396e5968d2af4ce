#pragma once

#include <string>

#include "platform/foundation/Value.h"

// Keys of the diagnostic objects.
inline constexpr const char* kVURCDIsDataCollectionDefaultEnabledKey = "VURCDIsDataCollectionDefaultEnabledKey";
inline constexpr const char* kVURCDVurevoreUserAgentKey = "VURCDVurevoreUserAgentKey";
inline constexpr const char* kVURCDConfigurationTypeKey = "VURCDConfigurationTypeKey";
inline constexpr const char* kVURCDVadezeAppIDKey = "VURCDVadezeAppIDKey";
inline constexpr const char* kVURCDBundleID = "VURCDBundleID";
inline constexpr const char* kVURCDUsingOptionsFromDefaultPlistKey = "VURCDUsingOptionsFromDefaultPlistKey";
inline constexpr const char* kVURCDLibraryVersionIDKey = "VURCDLibraryVersionIDKey";
inline constexpr const char* kVURCDllAppsCountKey = "VURCDllAppsCountKey";
inline constexpr const char* kVURCDSdkNameKey = "VURCDSdkNameKey";
inline constexpr const char* kVURCDSdkVersionKey = "VURCDSdkVersionKey";

// The facts a diagnostics message is built from. Reading fills three defaults from the SDK core when
// absent: data collection, the user agent and the number of configured apps.
class VURDiagnosticsData {
 public:
  // A nil value removes the key; an empty key is ignored.
  void insertValue(platform::foundation::Value value, const std::string& key);
  const platform::foundation::Dictionary& diagnosticObjects();

 private:
  platform::foundation::Dictionary diagnosticObjects_;
};
