#include <cmath>

#include "platform/dispatch/Queue.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/AppDelegateInterceptor.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/interception/AppDelegateSwizzler.h"
#include "sdk/utilities/HTTPClient.h"
#include "sdk/analytics/engine/AnalyticsState.h"
#include "sdk/analytics/foundation/DataTypeValidator.h"
#include "sdk/analytics/foundation/DecimalNumber.h"
#include "sdk/analytics/foundation/ErrorEvent.h"

namespace sdk::analytics {

using facade::state;

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

}  // namespace

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
  {
    std::lock_guard lock(s.callbacksMutex);
    event.interceptor = s.interceptor;
  }
  event.addedScreenParameters = std::move(addedScreenParameters);
  event.editable = editable;
  engine->logEvent(event);
}

// --- listeners and the interceptor

void Analytics::setLogEventInterceptor(LogEventInterceptor interceptor) {
  auto store = [interceptor = std::move(interceptor)]() mutable {
    auto& s = state();
    std::lock_guard lock(s.callbacksMutex);
    s.interceptor = std::move(interceptor);
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
  auto& s = state();
  ListenerToken token;
  {
    std::lock_guard lock(s.callbacksMutex);
    token = s.nextToken++;
  }
  auto store = [token, listener = std::move(listener)](bool queued) mutable {
    auto& s = state();
    std::lock_guard lock(s.callbacksMutex);
    s.hasListenerDictionary = true;
    s.listeners[token] = std::move(listener);
    if (queued && s.listenersBeingAdded > 0) --s.listenersBeingAdded;
  };
  if (isCurrentQueueSerialQueue()) {
    store(false);
  } else {
    {
      std::lock_guard lock(s.callbacksMutex);
      ++s.listenersBeingAdded;
    }
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
    auto& s = state();
    std::unique_lock lock(s.callbacksMutex);
    if (!s.hasListenerDictionary) {
      lock.unlock();
      facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kNilLogEventListenerRemoved,
                                      "Attempted removal of nil log event listener.");
      return;
    }
    if (s.listeners.erase(token) == 0) {
      lock.unlock();
      facade::monitor()->logWithLevel(LogLevel::kSilentError, messages::kLogEventListenerTokenInvalid,
                                      "Attempted removal of log event listener with invalid token.");
    }
  });
}

void Analytics::notifyEventListeners(const AnalyticsEvent& event) {
  {
    // Every handled event comes here: with nobody listening, it need not travel the facade's queues.
    auto& s = state();
    std::lock_guard lock(s.callbacksMutex);
    if (s.listeners.empty() && s.listenersBeingAdded == 0) return;
  }
  queueOperationWithBlock([event] { notifyEventListenersOnSerialQueue(event); });
}

void Analytics::notifyEventListenersOnSerialQueue(const AnalyticsEvent& event) {
  std::vector<EventListener> listeners;
  {
    auto& s = state();
    std::lock_guard lock(s.callbacksMutex);
    for (const auto& [token, listener] : s.listeners) listeners.push_back(listener);
  }
  // Called outside the lock: a listener may add or remove listeners.
  for (const auto& listener : listeners) listener(event);
}

void Analytics::setOpenURLListener(OpenURLListener listener) {
  dispatchAsyncOnSerialQueue([listener = std::move(listener)]() mutable {
    auto& s = state();
    std::lock_guard lock(s.callbacksMutex);
    s.openURLListener = std::move(listener);
  });
}

void Analytics::handleOpenURL(const std::string& url) {
  const double timestamp = facade::now();
  dispatchAsyncOnSerialQueue([url, timestamp] {
    if (auto engine = facade::engine()) engine->handleNonFirstOpenEventURL(url, timestamp);
    OpenURLListener listener;
    {
      auto& s = state();
      std::lock_guard lock(s.callbacksMutex);
      listener = s.openURLListener;
    }
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

}  // namespace sdk::analytics

