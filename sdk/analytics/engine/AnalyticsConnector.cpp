#include "sdk/analytics/engine/AnalyticsConnector.h"

#include <condition_variable>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/analytics/engine/ConnectorFilter.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/rules/ConditionalUserPropertyController.h"
#include "sdk/core/App.h"
#include "sdk/core/Library.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

const bool connectorRegistered =
    (platform::runtime::addLoadHook(sdk::core::kLibraryLoadOrder, &AnalyticsConnector::registerLibrary), true);

Parameters parametersFromDictionary(const Dictionary& dictionary) {
  Parameters parameters;
  for (const auto& [name, value] : dictionary) {
    if (auto converted = AnalyticsValue::valueFromObject(value)) parameters.emplace(name, *converted);
  }
  return parameters;
}

}  // namespace

void AnalyticsConnector::registerLibrary() {
  (void)connectorRegistered;
  sdk::core::registerLibraryClass(platform::runtime::classOf<AnalyticsConnector>(),
                                  sdk::core::AnalyticsInterop::protocol(), &componentsToRegister, kLibraryName);
}

std::vector<sdk::core::Component::Ptr> AnalyticsConnector::componentsToRegister() {
  return {sdk::core::Component::componentWithProtocol(
      sdk::core::AnalyticsInterop::protocol(), sdk::core::kInstantiationTimingLazy, {},
      [](sdk::core::ComponentContainer&, bool* isCacheable) -> std::shared_ptr<platform::runtime::Object> {
        // One connector per app: a listener registered through one lookup must be heard through every
        // other, and the facade holds the connector only weakly.
        *isCacheable = true;
        return std::make_shared<AnalyticsConnector>();
      })};
}

std::shared_ptr<platform::dispatch::Queue> AnalyticsConnector::queue() {
  static const auto serial = platform::dispatch::Queue::serial(kQueueLabel);
  return serial;
}

// --- events and user properties

void AnalyticsConnector::logEventWithOrigin(const std::string& origin, const std::string& name,
                                               const std::optional<Dictionary>& parameters) {
  if (!ConnectorFilter::isOriginAllowed(origin) || !ConnectorFilter::shouldLogEventWithName(name, parameters)) {
    return;
  }
  Dictionary copy = parameters.value_or(Dictionary{});
  if (name == "_cmp") {
    static const std::map<std::string, const char*> integrations{
        {"vcm", "fcm_integration"}, {"fdl", "fdl_integration"}, {"viam", "fiam_integration"}, {"frc", "frc_integration"}};
    if (auto found = integrations.find(origin); found != integrations.end()) copy["_cis"] = Value(found->second);
  } else if (name == "_ae" && origin == "clx") {
    // Callers may not pass the real-time flag themselves; the crash marker always carries it.
    copy["_r"] = Value(1);
  }
  Analytics::logInternalEventWithOrigin(origin, name, copy);
}

void AnalyticsConnector::setUserPropertyWithOrigin(const std::string& origin, const std::string& name,
                                                      const Value& value) {
  if (!ConnectorFilter::isOriginAllowed(origin) || !ConnectorFilter::isUserPropertyAllowed(name, origin)) return;
  Analytics::sharedInstance().setInternalUserProperty(value, name, origin);
}

void AnalyticsConnector::getUserPropertiesWithCallback(std::function<void(const Dictionary&)> callback) {
  Analytics::userPropertiesIncludingInternal(false, queue(), std::move(callback));
}

