#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Value.h"
#include "sdk/analytics/engine/FacadeEngine.h"
#include "sdk/analytics/engine/ScreenViewReporting.h"
#include "sdk/analytics/foundation/AnalyticsEvent.h"

namespace sdk::core {
class AnalyticsConfiguration;
}  // namespace sdk::core

namespace sdk::analytics {

class Identity;
 

}  // namespace sdk::analytics

namespace platform::dispatch {
class Queue;
}
namespace platform::store {
struct PaymentTransaction;
}
namespace platform::ui {
struct UserActivity;
}

namespace sdk::analytics {

// The one door into the measurement library: the public interface, the connector, the automatic
// reporters and the app-delegate interceptor all call it. Arguments are checked on the caller's
// thread; accepted work goes through one operation queue onto one serial queue, from which the engine
// is called. The operation queue is suspended until start has created the engine, so calls made
// before start run after it, in the order they were made.
class Analytics {
 public:
  using Value = platform::foundation::Value;
  using Dictionary = platform::foundation::Dictionary;
  using EventListener = std::function<void(const AnalyticsEvent&)>;
  using ListenerToken = std::uint64_t;
  using OpenURLListener = std::function<void(const std::string& url)>;
  // What the automatic reporters do with a batch of store transactions: filter out what was reported
  // before and report the rest. Runs on the serial queue while collection is enabled.
  using PurchaseReporting = std::function<void(const std::vector<platform::store::PaymentTransaction>&)>;
  using LogEventInterceptor = sdk::analytics::LogEventInterceptor;

  static constexpr const char* kSerialQueueLabel = "APMAnalyticsQueue";
  static constexpr const char* kOperationQueueName = "APMAnalyticsOperationQueue";
  static constexpr const char* kTimestampQueueLabel = "APMAnalyticsTimestampQueue";
  static constexpr const char* kSuiteName = "APMAnalyticsSuiteName";
  static constexpr const char* kConsentSettingsKey = "consent_settings";
  static constexpr const char* kConsentSettings3PKey = "consent_settings_3p";
  static constexpr const char* kWillStartNotification = "kZEDIvadazudoWillStartNotification";

  // Start options.
  static constexpr const char* kOptionCollectionEnabled = "VUREVORE_ANALYTICS_COLLECTION_ENABLED";
  static constexpr const char* kOptionCollectionDeactivated = "VUREVORE_ANALYTICS_COLLECTION_DEACTIVATED";
  static constexpr const char* kOptionConfiguration = "VUREVORE_ANALYTICS_CONFIGURATION";
  static constexpr const char* kOptionSafelistedEvents = "safelisted_events";
  static constexpr const char* kOptionLogTag = "app_measurement_log_tag";

  // --- start and switches
  // Runs its body once per process; later calls repeat only the checks and the log tag.
  // The SDK core's configuration object travels beside the plain options: when given, its collection
  // switch is followed.
  static void startWithAppID(const std::string& appID, const std::string& origin, const Dictionary& options,
                             const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration = nullptr);
  static void setAnalyticsEnabled(bool enabled) { setAnalyticsEnabled(enabled, false); }
  static void setAnalyticsEnabled(bool enabled, bool persistSetting);
  // Follows the SDK core's collection switch posted by `configuration`.
  static void observeNotificationsForAnalyticsConfiguration(
      const std::shared_ptr<sdk::core::AnalyticsConfiguration>& configuration);
  static void handleSetEnabled(const Value& enabledState);
  static void setSessionTimeoutInterval(double seconds);
  static void setDefaultEventParameters(const std::optional<Dictionary>& parameters);
  static void setScreenName(const std::optional<std::string>& screenName,
                            const std::optional<std::string>& screenClass);
  static double loadTimestamp();
  static void setLoadTimestamp(double timestamp);
  static bool isEnabled();

  // --- queues
  static std::shared_ptr<platform::dispatch::Queue> queue();
  static void dispatchAsyncOnSerialQueue(std::function<void()> block);
  static void queueOperationWithBlock(std::function<void()> block);
  static void unsuspendOperationQueue();
  static bool isCurrentQueueSerialQueue();

