#pragma once

#include <map>
#include <memory>
#include <string>

#include "sdk/analytics/foundation/MeasurementFieldIndices.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"

namespace ostrel::testing {

// The app and the device the engine's tests measure for.
inline constexpr const char* kMeasurementAppID = "1:100000000001:ios:0123456789abcdef";
inline constexpr const char* kMeasurementVendorID = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

// A measurement configuration of `appID` carrying the given "measurement." settings, as the
// configuration service serves them (values as texts).
inline std::shared_ptr<sdk::analytics::ProtoMeasurementConfig> measurementConfig(const std::string& appID,
                                                                 const std::map<std::string, std::string>& settings) {
  using namespace sdk::analytics::measurement_fields;
  auto config = sdk::analytics::ProtoMeasurementConfig::make();
  sdk::analytics::nanoSetString(*config, kConfigAppID, appID);
  for (const auto& [name, value] : settings) {
    auto setting = sdk::analytics::ProtoSetting::make();
    sdk::analytics::nanoSetString(*setting, kSettingName, name);
    sdk::analytics::nanoSetString(*setting, kSettingValue, value);
    sdk::analytics::nanoAddMessage(*config, kConfigSettings, *setting);
  }
  return config;
}

}  // namespace ostrel::testing
