#include "sdk/analytics/rules/APMEExperimentRequestBuilder.h"

#include <algorithm>
#include <cctype>

#include "platform/foundation/Bundle.h"
#include "sdk/analytics/foundation/APMEnvironment.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBExperiments.h"

std::shared_ptr<APMEExperimentRequestBuilder> APMEExperimentRequestBuilder::sharedInstance() {
  static const auto instance = std::make_shared<APMEExperimentRequestBuilder>();
  return instance;
}

void APMEExperimentRequestBuilder::addSDKProperty(const std::shared_ptr<const APMESDKProperty>& property) {
  if (!property) {
    APMMonitor::shared()->logWithLevel(2, 880000, "Cannot add an empty SDK property.");
    return;
  }
  std::lock_guard lock(mutex_);
  clientPropertyBySDKName_[property->name()] = property;
}

std::shared_ptr<APMPBAppProperty> APMEExperimentRequestBuilder::appPropertyProto() const {
  APMEnvironmentInfo facts = APMEnvironmentInfo::sharedInstance();
  auto message = APMPBAppProperty::make();
  APMNanoSetString(*message, 0, "ios");
  APMNanoSetString(*message, 1, facts.deviceOSVersion);
  APMNanoSetString(*message, 2, facts.deviceModel);
  if (!facts.userDefaultLanguage.empty()) {
    std::string language = facts.userDefaultLanguage;
    std::transform(language.begin(), language.end(), language.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    APMNanoSetString(*message, 3, language);
  }
  APMNanoSetString(*message, 4, platform::foundation::Bundle::main()->bundleIdentifier());
  APMNanoSetBool(*message, 5, APMAEU::isFAS());
  APMNanoSetInt64(*message, 6, kLibraryVersion);
  return message;
}

std::shared_ptr<APMPBExperimentRequest> APMEExperimentRequestBuilder::request(
    const std::optional<std::string>& appInstanceID) const {
  auto message = APMPBExperimentRequest::make();
  APMNanoSetMessage(*message, 0, appPropertyProto().get());
  std::lock_guard lock(mutex_);
  for (const auto& [name, property] : clientPropertyBySDKName_) {
    if (auto client = property->proto(appInstanceID)) APMNanoAddMessage(*message, 1, *client);
  }
  return message;
}