  // --- events
  static void logEventWithName(const std::string& name, const Dictionary& parameters);
  static void logEventWithOrigin(const std::string& origin, const std::string& name, const Dictionary& parameters);
  static void logInternalEventWithOrigin(const std::string& origin, const std::string& name,
                                         const Dictionary& parameters);
  static void logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                 const Dictionary& parameters);
  static void logInternalEventWithOrigin(const std::string& origin, const std::string& name, double timestamp,
                                         const Dictionary& parameters);
  static void logEventWithOrigin(const std::string& origin, bool isPublicEvent, const std::string& name,
                                 const Dictionary& parameters, double timestamp, bool ignoreEnabled,
                                 bool ignoreInterceptor);
  // The instance form: an "am" event's decimal "_aeid" text becomes an integer.
  void logInternalEventWithOriginInstance(const std::string& origin, const std::string& name,
                                          const Dictionary& parameters);

  // --- user properties
  static void setUserPropertyString(const Value& value, const std::string& name);
  static void setUserID(const Value& userID);
  static void removeUserAttributeForName(const std::string& name);
  static void setUserAttributeNumber(const Value& number, const std::string& name);
  void setInternalUserProperty(const Value& value, const std::string& name, const std::string& origin);
  static void removeInternalUserAttributeForName(const std::string& name);
  // Delivered on `queue`; an empty dictionary while analytics is disabled.
  static void userPropertiesIncludingInternal(bool includingInternal,
                                              const std::shared_ptr<platform::dispatch::Queue>& queue,
                                              std::function<void(const Dictionary&)> callback);
  void maxUserPropertiesForOrigin(const std::string& origin, const std::shared_ptr<platform::dispatch::Queue>& queue,
                                  std::function<void(std::int64_t)> callback);

  // --- listeners and the interceptor
  static void setLogEventInterceptor(LogEventInterceptor interceptor);
  // Nothing for an empty listener.
  static std::optional<ListenerToken> addLogEventListener(EventListener listener);
  static void removeLogEventListener(std::optional<ListenerToken> token);
  static void notifyEventListeners(const AnalyticsEvent& event);
  static void setOpenURLListener(OpenURLListener listener);

  // --- open URL, user activity, background sessions
  static void handleOpenURL(const std::string& url);
  static void handleUserActivity(const platform::ui::UserActivity& activity);
  // The store's payment queue reports updated transactions (the facade observes it from start).
  static void paymentQueueUpdatedTransactions(const std::vector<platform::store::PaymentTransaction>& transactions);
  static void handleEventsForBackgroundURLSession(const std::string& identifier,
                                                  std::function<void()> completionHandler);
  // Once per process: the app-delegate proxy with the facade's interceptor.
  static void createAppDelegateProxy();

  // --- reset and consent
  static void resetAnalyticsData();
  // Nothing while analytics storage is denied.
  static std::optional<std::string> appInstanceID();
  // The internal entry (source 30).
  static void setConsent(const Dictionary& settings) { setConsent(settings, kConsentSettingsKey); }
  // `key`: kConsentSettings3PKey (the public interface, source 10) or kConsentSettingsKey.
  static void setConsent(const Dictionary& settings, const std::string& key);

  // --- boundaries: the engine and the screen-view reporter install themselves here
  static void setEngineAccess(sdk::analytics::FacadeEngineAccess access);
  static void setScreenViewReporter(std::shared_ptr<sdk::analytics::ScreenViewReporting> reporter);
  static void setPurchaseReporting(PurchaseReporting reporting);
  static std::shared_ptr<sdk::analytics::ScreenViewReporting> screenViewReporter();
  // The screen the screen-view reporter last saw, as event parameters; none without a reporter.
  static Parameters currentScreenParameters();
  // Tests only: the app IDs the start compares are kept once per process by the shared identity.
  static void setIdentityForTesting(std::shared_ptr<Identity> identity);
  // Routes the foundation's "_err" events through the facade (done at first use).
  static void installErrorEventHandler();

  static Analytics& sharedInstance();

  // Tests only: waits until the operations queued so far and the serial queue have run.
  static void drainForTesting();
  // Tests only: back to the state before start (suspended, no listeners, start not run).
  static void resetForTesting();

 private:
  Analytics() = default;
  // Stamps the event now and queues it with the screen on show; `editable` false for an error event
  // about what event editing made (see EditingOutputScope).
  static void queueEventStampedNow(const std::string& origin, bool isPublicEvent, const std::string& name,
                                   const Dictionary& parameters, bool editable);
  static void logEventOnSerialQueue(std::string origin, bool isPublicEvent, std::string name, Dictionary parameters,
                                    double timestamp, bool ignoreEnabled, bool ignoreInterceptor,
                                    Parameters addedScreenParameters, bool editable = true);
  static void notifyEventListenersOnSerialQueue(const AnalyticsEvent& event);
};

// Whether the app is in the foreground, as the screen-view reporter tells it.
bool isApplicationActive();

}  // namespace sdk::analytics

