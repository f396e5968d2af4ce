#include "sdk/analytics/rules/ExperimentsSDKProperty.h"

#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

std::shared_ptr<ProtoClientProperty> ExperimentsSDKProperty::proto(const std::optional<std::string>& appInstanceID) const {
  std::string key = !diversionKey.empty() ? diversionKey : appInstanceID.value_or("");
  if (key.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDiversionKeyEmpty, "Diversion key is empty");
    return nullptr;
  }
  auto message = ProtoClientProperty::make();
  nanoSetString(*message, 0, name_);
  nanoSetString(*message, 1, md5HexString(key + "-" + name_));
  nanoSetInt64(*message, 2, version);
  // An SDK registered without an app ID sends none, rather than an empty one the service would read.
  if (!appID.empty()) nanoSetString(*message, 3, appID);
  std::map<std::string, std::string> custom = customProperties;
  if (auto provider = delegate.lock()) {
    for (auto& [name, value] : provider->dynamicCustomPropertiesForSDKProperty(*this)) custom[name] = value;
  }
  for (const auto& [name, value] : custom) {
    auto property = ProtoCustomProperty::make();
    nanoSetString(*property, 0, name);
    nanoSetString(*property, 1, value);
    nanoAddMessage(*message, 4, *property);
  }
  return message;
}

}  // namespace sdk::analytics

