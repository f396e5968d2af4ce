#include "sdk/analytics/engine/Analytics.h"

#include <cmath>
#include <mutex>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Utf8.h"
#include "sdk/analytics/engine/AppDelegateInterceptor.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/FacadeStart.h"
#include "sdk/analytics/engine/FacadeState.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/PaymentQueueForwarder.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/DecimalNumber.h"
#include "sdk/analytics/foundation/EditingOutputScope.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/core/AnalyticsConfiguration.h"
#include "sdk/interception/AppDelegateSwizzler.h"
#include "sdk/utilities/HTTPClient.h"

namespace sdk::analytics {

using facade::FacadeStart;
using facade::state;
using platform::foundation::Value;

namespace {

constexpr const char* kScreenView = "screen_view";
constexpr const char* kScreenParameterNames[] = {"_sn", "_sc", "_si"};

bool hasScreenParameters(const platform::foundation::Dictionary& parameters) {
  for (const char* name : kScreenParameterNames) {
    if (parameters.contains(name)) return true;
  }
  return false;
}

// The integer value of decimal text ("12" and "12.9" give 12); nothing when it leaves 64 bits.
std::optional<std::int64_t> integerPart(const std::string& text) {
  const auto decimal = DecimalNumber::parse(text);
  if (!decimal) return std::nullopt;
  const double value = std::trunc(decimal->doubleValue());
  if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return std::nullopt;
  // Whole texts within 64 bits are read exactly; a double would round them above 2^53.
  try {
    std::size_t used = 0;
    const long long exact = std::stoll(text, &used);
    if (used == text.size()) return exact;
  } catch (const std::exception&) {
  }
  return static_cast<std::int64_t>(value);
}

constexpr const char* kAllowPersonalizedAds = "allow_personalized_ads";
constexpr std::size_t kUserPropertyNameLimit = 24;

// Error event 15 for a reserved name, 6 for any other refusal; false when refused.
bool checkPublicUserPropertyName(const std::string& name) {
  int failureCode = 0;
  if (DataTypeValidator::isValidPublicUserAttributeName(name, &failureCode)) return true;
  const std::int64_t code =
      failureCode == 4 ? kErrorCodeUserPropertyNameIsReserved : kErrorCodeInvalidUserPropertyName;
  logErrorEventWithValue(code, name, kUserPropertyNameLimit, platform::foundation::Value(name));
  return false;
}

void setAllowPersonalizedAds(const platform::foundation::Value& value) {
  std::optional<bool> allow;
  // An app hands the choice over as text: "true", "YES" and "1" grant it, as the platform reads a switch.
  if (!value.isNil() && !value.isNull()) allow = value.boolValue();
  Analytics::queueOperationWithBlock([allow] {
    const bool enabled = state().enabled.load();
    if (!enabled) {
      facade::monitor()->logWithLevel(LogLevel::kDebug, messages::kPersonalizedAdsChangedWhileDisabled,
                                      "Personalized Ads property changed while Analytics is disabled");
    }
    PersistedConfig::sharedInstance()->setAllowPersonalizedAds(allow ? platform::foundation::Value(*allow ? 1 : 0)
                                                                          : platform::foundation::Value());
    if (!enabled) return;
    auto engine = facade::engine();
    if (!engine) return;
    const auto wanted = engine->shouldDisableAdPersonalization();
    UserAttribute npa("auto", "_npa", AnalyticsValue(std::int64_t{wanted.value_or(0)}), facade::now());
    if (wanted) {
      engine->setUserAttribute(npa);
    } else {
      engine->removeUserAttribute(npa);
    }
  });
}

}  // namespace

// --- start and switches

void Analytics::startWithAppID(const std::string& appID, const std::string& origin, const Dictionary& options,
                                  const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration) {
  if (!FacadeStart::mayStart(origin)) return;
  FacadeStart::applyLogTag(options);
  state().startOnce.call([&] { FacadeStart::run(appID, origin, options, configuration); });
}

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

// --- queues

std::shared_ptr<platform::dispatch::Queue> Analytics::queue() { return state().serialQueue; }

void Analytics::dispatchAsyncOnSerialQueue(std::function<void()> block) {
  state().serialQueue->async(std::move(block));
}

void Analytics::queueOperationWithBlock(std::function<void()> block) { state().operations.add(std::move(block)); }

void Analytics::unsuspendOperationQueue() { state().operations.resume(); }

bool Analytics::isCurrentQueueSerialQueue() {
  auto current = platform::dispatch::Queue::current();
  return current && current->label() == kSerialQueueLabel;
}

double Analytics::loadTimestamp() {
  auto& s = state();
  std::lock_guard lock(s.loadTimestampMutex);
  return s.loadTimestamp;
}

void Analytics::setLoadTimestamp(double timestamp) {
  auto& s = state();
  std::lock_guard lock(s.loadTimestampMutex);
  s.loadTimestamp = timestamp;
}

bool Analytics::isEnabled() { return state().enabled.load(); }

Analytics& Analytics::sharedInstance() {
  static Analytics* instance = new Analytics();
  return *instance;
}

void Analytics::setEngineAccess(sdk::analytics::FacadeEngineAccess access) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.engineAccess = std::move(access);
}

