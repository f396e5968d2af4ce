#include "sdk/analytics/engine/ZEDIvadazudoConnector.h"

#include <condition_variable>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"
#include "platform/runtime/LoadHooks.h"
#include "sdk/analytics/engine/VURConnectorUtils.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/analytics/rules/APMConditionalUserPropertyController.h"
#include "sdk/core/REDIri.h"
#include "sdk/core/VURLibrary.h"
#include "sdk/core/VURVersion.h"

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::runtime::Class;

const bool registered =
    (platform::runtime::addLoadHook(kVURLibraryLoadOrder, &ZEDIvadazudoConnector::registerLibrary), true);

APMParameters parametersFromDictionary(const Dictionary& dictionary) {
  APMParameters parameters;
  for (const auto& [name, value] : dictionary) {
    if (auto converted = APMValue::valueFromObject(value)) parameters.emplace(name, *converted);
  }
  return parameters;
}

}  // namespace

void ZEDIvadazudoConnector::registerLibrary() {
  (void)registered;
  Class* cls = platform::runtime::classOf<ZEDIvadazudoConnector>();
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(ZEDIvadazudoInterop::protocol()));
  cls->addProtocol(const_cast<platform::runtime::Protocol*>(VURLibraryProtocol()));
  if (!cls->metaclass()->ownMethod(kVURComponentsToRegister.name)) {
    cls->metaclass()->addMethod(kVURComponentsToRegister, [](platform::runtime::Object&) { return componentsToRegister(); });
  }
  REDIri::registerInternalLibrary(cls, kLibraryName, kVURVurevoreVersion);
}

std::vector<VURComponent::Ptr> ZEDIvadazudoConnector::componentsToRegister() {
  return {VURComponent::componentWithProtocol(
      ZEDIvadazudoInterop::protocol(), VURInstantiationTimingLazy, {},
      [](VURComponentContainer&, bool* isCacheable) -> std::shared_ptr<platform::runtime::Object> {
        // One connector per app: a listener registered through one lookup must be heard through every
        // other, and the facade holds the connector only weakly.
        *isCacheable = true;
        return std::make_shared<ZEDIvadazudoConnector>();
      })};
}

std::shared_ptr<platform::dispatch::Queue> ZEDIvadazudoConnector::queue() {
  static const auto serial = platform::dispatch::Queue::serial(kQueueLabel);
  return serial;
}

// --- events and user properties

