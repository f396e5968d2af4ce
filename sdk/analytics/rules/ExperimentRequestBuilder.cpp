#include "sdk/analytics/rules/ExperimentRequestBuilder.h"

#include <algorithm>
#include <cctype>

#include "platform/foundation/Bundle.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

std::shared_ptr<ExperimentRequestBuilder> ExperimentRequestBuilder::sharedInstance() {
  static const auto instance = std::make_shared<ExperimentRequestBuilder>();
  return instance;
}

void ExperimentRequestBuilder::addSDKProperty(const std::shared_ptr<const ExperimentsSDKProperty>& property) {
  if (!property) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentError, messages::kEmptySDKProperty, "Cannot add an empty SDK property.");
    return;
  }
  std::lock_guard lock(mutex_);
  clientPropertyBySDKName_[property->name()] = property;
}

std::shared_ptr<ProtoAppProperty> ExperimentRequestBuilder::appPropertyProto() const {
  EnvironmentInfo facts = EnvironmentInfo::sharedInstance();
  auto message = ProtoAppProperty::make();
  nanoSetString(*message, 0, "ios");
  nanoSetString(*message, 1, facts.deviceOSVersion);
  nanoSetString(*message, 2, facts.deviceModel);
  if (!facts.userDefaultLanguage.empty()) {
    std::string language = facts.userDefaultLanguage;
    std::transform(language.begin(), language.end(), language.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    nanoSetString(*message, 3, language);
  }
  nanoSetString(*message, 4, platform::foundation::Bundle::main()->bundleIdentifier());
  nanoSetBool(*message, 5, RunningApplication::isFAS());
  nanoSetInt64(*message, 6, kLibraryVersion);
  return message;
}

std::shared_ptr<ProtoExperimentRequest> ExperimentRequestBuilder::request(
    const std::optional<std::string>& appInstanceID) const {
  auto message = ProtoExperimentRequest::make();
  nanoSetMessage(*message, 0, appPropertyProto().get());
  std::lock_guard lock(mutex_);
  for (const auto& [name, property] : clientPropertyBySDKName_) {
    if (auto client = property->proto(appInstanceID)) nanoAddMessage(*message, 1, *client);
  }
  return message;
}

}  // namespace sdk::analytics