void Analytics::setScreenViewReporter(std::shared_ptr<sdk::analytics::ScreenViewReporting> reporter) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.screenViewReporter = std::move(reporter);
}

std::shared_ptr<sdk::analytics::ScreenViewReporting> Analytics::screenViewReporter() {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  return s.screenViewReporter;
}

Parameters Analytics::currentScreenParameters() {
  auto reporter = screenViewReporter();
  return reporter ? reporter->screenParameters() : Parameters{};
}

void Analytics::setIdentityForTesting(std::shared_ptr<Identity> identity) {
  auto& s = state();
  std::lock_guard lock(s.boundariesMutex);
  s.identity = std::move(identity);
}

void Analytics::installErrorEventHandler() {
  setErrorEventHandler([](const std::string& origin, const std::string& name, const Parameters& parameters) {
    Dictionary plain;
    for (const auto& [key, value] : parameters) plain[key] = value.objectValue();
    queueEventStampedNow(origin, false, name, plain, !EditingOutputScope::isOpen());
  });
}

bool isApplicationActive() {
  auto reporter = Analytics::screenViewReporter();
  // Without a reporter nothing tells of the app leaving the foreground.
  return !reporter || reporter->isAppActive();
}

void Analytics::drainForTesting() {
  auto& s = state();
  for (int round = 0; round < 3; ++round) {
    s.timestampQueue->sync([] {});
    s.serialQueue->sync([] {});
  }
}

void Analytics::resetForTesting() {
  drainForTesting();
  sdk::analytics::facade::replaceState();
}

// --- consent and reset

void Analytics::setConsent(const Dictionary& settings, const std::string& key) {
  const auto remote = sdk::analytics::IdentitySettings::current();
  if (!remote->isConsentSettingsEnabled()) return;
  if (key == kConsentSettings3PKey && !remote->isConsentSettings3PEnabled()) return;
  if (ConsentSettings::consentSource() == ConsentSettings::kSourceNone) FacadeDefaults::loadPersistedConsentSettings();

  auto monitor = facade::monitor();
  Dictionary kept = ConsentSettings::consentSettingsFromDictionary(Value(settings));
  for (auto it = kept.begin(); it != kept.end();) {
    const std::string* text = it->second.string();
    if (text && (*text == ConsentSettings::kGranted || *text == ConsentSettings::kDenied)) {
      ++it;
      continue;
    }
    monitor->logWithLevel(LogLevel::kWarning, messages::kConsentValueInvalid,
                          "Valid consent values are 'granted' and 'denied'. Ignoring invalid consent setting",
                          it->second);
    it = kept.erase(it);
  }
  if (kept.empty()) {
    monitor->logWithLevel(LogLevel::kWarning, messages::kEmptyConsentSettingsDiscarded,
                          "Discarding empty consent settings");
    return;
  }
  const std::int64_t source =
      key == kConsentSettings3PKey ? ConsentSettings::kSourcePublic : ConsentSettings::kSourceInternal;
  if (!ConsentSettings::isConsentSourceHigherPriority(source)) {
    monitor->logWithLevel(LogLevel::kWarning, messages::kLowerPriorityConsentIgnored,
                          "Ignoring lower priority consent settings");
    return;
  }
  const Value previous = FacadeDefaults::storedConsent(key);
  ConsentSettings::updateSettings(kept);
  ConsentSettings::setConsentSource(source);
  FacadeDefaults::persistConsentSettings(ConsentSettings::consentSettings(), source);

  if (!ConsentSettings::didWithdrawPreviousConsent(previous)) return;
  FacadeDefaults::setAppInstanceIDAfterReset(std::nullopt);
  auto engine = facade::engine();
  if (engine && engine->didInitializeComponents()) {
    resetAnalyticsData();
  } else {
    FacadeDefaults::setDeferredResetOnDeniedConsent();
  }
}

