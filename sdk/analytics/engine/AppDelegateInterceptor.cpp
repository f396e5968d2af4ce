#include "sdk/analytics/engine/AppDelegateInterceptor.h"

#include "platform/foundation/Clock.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/utilities/HTTPClient.h"

namespace sdk::analytics {

namespace {

using platform::ui::Application;

platform::runtime::Class* interceptorClass() {
  static platform::runtime::Class* cls = [] {
    platform::runtime::Class* made = platform::runtime::classOf<AppDelegateInterceptor>();
    made->addProtocol(const_cast<platform::runtime::Protocol*>(platform::ui::applicationDelegateProtocol()));
    made->addMethod<bool(Application&, const std::string&, const platform::foundation::Value&), AppDelegateInterceptor>(
        platform::ui::kApplicationOpenURLOptions, [](AppDelegateInterceptor&, Application&, const std::string& url,
                                                     const platform::foundation::Value&) {
          Analytics::handleOpenURL(url);
          return false;
        });
    made->addMethod<bool(Application&, const std::string&, const std::string&, const platform::foundation::Value&),
                    AppDelegateInterceptor>(
        platform::ui::kApplicationOpenURLSourceApplication,
        [](AppDelegateInterceptor&, Application&, const std::string& url, const std::string&,
           const platform::foundation::Value&) {
          Analytics::handleOpenURL(url);
          return false;
        });
    made->addMethod<bool(Application&, const platform::ui::UserActivity&, const platform::ui::RestorationHandler&),
                    AppDelegateInterceptor>(
        platform::ui::kApplicationContinueUserActivity,
        [](AppDelegateInterceptor&, Application&, const platform::ui::UserActivity& activity,
           const platform::ui::RestorationHandler&) {
          if (auto link = deepLinkFromUserActivity(&activity)) Analytics::handleOpenURL(*link);
          return false;
        });
    made->addMethod<void(Application&, const std::string&, const std::function<void()>&), AppDelegateInterceptor>(
        platform::ui::kApplicationHandleEventsForBackgroundURLSession,
        [](AppDelegateInterceptor&, Application&, const std::string& identifier,
           const std::function<void()>& completionHandler) {
          sdk::utilities::HTTPClient::handleEventsForBackgroundURLSessionID(identifier, completionHandler);
        });
    return made;
  }();
  return cls;
}

}  // namespace

std::shared_ptr<AppDelegateInterceptor> AppDelegateInterceptor::sharedInstance() {
  static const auto instance = std::make_shared<AppDelegateInterceptor>();
  return instance;
}

AppDelegateInterceptor::AppDelegateInterceptor() : Object(interceptorClass()) {}

std::optional<std::string> deepLinkFromUserActivity(const platform::ui::UserActivity* activity) {
  auto monitor = Monitor::shared();
  if (!activity) {
    monitor->logWithLevel(LogLevel::kDebug, messages::kUserActivityEmpty, "User Activity is empty. User Activity");
    return std::nullopt;
  }
  if (activity->activityType == "NSUserActivityTypeBrowsingWeb" && !activity->webpageURL.empty()) {
    return activity->webpageURL;
  }
  monitor->logWithLevel(LogLevel::kWarning, messages::kUserActivityWithoutDeepLink,
                        "User Activity does not have Deep Link. User Activity",
                        platform::foundation::Value(activity->activityType));
  return std::nullopt;
}

}  // namespace sdk::analytics

