#include "sdk/core/AnalyticsConfiguration.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "sdk/core/CoreLogger.h"

namespace sdk::core {

std::shared_ptr<AnalyticsConfiguration> AnalyticsConfiguration::sharedInstance() {
  static const auto instance = std::make_shared<AnalyticsConfiguration>();
  return instance;
}

void AnalyticsConfiguration::setAnalyticsCollectionEnabled(bool enabled, bool persistSetting) {
  if (persistSetting) {
    auto defaults = platform::foundation::UserDefaults::standard();
    defaults->setInteger(enabled ? 1 : 2, kMeasurementEnabledStateKey);
    defaults->synchronize();
  }
  postNotificationName(kSetEnabledNotification, platform::foundation::Value(enabled));
}

void AnalyticsConfiguration::postNotificationName(const std::string& name, const platform::foundation::Value& value) {
  if (name.empty() || value.isNil()) return;
  platform::foundation::Dictionary userInfo{{name, value}};
  platform::foundation::NotificationCenter::defaultCenter().post(name, platform::foundation::Value(std::move(userInfo)),
                                                                 this);
}

std::shared_ptr<SDKConfiguration> SDKConfiguration::sharedInstance() {
  static const auto instance = std::make_shared<SDKConfiguration>();
  return instance;
}

void SDKConfiguration::setLoggerLevel(int level) { setCoreLoggerLevel(level); }

}  // namespace sdk::core