void Analytics::resetAnalyticsData() {
  setLoadTimestamp(facade::now());
  FacadeDefaults::setResetRetryCount(FacadeDefaults::resetRetryCount() + 1);
  FacadeDefaults::setNeedFirstOpenAfterReset(true);
  std::optional<std::string> appInstanceID = Identity::randomAppInstanceID();
  if (appInstanceID->empty()) {
    facade::monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kAppInstanceIDGenerationFailed,
                                    "Cannot generate a new app instance ID");
    return;
  }
  if (ConsentSettings::isAnalyticsStorageDenied()) {
    appInstanceID.reset();
  } else {
    FacadeDefaults::setAppInstanceIDAfterReset(appInstanceID);
  }
  queueOperationWithBlock([appInstanceID] {
    auto engine = facade::engine();
    // With no engine nothing was wiped: the retry count stays for the next start, and the failure is said.
    if (!engine || !engine->resetAnalyticsDataWithAppInstanceID(appInstanceID)) {
      facade::monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kAnalyticsDataResetFailed,
                                      "Failed to reset Analytics data");
      return;
    }
    FacadeDefaults::setResetRetryCount(0);
    if (appInstanceID && FacadeDefaults::appInstanceIDAfterReset() == appInstanceID) {
      FacadeDefaults::removeAppInstanceIDAfterReset();
    }
  });
}

std::optional<std::string> Analytics::appInstanceID() {
  if (ConsentSettings::isAnalyticsStorageDenied()) return std::nullopt;
  auto afterReset = FacadeDefaults::appInstanceIDAfterReset();
  if (afterReset && !afterReset->empty()) return afterReset;
  return facade::identity()->appInstanceID();
}

// --- the store's transactions

void Analytics::paymentQueueUpdatedTransactions(const std::vector<platform::store::PaymentTransaction>& transactions) {
  queueOperationWithBlock([transactions] {
    PurchaseReporting reporting = facade::PaymentQueueForwarder::shared()->reporting();
    if (state().enabled.load() && reporting) reporting(transactions);
  });
}

void Analytics::setPurchaseReporting(PurchaseReporting reporting) {
  facade::PaymentQueueForwarder::shared()->setReporting(std::move(reporting));
}

// --- events

void Analytics::logEventWithName(const std::string& name, const Dictionary& parameters) {
  logEventWithOrigin("app", name, parameters);
}

void Analytics::logEventWithOrigin(const std::string& origin, const std::string& name, const Dictionary& parameters) {
  int failureCode = 0;
  if (!DataTypeValidator::isValidPublicEventName(name, &failureCode)) {
    const std::int64_t code = failureCode == 4 ? kErrorCodeEventNameIsReserved : kErrorCodeInvalidEventName;
    logErrorEventWithValue(code, name, 40, Value(name));
    return;
  }
  logEventWithOrigin(origin, true, name, parameters);
}

void Analytics::logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                              const Dictionary& parameters) {
  logEventWithOrigin(origin, false, name, parameters);
}

void Analytics::logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                      const Dictionary& parameters) {
  if (name == kScreenView) {
    if (auto reporter = screenViewReporter()) reporter->trackScreenWithParameters(parameters, facade::now());
    return;
  }
  queueEventStampedNow(origin, isPublicEvent, name, parameters, true);
}

void Analytics::queueEventStampedNow(const std::string& origin, bool isPublicEvent, const std::string& name,
                                     const Dictionary& parameters, bool editable) {
  // The screen the user sees while the call is made, not when the serial queue gets to it.
  Parameters screen = hasScreenParameters(parameters) ? Parameters{} : Analytics::currentScreenParameters();
  // Taking the time and queueing under one lock keeps timestamp order and queue order the same
  // across threads.
  auto& s = state();
  s.timestampQueue->sync([&] {
    const double timestamp = facade::now();
    queueOperationWithBlock([origin, isPublicEvent, name, parameters, timestamp, screen, editable]() mutable {
      logEventOnSerialQueue(std::move(origin), isPublicEvent, std::move(name), std::move(parameters), timestamp, false,
                            false, std::move(screen), editable);
    });
  });
}