void ZEDIvadazudoConnector::logEventWithOrigin(const std::string& origin, const std::string& name,
                                               const std::optional<Dictionary>& parameters) {
  if (!VURConnectorUtils::isOriginAllowed(origin) || !VURConnectorUtils::shouldLogEventWithName(name, parameters)) {
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
  APMAnalytics::logInternalEventWithOrigin(origin, name, copy);
}

void ZEDIvadazudoConnector::setUserPropertyWithOrigin(const std::string& origin, const std::string& name,
                                                      const Value& value) {
  if (!VURConnectorUtils::isOriginAllowed(origin) || !VURConnectorUtils::isUserPropertyAllowed(name, origin)) return;
  APMAnalytics::sharedInstance().setInternalUserProperty(value, name, origin);
}

void ZEDIvadazudoConnector::getUserPropertiesWithCallback(std::function<void(const Dictionary&)> callback) {
  APMAnalytics::userPropertiesIncludingInternal(false, queue(), std::move(callback));
}

std::int64_t ZEDIvadazudoConnector::maxUserProperties(const std::string& origin) {
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
  APMAnalytics::sharedInstance().maxUserPropertiesForOrigin(
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

std::optional<APMEvent> ZEDIvadazudoConnector::eventFromDictionary(const Value& dictionary) {
  if (!dictionary.isDictionary()) return std::nullopt;
  const Value& timestamp = dictionary["timestamp"];
  const Value& parameters = dictionary["parameters"];
  return APMEvent::create(dictionary["origin"].toString(), false, dictionary["name"].toString(),
                          timestamp.isNumber() ? timestamp.toDouble() : platform::foundation::Clock::current()->now(), 0,
                          parameters.dictionary() ? parametersFromDictionary(*parameters.dictionary()) : APMParameters{});
}

std::optional<APMEvent> ZEDIvadazudoConnector::eventWithOrigin(const std::string& origin, const std::string& eventName,
                                                               const Dictionary& params) {
  return APMEvent::create(origin, false, eventName, platform::foundation::Clock::current()->now(), 0,
                          parametersFromDictionary(params));
}

void ZEDIvadazudoConnector::setConditionalUserProperty(const Dictionary& fields) {
  if (fields.empty()) return;
  const APMConditionalUserProperty property = conditionalUserPropertyFromDictionary(fields);
  APMConditionalUserPropertyController::sharedInstance()->setConditionalUserProperty(property, property.name);
}

APMConditionalUserProperty ZEDIvadazudoConnector::conditionalUserPropertyFromDictionary(const Dictionary& fields) {
  APMConditionalUserProperty property;
  auto monitor = APMMonitor::shared();
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
      property.value = APMValue::valueFromObject(value);
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
      monitor->logWithLevel(3, 25044, "Ignoring unknown or mistyped conditional user property field. Field, value",
                            Value(key), value);
    }
  }
  return property;
}

platform::foundation::Array ZEDIvadazudoConnector::conditionalUserProperties(const std::string& origin,
                                                                             const std::string& propertyNamePrefix) {
  platform::foundation::Array list;
  const auto properties =
      APMConditionalUserPropertyController::sharedInstance()->conditionalUserPropertiesWithNamePrefix(propertyNamePrefix,
                                                                                                      origin);
  if (!properties) return list;
  for (const auto& property : *properties) {
    if (property.name.empty() || !property.value || !property.value->isString()) continue;
    list.push_back(Value(Dictionary{{"name", Value(property.name)}, {"value", Value(property.value->stringValue())}}));
  }
  return list;
}

void ZEDIvadazudoConnector::clearConditionalUserProperty(const std::string&, const std::string& origin,
                                                         const std::string& clearEventName,
                                                         const Dictionary& clearEventParameters) {
  if (clearEventParameters.empty()) return;
  const auto& [name, value] = *clearEventParameters.begin();
  auto event = eventWithOrigin(origin, clearEventName, Dictionary{{name, value}});
  APMConditionalUserPropertyController::sharedInstance()->clearConditionalUserPropertyWithClearEvent(event, name);
}

// --- listeners

void ZEDIvadazudoConnector::registerAnalyticsListener(std::shared_ptr<ZEDIvadazudoInteropListener> listener,
                                                      const std::string& origin) {
  if (!listener || !VURConnectorUtils::isListenerOriginAllowed(origin)) return;
  std::lock_guard lock(mutex_);
  listeners_[origin] = std::move(listener);
  if (logEventListener_) return;
  std::weak_ptr<ZEDIvadazudoConnector> weakSelf =
      std::static_pointer_cast<ZEDIvadazudoConnector>(platform::runtime::Object::shared_from_this());
  logEventListener_ = APMAnalytics::addLogEventListener([weakSelf](const APMEvent& event) {
    if (auto self = weakSelf.lock()) self->handleLoggedEvent(event);
  });
}

void ZEDIvadazudoConnector::unregisterAnalyticsListenerWithOrigin(const std::string& origin) {
  std::optional<APMAnalytics::ListenerToken> token;
  {
    std::lock_guard lock(mutex_);
    listeners_.erase(origin);
    if (!listeners_.empty()) return;
    token = logEventListener_;
    logEventListener_.reset();
  }
  if (token) APMAnalytics::removeLogEventListener(token);
}

void ZEDIvadazudoConnector::handleLoggedEvent(const APMEvent& event) {
  if (!VURConnectorUtils::isEventNameAllowedForListeners(event.name())) return;
  std::vector<std::shared_ptr<ZEDIvadazudoInteropListener>> targets;
  {
    std::lock_guard lock(mutex_);
    if (auto own = listeners_.find(event.origin()); own != listeners_.end()) {
      targets.push_back(own->second);
    } else if (VURConnectorUtils::isAppOrigin(event.origin())) {
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

Dictionary ZEDIvadazudoConnector::simplifiedParametersFromEventParameters(const APMParameters& parameters) {
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