std::int64_t AnalyticsConnector::maxUserProperties(const std::string& origin) {
  // The answer lands in shared state that outlives this call, so an answer after the time-out
  // writes nowhere it shouldn't; it is delivered off the connector queue, so a caller on that queue
  // can still hear it.
  struct Wait {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::int64_t> answer;
    bool timedOut = false;
  };
  auto wait = std::make_shared<Wait>();
  Analytics::sharedInstance().maxUserPropertiesForOrigin(
      origin, platform::dispatch::Queue::global(platform::dispatch::Queue::Priority::Default),
      [wait](std::int64_t count) {
        std::lock_guard lock(wait->mutex);
        wait->answer = count;
        wait->changed.notify_all();
      });
  auto clock = platform::foundation::Clock::current();
  auto timer = clock->scheduleAfter(kMaxUserPropertiesTimeout, [wait] {
    std::lock_guard lock(wait->mutex);
    wait->timedOut = true;
    wait->changed.notify_all();
  });
  std::unique_lock lock(wait->mutex);
  wait->changed.wait(lock, [&] { return wait->answer || wait->timedOut; });
  const std::int64_t answer = wait->answer.value_or(0);
  lock.unlock();
  clock->cancel(timer);
  return answer;
}

// --- conditional user properties

std::optional<AnalyticsEvent> AnalyticsConnector::eventFromDictionary(const Value& dictionary) {
  if (!dictionary.isDictionary()) return std::nullopt;
  const Value& timestamp = dictionary["timestamp"];
  const Value& parameters = dictionary["parameters"];
  return AnalyticsEvent::create(dictionary["origin"].toString(), false, dictionary["name"].toString(),
                          timestamp.isNumber() ? timestamp.toDouble() : platform::foundation::Clock::current()->now(), 0,
                          parameters.dictionary() ? parametersFromDictionary(*parameters.dictionary()) : Parameters{});
}

std::optional<AnalyticsEvent> AnalyticsConnector::eventWithOrigin(const std::string& origin, const std::string& eventName,
                                                               const Dictionary& params) {
  return AnalyticsEvent::create(origin, false, eventName, platform::foundation::Clock::current()->now(), 0,
                          parametersFromDictionary(params));
}

void AnalyticsConnector::setConditionalUserProperty(const Dictionary& fields) {
  if (fields.empty()) return;
  const ConditionalUserProperty property = conditionalUserPropertyFromDictionary(fields);
  ConditionalUserPropertyController::sharedInstance()->setConditionalUserProperty(property, property.name);
}

ConditionalUserProperty AnalyticsConnector::conditionalUserPropertyFromDictionary(const Dictionary& fields) {
  ConditionalUserProperty property;
  auto monitor = Monitor::shared();
  // Each known field is taken only in its own type; anything else is named in the log and skipped,
  // where setting it blindly would break the record.
  for (const auto& [key, value] : fields) {
    bool taken = true;
    if (key == "expiredEvent" || key == "timedOutEvent" || key == "triggeredEvent") {
      auto event = eventFromDictionary(value);
      taken = event.has_value() || value.isNil();
      if (key == "expiredEvent") property.expiredEvent = event;
      if (key == "timedOutEvent") property.timedOutEvent = event;
      if (key == "triggeredEvent") property.triggeredEvent = event;
    } else if (key == "value") {
      property.value = AnalyticsValue::valueFromObject(value);
      taken = property.value.has_value();
    } else if (key == "name" || key == "origin" || key == "triggerEventName") {
      taken = value.isString();
      if (taken) (key == "name" ? property.name : key == "origin" ? property.origin : property.triggerEventName) = *value.string();
    } else if (key == "creationTimestamp" || key == "triggerTimeout" || key == "timeToLive" ||
               key == "triggeredTimestamp") {
      taken = value.isNumber();
      if (taken) {
        (key == "creationTimestamp" ? property.creationTimestamp
         : key == "triggerTimeout"  ? property.triggerTimeout
         : key == "timeToLive"      ? property.timeToLive
                                    : property.triggeredTimestamp) = value.toDouble();
      }
    } else if (key == "active") {
      taken = value.isNumber();
      if (taken) property.active = value.toBool();
    } else {
      taken = false;
    }
    if (!taken) {
      monitor->logWithLevel(LogLevel::kWarning, messages::kConditionalPropertyFieldUnknown,
                            "Ignoring unknown or mistyped conditional user property field. Field, value", Value(key),
                            value);
    }
  }
  return property;
}