void Analytics::logInternalEventWithOrigin(const std::string& origin, const std::string& name, double timestamp,
                                              const Dictionary& parameters) {
  Parameters screen = hasScreenParameters(parameters) ? Parameters{} : Analytics::currentScreenParameters();
  queueOperationWithBlock([origin, name, parameters, timestamp, screen]() mutable {
    logEventOnSerialQueue(std::move(origin), false, std::move(name), std::move(parameters), timestamp, false, false,
                          std::move(screen));
  });
}

void Analytics::logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                      const Dictionary& parameters, double timestamp, bool ignoreEnabled,
                                      bool ignoreInterceptor) {
  queueOperationWithBlock([=]() mutable {
    logEventOnSerialQueue(origin, isPublicEvent, name, parameters, timestamp, ignoreEnabled, ignoreInterceptor, {});
  });
}

void Analytics::logInternalEventWithOriginInstance(const std::string& origin, const std::string& name,
                                                      const Dictionary& parameters) {
  Dictionary copy = parameters;
  if (origin == "am") {
    auto found = copy.find("_aeid");
    if (found != copy.end() && found->second.string()) {
      const std::string text = *found->second.string();
      std::optional<std::int64_t> number;
      if (isDecimalNumberString(text)) number = integerPart(text);
      if (number) {
        found->second = Value(*number);
      } else {
        facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kAdEventIDNotNumber,
                                        "AdEvent ID string is not a number", Value(text));
      }
    }
  }
  logInternalEventWithOrigin(origin, name, copy);
}

void Analytics::logEventOnSerialQueue(std::string origin, bool isPublicEvent, std::string name,
                                         Dictionary parameters, double timestamp, bool ignoreEnabled,
                                         bool ignoreInterceptor, Parameters addedScreenParameters, bool editable) {
  // A forwarded event carries its screen in its parameters; they travel as the added screen instead.
  if (ignoreInterceptor && addedScreenParameters.empty() &&
      DataTypeValidator::isValidForwardedEventOrigin(origin, nullptr)) {
    for (const char* key : kScreenParameterNames) {
      auto found = parameters.find(key);
      if (found == parameters.end()) continue;
      if (auto value = AnalyticsValue::valueFromObject(found->second)) addedScreenParameters.emplace(key, *value);
      parameters.erase(found);
    }
  }
  auto engine = facade::engine();
  if (!engine) return;
  auto& s = state();
  sdk::analytics::LoggedEvent event;
  event.origin = std::move(origin);
  event.isPublicEvent = isPublicEvent;
  event.name = std::move(name);
  event.parameters = std::move(parameters);
  event.timestamp = timestamp;
  event.enabled = s.enabled.load();
  event.ignoreEnabled = ignoreEnabled;
  event.ignoreInterceptor = ignoreInterceptor;
  event.interceptor = s.listeners.interceptor();
  event.addedScreenParameters = std::move(addedScreenParameters);
  event.editable = editable;
  engine->logEvent(event);
}

// --- listeners and the interceptor

void Analytics::setLogEventInterceptor(LogEventInterceptor interceptor) {
  auto store = [interceptor = std::move(interceptor)]() mutable {
    state().listeners.setInterceptor(std::move(interceptor));
  };
  if (isCurrentQueueSerialQueue()) {
    store();
  } else {
    queueOperationWithBlock(std::move(store));
  }
}

std::optional<Analytics::ListenerToken> Analytics::addLogEventListener(EventListener listener) {
  if (!listener) {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kNilLogEventListenerAdded,
                                    "Attempted addition of nil log event listener.");
    return std::nullopt;
  }
  const ListenerToken token = state().listeners.reserveToken();
  auto store = [token, listener = std::move(listener)](bool queued) mutable {
    state().listeners.store(token, std::move(listener), queued);
  };
  if (isCurrentQueueSerialQueue()) {
    store(false);
  } else {
    state().listeners.beginAdding();
    queueOperationWithBlock([store = std::move(store)]() mutable { store(true); });
  }
  return token;
}

void Analytics::removeLogEventListener(std::optional<ListenerToken> token) {
  if (!token) {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kNilLogEventRemoval,
                                    "Attempted removal of nil log event.");
    return;
  }
  queueOperationWithBlock([token = *token] {
    switch (state().listeners.remove(token)) {
      case facade::EventListeners::Removal::kRemoved:
        return;
      case facade::EventListeners::Removal::kNoneAdded:
        facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kNilLogEventListenerRemoved,
                                        "Attempted removal of nil log event listener.");
        return;
      case facade::EventListeners::Removal::kUnknownToken:
        facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kLogEventListenerTokenInvalid,
                                        "Attempted removal of log event listener with invalid token.");
        return;
    }
  });
}

