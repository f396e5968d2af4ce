#include "sdk/analytics/foundation/EnvironmentInfo.h"

#include <cstdlib>
#include <ctime>
#include <mutex>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/IdentityFacts.h"
#include "platform/foundation/PropertyList.h"
#include "platform/ui/Application.h"
#include "sdk/utilities/AppEnvironmentUtil.h"

namespace sdk::analytics {

namespace {

std::mutex& factsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::optional<EnvironmentInfo>& environmentOverride() {
  static std::optional<EnvironmentInfo> facts;
  return facts;
}

// "en_US.UTF-8" → "en-US", as the phone names its first preferred language.
std::string languageOfLocale() {
  const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (!value || !*value || std::string(value) == "C" || std::string(value) == "POSIX") continue;
    std::string locale(value);
    locale = locale.substr(0, locale.find_first_of(".@"));
    for (char& c : locale) c = c == '_' ? '-' : c;
    return locale;
  }
  return "en-US";
}

std::int64_t localOffsetMinutes() {
  auto seconds = static_cast<std::time_t>(platform::foundation::Clock::current()->now());
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return 0;
  return local.tm_gmtoff / 60;
}

}  // namespace

EnvironmentInfo EnvironmentInfo::sharedInstance() {
  {
    std::lock_guard lock(factsMutex());
    if (environmentOverride()) return *environmentOverride();
  }
  EnvironmentInfo facts;
  facts.deviceModel = sdk::utilities::AppEnvironmentUtil::deviceModel().value_or("");
  facts.deviceOSVersion = sdk::utilities::AppEnvironmentUtil::systemVersion();
  facts.timeZoneOffsetMinutes = localOffsetMinutes();
  facts.userDefaultLanguage = languageOfLocale();
  return facts;
}

void EnvironmentInfo::setShared(std::optional<EnvironmentInfo> facts) {
  std::lock_guard lock(factsMutex());
  environmentOverride() = std::move(facts);
}

std::shared_ptr<platform::ui::Application> RunningApplication::sharedApplication() {
  if (platform::ui::Application::isAppExtension()) return nullptr;
  return platform::ui::Application::sharedApplication();
}

bool RunningApplication::isFAS() { return sdk::utilities::AppEnvironmentUtil::isFromAppStore(); }

bool RunningApplication::isASRS() { return sdk::utilities::AppEnvironmentUtil::isAppStoreReceiptSandbox(); }

PlatformIdentitySupport PlatformIdentitySupport::sharedInstance() {
  auto facts = platform::foundation::IdentityFacts::current();
  PlatformIdentitySupport support;
  support.hasAppDataConsentStatus = facts.trackingAuthorizationServicePresent;
  support.appDataConsentStatus =
      facts.trackingAuthorizationServicePresent ? facts.trackingAuthorizationStatus : kUnknownConsentStatus;
  support.hasLimitedAdTracking = facts.advertisingServicePresent;
  if (facts.advertisingServicePresent) {
    support.limitedAdTracking = !facts.advertisingTrackingEnabled;
    support.resettableDeviceID = facts.advertisingIdentifier;
  }
  return support;
}

std::string InfoPlistFileUtil::serviceInfoPlistPath() {
  auto bundle = platform::foundation::Bundle::main();
  return bundle ? bundle->pathForResource(kResourceName, "plist") : std::string();
}

platform::foundation::Value InfoPlistFileUtil::dictionaryFromServiceInfoPlist() {
  std::string path = serviceInfoPlistPath();
  if (path.empty()) return {};
  platform::foundation::Value contents = platform::foundation::PropertyList::readFile(path, kMaximumFileBytes);
  return contents.isDictionary() ? contents : platform::foundation::Value();
}

}  // namespace sdk::analytics

