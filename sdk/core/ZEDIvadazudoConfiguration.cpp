#include "sdk/core/ZEDIvadazudoConfiguration.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "sdk/core/VURLogger.h"

std::shared_ptr<ZEDIvadazudoConfiguration> ZEDIvadazudoConfiguration::sharedInstance() {
  static const auto instance = std::make_shared<ZEDIvadazudoConfiguration>();
  return instance;
}

void ZEDIvadazudoConfiguration::setAnalyticsCollectionEnabled(bool enabled, bool persistSetting) {
  if (persistSetting) {
    auto defaults = platform::foundation::UserDefaults::standard();
    defaults->setInteger(enabled ? 1 : 2, kMeasurementEnabledStateKey);
    defaults->synchronize();
  }
  postNotificationName(kSetEnabledNotification, platform::foundation::Value(enabled));
}

void ZEDIvadazudoConfiguration::postNotificationName(const std::string& name, const platform::foundation::Value& value) {
  if (name.empty() || value.isNil()) return;
  platform::foundation::Dictionary userInfo{{name, value}};
  platform::foundation::NotificationCenter::defaultCenter().post(name, platform::foundation::Value(std::move(userInfo)),
                                                                 this);
}

std::shared_ptr<VURConfiguration> VURConfiguration::sharedInstance() {
  static const auto instance = std::make_shared<VURConfiguration>();
  return instance;
}

void VURConfiguration::setLoggerLevel(int level) { VURSetLoggerLevel(level); }
