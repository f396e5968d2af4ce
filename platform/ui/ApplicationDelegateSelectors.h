#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "platform/runtime/Selector.h"

namespace platform::ui {

class Application;

// What the system hands to the app from outside: URLs to open, activities to continue, background
// transfers that finished and remote notifications. The application delegate hears them through the
// selectors below, sent through the runtime so that SDK code can see them too.

// An activity the user started elsewhere (a web page, another device) and continues here.
struct UserActivity {
  std::string activityType;
  std::string webpageURL;      // empty when the activity has none
  foundation::Value userInfo;  // a dictionary, or nil
};

// A user activity where a dictionary must carry it (the launch options).
class UserActivityBox final : public foundation::Object {
 public:
  explicit UserActivityBox(UserActivity userActivity) : activity(std::move(userActivity)) {}
  const UserActivity activity;
};

// Gives the delegate's objects that should restore the activity's state.
using RestorationHandler = std::function<void(const std::vector<std::shared_ptr<runtime::Object>>&)>;

// What a background fetch brought; the numbers are the ones the system stores.
enum class BackgroundFetchResult : int { NewData = 0, NoData = 1, Failed = 2 };
using FetchCompletionHandler = std::function<void(BackgroundFetchResult)>;

inline constexpr runtime::Selector<bool(Application&, const std::string& url, const foundation::Value& options)>
    kApplicationOpenURLOptions{"application:openURL:options:"};
inline constexpr runtime::Selector<bool(Application&, const std::string& url, const std::string& sourceApplication,
                                        const foundation::Value& annotation)>
    kApplicationOpenURLSourceApplication{"application:openURL:sourceApplication:annotation:"};
inline constexpr runtime::Selector<bool(Application&, const UserActivity&, const RestorationHandler&)>
    kApplicationContinueUserActivity{"application:continueUserActivity:restorationHandler:"};
inline constexpr runtime::Selector<void(Application&, const std::string& identifier,
                                        const std::function<void()>& completionHandler)>
    kApplicationHandleEventsForBackgroundURLSession{
        "application:handleEventsForBackgroundURLSession:completionHandler:"};
inline constexpr runtime::Selector<void(Application&, const foundation::Data& deviceToken)>
    kApplicationDidRegisterForRemoteNotifications{"application:didRegisterForRemoteNotificationsWithDeviceToken:"};
inline constexpr runtime::Selector<void(Application&, const foundation::Error&)>
    kApplicationDidFailToRegisterForRemoteNotifications{
        "application:didFailToRegisterForRemoteNotificationsWithError:"};
inline constexpr runtime::Selector<void(Application&, const foundation::Value& userInfo)>
    kApplicationDidReceiveRemoteNotification{"application:didReceiveRemoteNotification:"};
inline constexpr runtime::Selector<void(Application&, const foundation::Value& userInfo, const FetchCompletionHandler&)>
    kApplicationDidReceiveRemoteNotificationFetch{"application:didReceiveRemoteNotification:fetchCompletionHandler:"};

}  // namespace platform::ui
