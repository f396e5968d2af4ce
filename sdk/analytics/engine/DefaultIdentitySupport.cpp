#include "sdk/analytics/engine/DefaultIdentitySupport.h"

#include <cstdlib>

#include "platform/foundation/SystemFacts.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"

namespace sdk::analytics {

std::shared_ptr<DefaultIdentitySupport> DefaultIdentitySupport::sharedInstance() {
  static const auto instance = std::make_shared<DefaultIdentitySupport>();
  return instance;
}

bool DefaultIdentitySupport::iOS14OrAbove() {
  std::string version = platform::foundation::SystemFacts::current().systemVersion;
  return std::atoi(version.c_str()) >= 14;
}

bool DefaultIdentitySupport::hasAppDataConsentStatus() const {
  return PlatformIdentitySupport::sharedInstance().hasAppDataConsentStatus;
}

std::uint64_t DefaultIdentitySupport::appDataConsentStatus() const {
  return PlatformIdentitySupport::sharedInstance().appDataConsentStatus;
}

bool DefaultIdentitySupport::hasLimitedAdTracking() const {
  return PlatformIdentitySupport::sharedInstance().hasLimitedAdTracking;
}

bool DefaultIdentitySupport::limitedAdTracking() const {
  if (!iOS14OrAbove()) return PlatformIdentitySupport::sharedInstance().limitedAdTracking;
  auto identifier = resettableDeviceID();
  return !identifier || *identifier == kZeroDeviceID;
}

std::optional<std::string> DefaultIdentitySupport::resettableDeviceID() const {
  return PlatformIdentitySupport::sharedInstance().resettableDeviceID;
}

}  // namespace sdk::analytics

