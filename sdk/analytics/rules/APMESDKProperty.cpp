#include "sdk/analytics/rules/APMESDKProperty.h"

#include "sdk/analytics/foundation/APMHashing.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"

std::shared_ptr<APMPBClientProperty> APMESDKProperty::proto(const std::optional<std::string>& appInstanceID) const {
  std::string key = !diversionKey.empty() ? diversionKey : appInstanceID.value_or("");
  if (key.empty()) {
    APMMonitor::shared()->logWithLevel(1, 860001, "Diversion key is empty");
    return nullptr;
  }
  auto message = APMPBClientProperty::make();
  APMNanoSetString(*message, 0, name_);
  APMNanoSetString(*message, 1, apm_MD5String(key + "-" + name_));
  APMNanoSetInt64(*message, 2, version);
  APMNanoSetString(*message, 3, appID);
  std::map<std::string, std::string> custom = customProperties;
  if (auto provider = delegate.lock()) {
    for (auto& [name, value] : provider->dynamicCustomPropertiesForSDKProperty(*this)) custom[name] = value;
  }
  for (const auto& [name, value] : custom) {
    auto property = APMPBCustomProperty::make();
    APMNanoSetString(*property, 0, name);
    APMNanoSetString(*property, 1, value);
    APMNanoAddMessage(*message, 4, *property);
  }
  return message;
}
