#include "sdk/analytics/engine/APMDefaultIdentitySupport.h"

#include <cstdlib>

#include "platform/foundation/SystemFacts.h"
#include "sdk/analytics/foundation/APMEnvironment.h"

std::shared_ptr<APMDefaultIdentitySupport> APMDefaultIdentitySupport::sharedInstance() {
  static const auto instance = std::make_shared<APMDefaultIdentitySupport>();
  return instance;
}

bool APMDefaultIdentitySupport::iOS14OrAbove() {
  std::string version = platform::foundation::SystemFacts::current().systemVersion;
  return std::atoi(version.c_str()) >= 14;
}

bool APMDefaultIdentitySupport::hasAppDataConsentStatus() const {
  return APMPlatformIdentitySupport::sharedInstance().hasAppDataConsentStatus;
}

std::uint64_t APMDefaultIdentitySupport::appDataConsentStatus() const {
  return APMPlatformIdentitySupport::sharedInstance().appDataConsentStatus;
}

bool APMDefaultIdentitySupport::hasLimitedAdTracking() const {
  return APMPlatformIdentitySupport::sharedInstance().hasLimitedAdTracking;
}

bool APMDefaultIdentitySupport::limitedAdTracking() const {
  if (!iOS14OrAbove()) return APMPlatformIdentitySupport::sharedInstance().limitedAdTracking;
  auto identifier = resettableDeviceID();
  return !identifier || *identifier == kZeroDeviceID;
}

std::optional<std::string> APMDefaultIdentitySupport::resettableDeviceID() const {
  return APMPlatformIdentitySupport::sharedInstance().resettableDeviceID;
}
