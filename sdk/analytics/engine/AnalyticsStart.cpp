#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/runtime/Class.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/AnalyticsState.h"
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

namespace sdk::analytics {

using facade::kConsentSettingsOnStart;
using facade::state;
using platform::foundation::Value;

namespace {

bool classExists(const char* name) { return platform::runtime::Class::named(name) != nullptr; }

bool boolOption(const platform::foundation::Dictionary& options, const char* key, bool fallback) {
  auto found = options.find(key);
  return found != options.end() && found->second.isNumber() ? found->second.toBool() : fallback;
}

// The checks that refuse a start, repeated by every call. False: stop.
bool mayStart(const std::string& origin) {
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

void applyLogTag(const platform::foundation::Dictionary& options) {
  if (options.empty()) return;
  auto found = options.find(Analytics::kOptionLogTag);
  if (found != options.end() && found->second.string() && !found->second.string()->empty()) {
    facade::monitor()->setLogTag(*found->second.string());
  } else {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kMonitorTagInvalid,
                                    "Invalid monitor tag. It must be a non-empty string.");
  }
}

}  // namespace

bool validateSafelistedEvents(const Value& list) {
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

void Analytics::startWithAppID(const std::string& appID, const std::string& origin, const Dictionary& options,
                                  const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration) {
  if (!mayStart(origin)) return;
  applyLogTag(options);
  state().startOnce.call([&] { runStartBlock(appID, origin, options, configuration); });
}

void Analytics::runStartBlock(const std::string& appID, const std::string& origin, const Dictionary& options,
                                 const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration) {
  auto& s = state();
  auto monitor = facade::monitor();
  if (ConsentSettings::consentSource() == ConsentSettings::kSourceNone) loadPersistedConsentSettings();

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
  platform::foundation::NotificationCenter::defaultCenter().post(kWillStartNotification);
  AppIdentifiers::sharedInstance()->setOrigin(origin);

  s.deactivated = false;
  bool enabled = true;
  std::vector<std::string> safelist;
  if (!options.empty()) {
    enabled = boolOption(options, kOptionCollectionEnabled, true);
    s.deactivated = boolOption(options, kOptionCollectionDeactivated, false);
    if (auto found = options.find(kOptionSafelistedEvents);
        found != options.end() && validateSafelistedEvents(found->second)) {
      for (const Value& name : *found->second.array()) safelist.push_back(*name.string());
    }
    const auto consent = ConsentSettings::consentSettingsFromDictionary(Value(options));
    if (!consent.empty()) s.defaults.setObject(Value(consent), kConsentSettingsOnStart);
  }

  const bool deactivated = s.deactivated.load();
  dispatchAsyncOnSerialQueue([appID, enabled, deactivated, safelist] {
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
      platform::dispatch::Queue::main()->async([] { createAppDelegateProxy(); });
    }
    auto engine = facade::engine();
    s.enabled = engine && engine->wasEnabledDuringInitialization();
    maybeEnableTagManager();
  });
  if (configuration && !options.empty()) observeNotificationsForAnalyticsConfiguration(configuration);
  observePaymentQueue();
  unsuspendOperationQueue();
}

void Analytics::maybeEnableTagManager() {
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

// --- switches

void Analytics::setAnalyticsEnabled(bool enabled, bool persistSetting) {
  dispatchAsyncOnSerialQueue([enabled, persistSetting] {
    if (persistSetting) PersistedConfig::sharedInstance()->setMeasurementEnabledState(enabled ? 1 : 2);
    auto& s = state();
    if (s.deactivated.load() && enabled) return;
    s.enabled = enabled;
    if (auto engine = facade::engine()) engine->setEnabled(enabled);
  });
}

void Analytics::observeNotificationsForAnalyticsConfiguration(
    const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration) {
  auto& center = platform::foundation::NotificationCenter::defaultCenter();
  state().configurationObservation = center.addObserver(
      sdk::core::AnalyticsConfiguration::kSetEnabledNotification,
      [](const platform::foundation::Notification& notification) {
        handleSetEnabled(notification.userInfo[sdk::core::AnalyticsConfiguration::kSetEnabledNotification]);
      },
      configuration.get());
}

void Analytics::handleSetEnabled(const Value& enabledState) {
  if (!enabledState.isNumber()) {
    facade::monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kEnabledNotificationWithoutNumber,
                                    "Received setEnabled notification without NSNumber", enabledState);
    return;
  }
  // The SDK core stores a persisted choice in the standard defaults, which the engine's suite does not
  // see: a choice the core persisted is persisted here too, or an opt-out would be forgotten at the
  // next launch.
  const std::int64_t state = enabledState.toBool() ? 1 : 2;
  const bool persisted = platform::foundation::UserDefaults::standard()->integerForKey(
                             sdk::core::AnalyticsConfiguration::kMeasurementEnabledStateKey) == state;
  setAnalyticsEnabled(enabledState.toBool(), persisted);
}

void Analytics::setSessionTimeoutInterval(double seconds) {
  dispatchAsyncOnSerialQueue([seconds] {
    if (auto engine = facade::engine()) engine->setSessionTimeoutInterval(seconds);
  });
}

void Analytics::setDefaultEventParameters(const std::optional<Dictionary>& parameters) {
  queueOperationWithBlock([parameters] {
    auto engine = facade::engine();
    if (state().enabled.load() && engine) engine->setDefaultEventParameters(parameters);
  });
}

void Analytics::setScreenName(const std::optional<std::string>& screenName,
                                 const std::optional<std::string>& screenClass) {
  if (!platform::dispatch::Queue::main()->isCurrent()) {
    facade::monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenNameOffMainThread,
                                    "setScreenName:screenClass: must be called from the main thread to ensure that "
                                    "events are associated with the intended screen.");
    return;
  }
  if (auto reporter = screenViewReporter()) reporter->setScreenName(screenName, screenClass);
}

}  // namespace sdk::analytics

