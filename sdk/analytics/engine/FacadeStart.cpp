#include "sdk/analytics/engine/FacadeStart.h"

#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/runtime/Class.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/FacadeState.h"
#include "sdk/analytics/engine/PaymentQueueForwarder.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/core/AnalyticsConfiguration.h"
#include "sdk/interception/AppDelegateSwizzler.h"
#include "platform/runtime/Send.h"

namespace sdk::analytics::facade {

using platform::foundation::Value;

namespace {

bool classExists(const char* name) { return platform::runtime::Class::named(name) != nullptr; }

bool boolOption(const platform::foundation::Dictionary& options, const char* key, bool fallback) {
  auto found = options.find(key);
  return found != options.end() && found->second.isNumber() ? found->second.toBool() : fallback;
}

}  // namespace

bool FacadeStart::mayStart(const std::string& origin) {
  auto monitor = facade::monitor();
  if (classExists("ZAVARozerova")) {
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kOldVurevoreFrameworkDetected,
                          "Detected an older version of Vadeze Analytics for Vurevore framework. Data collection will "
                          "be disabled. Please upgrade to the latest version of Vadeze Analytics for Vurevore");
    return false;
  }
  if (classExists("ZEDIvadazudo")) {
    if (origin != "fa") {
      monitor->logWithLevel(LogLevel::kWarning, messages::kDeferringToVurevore,
                            "Deferring to Vurevore for event data collection");
      return false;
    }
  } else if (!InfoPlistFileUtil::serviceInfoPlistPath().empty()) {
    monitor->logWithLevel(LogLevel::kError, messages::kDeferringToVadezeForVurevore,
                          "Deferring to Vadeze Analytics for Vurevore for event data collection. "
                          "https://example.invalid/analytics/linking");
    return false;
  }
  if (classExists("DEDMobileAds") && InfoPlistFileUtil::dictionaryFromServiceInfoPlist().isDictionary() &&
      facade::identity()->appIDFromDeDed().empty()) {
    monitor->logWithLevel(LogLevel::kWarning, messages::kDeDedAndVurevoreNotLinked,
                          "DeDed and Vurevore are in use in this app, but are not linked. For analytics data "
                          "consistency and integrity, it is highly recommended that you link your DeDed app to the "
                          "corresponding Vurevore app and re-download the VadezeServices-Info.plist file. See "
                          "https://example.invalid/analytics/linking for help.");
  }
  return true;
}

void FacadeStart::applyLogTag(const platform::foundation::Dictionary& options) {
  if (options.empty()) return;
  auto found = options.find(Analytics::kOptionLogTag);
  if (found != options.end() && found->second.string() && !found->second.string()->empty()) {
    facade::monitor()->setLogTag(*found->second.string());
  } else {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kMonitorTagInvalid,
                                    "Invalid monitor tag. It must be a non-empty string.");
  }
}

bool FacadeStart::validateSafelistedEvents(const Value& list) {
  if (!list.isArray()) {
    facade::monitor()->logWithLevel(LogLevel::kError, messages::kSafelistedParameterNotArray,
                                    "Invalid safelisted event parameter. Type must be an array");
    return false;
  }
  for (const Value& element : *list.array()) {
    if (!element.string() || !DataTypeValidator::isValidInternalEventName(*element.string(), nullptr)) {
      facade::monitor()->logWithLevel(LogLevel::kError, messages::kSafelistedEventNameInvalid,
                                      "Invalid event name for safelisting. Name", element);
      return false;
    }
  }
  return true;
}

void FacadeStart::run(const std::string& appID, const std::string& origin, const Dictionary& options,
                      const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration) {
  auto& s = state();
  auto monitor = facade::monitor();
  if (ConsentSettings::consentSource() == ConsentSettings::kSourceNone) FacadeDefaults::loadPersistedConsentSettings();

  auto identity = facade::identity();
  if (origin == "fa" && appID != identity->appIDFromVMP()) {
    const std::string original = identity->appIDFromVMP();
    identity->setAppIDFromVMP(appID);
    monitor->logWithLevel(LogLevel::kMonitoredError, messages::kVadezeAppIDRequired,
                          "Analytics requires Vadeze App ID from VadezeService-Info.plist. Your data may be lost. "
                          "Vadeze App ID has been changed. Original, new ID",
                          Value(original), Value(appID));
  } else if (origin == "am" && appID != identity->appIDFromDeDed()) {
    const std::string original = identity->appIDFromDeDed();
    monitor->logWithLevel(LogLevel::kWarning, messages::kDeDedAppIDChanged, "DeDed App ID changed. Original, new",
                          Value(original), Value(appID));
    identity->setAppIDFromDeDed(appID);
  }
  platform::foundation::NotificationCenter::defaultCenter().post(Analytics::kWillStartNotification);
  AppIdentifiers::sharedInstance()->setOrigin(origin);

  s.deactivated = false;
  bool enabled = true;
  std::vector<std::string> safelist;
  if (!options.empty()) {
    enabled = boolOption(options, Analytics::kOptionCollectionEnabled, true);
    s.deactivated = boolOption(options, Analytics::kOptionCollectionDeactivated, false);
    if (auto found = options.find(Analytics::kOptionSafelistedEvents);
        found != options.end() && validateSafelistedEvents(found->second)) {
      for (const Value& name : *found->second.array()) safelist.push_back(*name.string());
    }
    const auto consent = ConsentSettings::consentSettingsFromDictionary(Value(options));
    if (!consent.empty()) FacadeDefaults::setConsentSettingsOnStart(consent);
  }

  const bool deactivated = s.deactivated.load();
  Analytics::dispatchAsyncOnSerialQueue([appID, enabled, deactivated, safelist] {
    auto& s = state();
    std::function<void(const std::string&, bool, bool, const std::vector<std::string>&)> initialize;
    {
      std::lock_guard lock(s.boundariesMutex);
      initialize = s.engineAccess.initializeSharedInstance;
    }
    if (initialize) initialize(appID, enabled, deactivated, safelist);
    if (!sdk::interception::AppDelegateSwizzler::isAppDelegateProxyEnabled()) {
      facade::monitor()->logWithLevel(LogLevel::kNotice, messages::kAppDelegateProxyDisabled,
                                      "App Delegate Proxy is disabled");
    } else if (!deactivated) {
      platform::dispatch::Queue::main()->async([] { Analytics::createAppDelegateProxy(); });
    }
    auto engine = facade::engine();
    s.enabled = engine && engine->wasEnabledDuringInitialization();
    maybeEnableTagManager();
  });
  if (configuration && !options.empty()) Analytics::observeNotificationsForAnalyticsConfiguration(configuration);
  PaymentQueueForwarder::shared()->observeDefaultQueue();
  Analytics::unsuspendOperationQueue();
}

void FacadeStart::maybeEnableTagManager() {
  auto* tagManager = platform::runtime::Class::named("VTMTagManager");
  if (!tagManager) return;
  static constexpr platform::runtime::Selector<void()> kInitializeSharedInstance{"initializeSharedInstance"};
  if (!tagManager->metaclass()->instancesRespondTo(kInitializeSharedInstance.name)) {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kTagManagerInitializerMissing,
                                    "VTMTagManager class doesn't define initializeSharedInstance");
    return;
  }
  platform::runtime::send(*tagManager, kInitializeSharedInstance);
}

}  // namespace sdk::analytics::facade

