#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/core/AppOptions.h"

namespace sdk::core {
class AnalyticsConfiguration;
}  // namespace sdk::core

namespace sdk::analytics {

 

// The analytics interface the app and the SDK core see. Events and user properties wait for the SDK
// core to configure the default app; everything else goes straight to the facade, Analytics.
class PublicAnalytics {
 public:
  using Value = platform::foundation::Value;
  using Dictionary = platform::foundation::Dictionary;

  static constexpr const char* kLogTag = "[Vurevore/Analytics]";
  static constexpr const char* kSafelistedEventsOption = "ANALYTICS_SAFELISTED_EVENTS";

  // --- events and user properties
  static void logEventWithName(const std::string& name, const Dictionary& parameters);
  static void logEventWithOrigin(const std::string& origin, const std::string& name, const Dictionary& parameters);
  static void setUserPropertyString(const Value& value, const std::string& name);
  static void setUserID(const Value& userID) { Analytics::setUserID(userID); }

  // --- switches, consent and identity
  static void setAnalyticsCollectionEnabled(bool enabled) { Analytics::setAnalyticsEnabled(enabled, true); }
  static void setSessionTimeoutInterval(double seconds) { Analytics::setSessionTimeoutInterval(seconds); }
  static std::optional<std::string> appInstanceID() { return Analytics::appInstanceID(); }
  static void resetAnalyticsData() { Analytics::resetAnalyticsData(); }
  static void setConsent(const Dictionary& consent) {
    Analytics::setConsent(consent, Analytics::kConsentSettings3PKey);
  }
  static void setDefaultEventParameters(const std::optional<Dictionary>& parameters) {
    Analytics::setDefaultEventParameters(parameters);
  }
  static std::string topLevelVersion();

  // --- what other SDK parts may ask of the facade through this interface, as the facade does it
  static void setLogEventInterceptor(Analytics::LogEventInterceptor interceptor) {
    Analytics::setLogEventInterceptor(std::move(interceptor));
  }
  static std::optional<Analytics::ListenerToken> addLogEventListener(Analytics::EventListener listener) {
    return Analytics::addLogEventListener(std::move(listener));
  }
  static void removeLogEventListener(std::optional<Analytics::ListenerToken> token) {
    Analytics::removeLogEventListener(token);
  }
  static void notifyEventListeners(const AnalyticsEvent& event) { Analytics::notifyEventListeners(event); }
  static void setOpenURLListener(Analytics::OpenURLListener listener) {
    Analytics::setOpenURLListener(std::move(listener));
  }
  static void logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                 const Dictionary& parameters, double timestamp, bool ignoreEnabled,
                                 bool ignoreInterceptor) {
    Analytics::logEventWithOrigin(origin, isPublicEvent, name, parameters, timestamp, ignoreEnabled,
                                  ignoreInterceptor);
  }
  static void userPropertiesIncludingInternal(bool includingInternal,
                                              const std::shared_ptr<platform::dispatch::Queue>& queue,
                                              std::function<void(const Dictionary&)> callback) {
    Analytics::userPropertiesIncludingInternal(includingInternal, queue, std::move(callback));
  }
  static void handleEventsForBackgroundURLSession(const std::string& identifier,
                                                  std::function<void()> completionHandler) {
    Analytics::handleEventsForBackgroundURLSession(identifier, std::move(completionHandler));
  }
  static void handleOpenURL(const std::string& url) { Analytics::handleOpenURL(url); }
  static void handleUserActivity(const platform::ui::UserActivity& activity) {
    Analytics::handleUserActivity(activity);
  }
  static void dispatchAsyncOnSerialQueue(std::function<void()> block) {
    Analytics::dispatchAsyncOnSerialQueue(std::move(block));
  }
  static void queueOperationWithBlock(std::function<void()> block) {
    Analytics::queueOperationWithBlock(std::move(block));
  }
  static void unsuspendOperationQueue() { Analytics::unsuspendOperationQueue(); }
  static double loadTimestamp() { return Analytics::loadTimestamp(); }

  // --- the start from the SDK core
  static void startWithConfiguration(const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration,
                                     const sdk::core::AppOptions::Ptr& options);
  // The options as the facade takes them.
  static Dictionary startOptions(const sdk::core::AppOptions& options);
  // The SDK core's installation ID, fetched into the identity (a failed fetch keeps the known one),
  // and fetched again at each change. The start does both only when the options or the environment
  // give the installations service an address: without one the installation could be made but never
  // registered.
  static void updateCoreInstallationID();
  static void observeCoreInstallationIDChanges();

  // The instance the connector reaches the facade's instance methods through.
  static PublicAnalytics& sharedInstance();
  void logInternalEventWithOrigin(const std::string& origin, const std::string& name, const Dictionary& parameters) {
    Analytics::sharedInstance().logInternalEventWithOriginInstance(origin, name, parameters);
  }
  void setInternalUserProperty(const Value& value, const std::string& name, const std::string& origin) {
    Analytics::sharedInstance().setInternalUserProperty(value, name, origin);
  }
  void maxUserPropertiesForOrigin(const std::string& origin, const std::shared_ptr<platform::dispatch::Queue>& queue,
                                  std::function<void(std::int64_t)> callback) {
    Analytics::sharedInstance().maxUserPropertiesForOrigin(origin, queue, std::move(callback));
  }

 private:
  PublicAnalytics() = default;
};

}  // namespace sdk::analytics

