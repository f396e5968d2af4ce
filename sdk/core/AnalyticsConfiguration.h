#pragma once

#include <memory>
#include <string>

#include "platform/foundation/Value.h"

namespace sdk::core {

// The analytics collection switch, kept where analytics reads it at its next start.
class AnalyticsConfiguration {
 public:
  static constexpr const char* kMeasurementEnabledStateKey = "/vadeze/measurement/measurement_enabled_state";
  static constexpr const char* kSetEnabledNotification = "ZEDIvadazudoConfigurationSetEnabledNotification";

  static std::shared_ptr<AnalyticsConfiguration> sharedInstance();

  void setAnalyticsCollectionEnabled(bool enabled) { setAnalyticsCollectionEnabled(enabled, true); }
  // Persisting stores 1 (on) or 2 (off), never 0, which reads as "never chosen". The notification is
  // posted either way.
  void setAnalyticsCollectionEnabled(bool enabled, bool persistSetting);
  // Posts only for a non-empty name and a non-nil value; the user info has the name as its one key.
  void postNotificationName(const std::string& name, const platform::foundation::Value& value);
};

// The SDK's shared configuration: the analytics switch and the SDK's log level.
class SDKConfiguration {
 public:
  static std::shared_ptr<SDKConfiguration> sharedInstance();

  const std::shared_ptr<AnalyticsConfiguration>& analyticsConfiguration() const { return analyticsConfiguration_; }
  void setLoggerLevel(int level);

 private:
  std::shared_ptr<AnalyticsConfiguration> analyticsConfiguration_ = AnalyticsConfiguration::sharedInstance();
};

}  // namespace sdk::core