void Analytics::notifyEventListeners(const AnalyticsEvent& event) {
  // Every handled event comes here: with nobody listening, it need not travel the facade's queues.
  if (state().listeners.isIdle()) return;
  queueOperationWithBlock([event] { notifyEventListenersOnSerialQueue(event); });
}

void Analytics::notifyEventListenersOnSerialQueue(const AnalyticsEvent& event) {
  // Called outside the lock: a listener may add or remove listeners.
  for (const auto& listener : state().listeners.listeners()) listener(event);
}

void Analytics::setOpenURLListener(OpenURLListener listener) {
  dispatchAsyncOnSerialQueue(
      [listener = std::move(listener)]() mutable { state().listeners.setOpenURLListener(std::move(listener)); });
}

void Analytics::handleOpenURL(const std::string& url) {
  const double timestamp = facade::now();
  dispatchAsyncOnSerialQueue([url, timestamp] {
    if (auto engine = facade::engine()) engine->handleNonFirstOpenEventURL(url, timestamp);
    const OpenURLListener listener = state().listeners.openURLListener();
    if (listener) listener(url);
  });
}

void Analytics::handleUserActivity(const platform::ui::UserActivity& activity) {
  const double timestamp = facade::now();
  dispatchAsyncOnSerialQueue([activity, timestamp] {
    const auto link = deepLinkFromUserActivity(&activity);
    if (!link || link->empty()) return;
    if (auto engine = facade::engine()) engine->handleNonFirstOpenEventURL(*link, timestamp);
  });
}

void Analytics::handleEventsForBackgroundURLSession(const std::string& identifier,
                                                       std::function<void()> completionHandler) {
  sdk::utilities::HTTPClient::handleEventsForBackgroundURLSessionID(identifier, std::move(completionHandler));
}

void Analytics::createAppDelegateProxy() {
  static platform::dispatch::Once once;
  once.call([] {
    sdk::interception::AppDelegateSwizzler::proxyOriginalDelegate();
    sdk::interception::AppDelegateSwizzler::registerAppDelegateInterceptor(AppDelegateInterceptor::sharedInstance());
  });
}

// --- user properties

void Analytics::setUserPropertyString(const Value& value, const std::string& name) {
  if (name == kAllowPersonalizedAds) {
    setAllowPersonalizedAds(value);
    return;
  }
  if (value.isNil()) {
    removeUserAttributeForName(name);
    return;
  }
  if (!checkPublicUserPropertyName(name)) return;
  if (!value.isString()) {
    facade::monitor()->logWithLevel(LogLevel::kError, messages::kUserPropertyNotString,
                                    "User property must be NSString. Value", value);
    return;
  }
  int failureCode = 0;
  if (!DataTypeValidator::isValidPublicUserAttributeValue(AnalyticsValue(*value.string()), &failureCode)) {
    if (failureCode == 2) {
      logErrorEventWithValue(kErrorCodeUserPropertyValueTooLong, name, kUserPropertyNameLimit, value);
    }
    return;
  }
  sharedInstance().setInternalUserProperty(value, name, "app");
}

void Analytics::setUserID(const Value& userID) {
  if (userID.isNil()) {
    removeInternalUserAttributeForName("_id");
    if (sdk::analytics::IdentitySettings::current()->lastAdvertisingIDResetFeatureEnabled()) {
      removeInternalUserAttributeForName("_lair");
    }
    return;
  }
  if (!userID.isString()) {
    facade::monitor()->logWithLevel(LogLevel::kError, messages::kUserIDNotString, "User ID must be NSString. User ID",
                                    userID);
    return;
  }
  sharedInstance().setInternalUserProperty(userID, "_id", "app");
}

void Analytics::removeUserAttributeForName(const std::string& name) {
  if (!DataTypeValidator::isValidPublicUserAttributeName(name, nullptr)) return;
  removeInternalUserAttributeForName(name);
}