platform::foundation::Array AnalyticsConnector::conditionalUserProperties(const std::string& origin,
                                                                             const std::string& propertyNamePrefix) {
  platform::foundation::Array list;
  const auto properties =
      ConditionalUserPropertyController::sharedInstance()->conditionalUserPropertiesWithNamePrefix(propertyNamePrefix,
                                                                                                      origin);
  if (!properties) return list;
  for (const auto& property : *properties) {
    if (property.name.empty() || !property.value || !property.value->isString()) continue;
    list.push_back(Value(Dictionary{{"name", Value(property.name)}, {"value", Value(property.value->stringValue())}}));
  }
  return list;
}

void AnalyticsConnector::clearConditionalUserProperty(const std::string&, const std::string& origin,
                                                         const std::string& clearEventName,
                                                         const Dictionary& clearEventParameters) {
  if (clearEventParameters.empty()) return;
  const auto& [name, value] = *clearEventParameters.begin();
  auto event = eventWithOrigin(origin, clearEventName, Dictionary{{name, value}});
  ConditionalUserPropertyController::sharedInstance()->clearConditionalUserPropertyWithClearEvent(event, name);
}

// --- listeners

void AnalyticsConnector::registerAnalyticsListener(std::shared_ptr<sdk::core::AnalyticsInteropListener> listener,
                                                      const std::string& origin) {
  if (!listener || !ConnectorFilter::isListenerOriginAllowed(origin)) return;
  std::lock_guard lock(mutex_);
  listeners_[origin] = std::move(listener);
  if (logEventListener_) return;
  std::weak_ptr<AnalyticsConnector> weakSelf =
      std::static_pointer_cast<AnalyticsConnector>(platform::runtime::Object::shared_from_this());
  logEventListener_ = Analytics::addLogEventListener([weakSelf](const AnalyticsEvent& event) {
    if (auto self = weakSelf.lock()) self->handleLoggedEvent(event);
  });
}

void AnalyticsConnector::unregisterAnalyticsListenerWithOrigin(const std::string& origin) {
  std::optional<Analytics::ListenerToken> token;
  {
    std::lock_guard lock(mutex_);
    listeners_.erase(origin);
    if (!listeners_.empty()) return;
    token = logEventListener_;
    logEventListener_.reset();
  }
  if (token) Analytics::removeLogEventListener(token);
}

void AnalyticsConnector::handleLoggedEvent(const AnalyticsEvent& event) {
  if (!ConnectorFilter::isEventNameAllowedForListeners(event.name())) return;
  std::vector<std::shared_ptr<sdk::core::AnalyticsInteropListener>> targets;
  {
    std::lock_guard lock(mutex_);
    if (auto own = listeners_.find(event.origin()); own != listeners_.end()) {
      targets.push_back(own->second);
    } else if (ConnectorFilter::isAppOrigin(event.origin())) {
      for (const auto& [origin, listener] : listeners_) targets.push_back(listener);
    }
  }
  if (targets.empty()) return;
  queue()->async([event, targets] {
    Dictionary parameters = simplifiedParametersFromEventParameters(event.parameters());
    platform::dispatch::Queue::main()->async([name = event.name(), parameters, targets] {
      for (const auto& listener : targets) listener->messageTriggered(name, parameters);
    });
  });
}

Dictionary AnalyticsConnector::simplifiedParametersFromEventParameters(const Parameters& parameters) {
  Dictionary simplified;
  for (const auto& [name, value] : parameters) {
    if (value.isDouble()) {
      simplified[name] = Value(value.doubleValue());
    } else if (value.isInt64()) {
      simplified[name] = Value(value.int64Value());
    } else if (value.isString()) {
      simplified[name] = Value(value.stringValue());
    }
  }
  return simplified;
}

}  // namespace sdk::analytics

