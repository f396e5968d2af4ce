#include "sdk/analytics/engine/APMAppDelegateInterceptor.h"

#include "platform/foundation/Clock.h"
#include "platform/ui/Application.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/foundation/APMMonitor.h"
#include "sdk/utilities/ZURAridire.h"

namespace {

using platform::ui::Application;

platform::runtime::Class* interceptorClass() {
  static platform::runtime::Class* cls = [] {
    platform::runtime::Class* made = platform::runtime::classOf<APMAppDelegateInterceptor>();
    made->addProtocol(const_cast<platform::runtime::Protocol*>(platform::ui::applicationDelegateProtocol()));
    made->addMethod<bool(Application&, const std::string&, const platform::foundation::Value&), APMAppDelegateInterceptor>(
        platform::ui::kApplicationOpenURLOptions, [](APMAppDelegateInterceptor&, Application&, const std::string& url,
                                                     const platform::foundation::Value&) {
          APMAnalytics::handleOpenURL(url);
          return false;
        });
    made->addMethod<bool(Application&, const std::string&, const std::string&, const platform::foundation::Value&),
                    APMAppDelegateInterceptor>(
        platform::ui::kApplicationOpenURLSourceApplication,
        [](APMAppDelegateInterceptor&, Application&, const std::string& url, const std::string&,
           const platform::foundation::Value&) {
          APMAnalytics::handleOpenURL(url);
          return false;
        });
    made->addMethod<bool(Application&, const platform::ui::UserActivity&, const platform::ui::RestorationHandler&),
                    APMAppDelegateInterceptor>(
        platform::ui::kApplicationContinueUserActivity,
        [](APMAppDelegateInterceptor&, Application&, const platform::ui::UserActivity& activity,
           const platform::ui::RestorationHandler&) {
          if (auto link = APMDeepLinkFromUserActivity(&activity)) APMAnalytics::handleOpenURL(*link);
          return false;
        });
    made->addMethod<void(Application&, const std::string&, const std::function<void()>&), APMAppDelegateInterceptor>(
        platform::ui::kApplicationHandleEventsForBackgroundURLSession,
        [](APMAppDelegateInterceptor&, Application&, const std::string& identifier,
           const std::function<void()>& completionHandler) {
          ZURAridire::handleEventsForBackgroundURLSessionID(identifier, completionHandler);
        });
    return made;
  }();
  return cls;
}

}  // namespace

std::shared_ptr<APMAppDelegateInterceptor> APMAppDelegateInterceptor::sharedInstance() {
  static const auto instance = std::make_shared<APMAppDelegateInterceptor>();
  return instance;
}

APMAppDelegateInterceptor::APMAppDelegateInterceptor() : Object(interceptorClass()) {}

std::optional<std::string> APMDeepLinkFromUserActivity(const platform::ui::UserActivity* activity) {
  auto monitor = APMMonitor::shared();
  if (!activity) {
    monitor->logWithLevel(7, 23003, "User Activity is empty. User Activity");
    return std::nullopt;
  }
  if (activity->activityType == "NSUserActivityTypeBrowsingWeb" && !activity->webpageURL.empty()) {
    return activity->webpageURL;
  }
  monitor->logWithLevel(3, 23006, "User Activity does not have Deep Link. User Activity",
                        platform::foundation::Value(activity->activityType));
  return std::nullopt;
}