// GCC 12 reports a string inside a variant as unset here, in libstdc++'s own code, which it is not.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
void Analytics::setUserAttributeNumber(const Value& number, const std::string& name) {
  if (!checkPublicUserPropertyName(name)) return;
  if (!number.isNumber()) return;
  const AnalyticsValue value = number.isReal() ? AnalyticsValue(number.toDouble()) : AnalyticsValue(number.toInt64());
  const UserAttribute attribute("auto", name, value, facade::now());
  queueOperationWithBlock([attribute] {
    if (auto engine = facade::engine()) engine->setUserAttribute(attribute);
  });
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

void Analytics::setInternalUserProperty(const Value& value, const std::string& name, const std::string& origin) {
  int failureCode = 0;
  if (!DataTypeValidator::isValidInternalUserAttributeName(name, &failureCode)) {
    logErrorEventWithValue(kErrorCodeInvalidUserPropertyName, name, kUserPropertyNameLimit, Value(name));
    return;
  }
  const std::size_t originLength = platform::foundation::Utf8::length(origin);
  if (originLength < 1 || originLength > 32) {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kUserPropertyOriginInvalid,
                                    "Unable to set user property. Origin is invalid. Origin, name", Value(origin),
                                    Value(name));
    return;
  }
  if (value.isNil()) {
    removeInternalUserAttributeForName(name);
    return;
  }
  const auto attributeValue = AnalyticsValue::valueFromObject(value);
  if (!attributeValue) return;
  if (!DataTypeValidator::isValidInternalUserAttributeValue(*attributeValue, name, &failureCode)) {
    if (failureCode == 2) {
      logErrorEventWithValue(kErrorCodeUserPropertyValueTooLong, name, kUserPropertyNameLimit,
                                Value(attributeValue->isString() ? attributeValue->stringValue()
                                                                 : attributeValue->description()));
    }
    return;
  }
  const UserAttribute attribute(origin, name, *attributeValue, facade::now());
  queueOperationWithBlock([attribute] {
    if (auto engine = facade::engine()) engine->setUserAttribute(attribute);
  });
}

void Analytics::removeInternalUserAttributeForName(const std::string& name) {
  const UserAttribute attribute("", name, AnalyticsValue(0.0), facade::now());
  queueOperationWithBlock([attribute] {
    if (auto engine = facade::engine()) engine->removeUserAttribute(attribute);
  });
}

void Analytics::userPropertiesIncludingInternal(bool includingInternal,
                                                   const std::shared_ptr<platform::dispatch::Queue>& queue,
                                                   std::function<void(const Dictionary&)> callback) {
  queueOperationWithBlock([includingInternal, queue, callback = std::move(callback)] {
    if (!callback) {
      facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kUserPropertiesQueryCallbackMissing,
                                      "Analytics userProperties callback cannot be nil");
      return;
    }
    if (!queue) {
      facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kUserPropertiesQueryQueueMissing,
                                      "Cannot query for Analytics user properties. Queue cannot be nil");
      platform::dispatch::Queue::main()->async([callback] { callback({}); });
      return;
    }
    auto engine = facade::engine();
    if (!state().enabled.load() || !engine) {
      facade::monitor()->logWithLevel(LogLevel::kSilentWarning, messages::kUserPropertiesQueryWhileDisabled,
                                      "Cannot query for public user properties when Analytics is disabled");
      queue->async([callback] { callback({}); });
      return;
    }
    engine->userPropertiesIncludingInternal(includingInternal, [queue, callback](const Dictionary& properties) {
      queue->async([callback, properties] { callback(properties); });
    });
  });
}

void Analytics::maxUserPropertiesForOrigin(const std::string& origin,
                                              const std::shared_ptr<platform::dispatch::Queue>& queue,
                                              std::function<void(std::int64_t)> callback) {
  if (origin.empty()) {
    facade::monitor()->logWithLevel(
        LogLevel::kSilentError, messages::kMaxUserPropertiesQueryOriginEmpty,
        "Cannot query Analytics for max user properties. Origin must be a non-empty string");
    return;
  }
  if (!queue) {
    facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kMaxUserPropertiesQueryQueueMissing,
                                    "Cannot query Analytics for max user properties. Queue cannot be nil. Origin",
                                    Value(origin));
    return;
  }
  if (!callback) {
    facade::monitor()->logWithLevel(
        LogLevel::kSilentError, messages::kMaxUserPropertiesQueryCallbackMissing,
        "Cannot query Analytics for max user properties. MaxUserProperties callback cannot be nil. Origin",
        Value(origin));
    return;
  }
  queueOperationWithBlock([origin, queue, callback = std::move(callback)] {
    auto engine = facade::engine();
    if (!engine) return;
    engine->maxUserPropertiesForOrigin(origin, [queue, callback](std::int64_t count) {
      queue->async([callback, count] { callback(count); });
    });
  });
}

}  // namespace sdk::analytics

