#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Value.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Protocol.h"
#include "platform/runtime/Selector.h"

namespace platform::ui {

class Application;
class Scene;

// What the system hands to the app from outside: URLs to open, activities to continue, background
// transfers that finished and remote notifications. The application delegate hears them through the
// selectors below, a scene's delegate through the scene selectors further down; both go through the
// runtime so that SDK code can see them too.

// An activity the user started elsewhere (a web page, another device) and continues here.
struct UserActivity {
  std::string activityType;
  std::string webpageURL;      // empty when the activity has none
  foundation::Value userInfo;  // a dictionary, or nil
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

// How a URL handed to a scene was opened.
struct OpenURLOptions {
  std::string sourceApplication;  // the bundle identifier of the app that asked, when the system tells
  foundation::Value annotation;
  bool openInPlace = false;  // the file is to be used where it is rather than copied
};

// One URL handed to a scene.
struct OpenURLContext {
  std::string url;
  OpenURLOptions options;
};

// What a scene is connected with: URLs and activities that launched it.
struct SceneConnectionOptions {
  std::vector<OpenURLContext> urlContexts;
  std::vector<UserActivity> userActivities;
};

// Posted on the default centre just before a scene's delegate hears that the scene connects; the
// scene is the sender, and Scene::fromNotification() gives it back.
inline constexpr const char* kSceneWillConnectNotification = "UISceneWillConnectNotification";

inline constexpr runtime::Selector<void(Scene&, const SceneConnectionOptions&)> kSceneWillConnect{
    "scene:willConnectToSession:options:"};
inline constexpr runtime::Selector<void(Scene&, const std::vector<OpenURLContext>&)> kSceneOpenURLContexts{
    "scene:openURLContexts:"};

// The "UISceneDelegate" protocol, all methods optional, and "UIWindowSceneDelegate", which adopts it.
const runtime::Protocol* sceneDelegateProtocol();
const runtime::Protocol* windowSceneDelegateProtocol();

// One instance of the app's interface, runtime class "UIScene". The scene keeps its delegate alive (the
// delegate is usually made for the scene and owned by nothing else) and tells it about connection and
// URLs through the runtime.
class Scene : public runtime::Object {
 public:
  static constexpr runtime::NativeClass<runtime::Object> kRuntimeClass{"UIScene", runtime::Image::Platform};

  explicit Scene(std::string identifier = {});

  // The scene a will-connect notification was posted for; nullptr for any other notification.
  static std::shared_ptr<Scene> fromNotification(const foundation::Notification& notification);

  const std::string& identifier() const { return identifier_; }
  bool isConnected() const;

  std::shared_ptr<runtime::Object> delegate() const;
  void setDelegate(std::shared_ptr<runtime::Object> delegate);

  // Posts the will-connect notification, then tells the delegate (scene:willConnectToSession:options:);
  // a second call does nothing. Observers of the notification may still replace the delegate's class,
  // so the delegate is read only after they have run.
  void connect(const SceneConnectionOptions& options = {});
  // Hands URLs to the delegate (scene:openURLContexts:); nothing happens without contexts or delegate.
  void openURLContexts(const std::vector<OpenURLContext>& contexts);

 protected:
  Scene(runtime::Class* cls, std::string identifier);

 private:
  std::string identifier_;
  mutable std::mutex mutex_;
  std::shared_ptr<runtime::Object> delegate_;
  bool connected_ = false;
};

// A scene that shows windows, runtime class "UIWindowScene"; every scene the app connects is one.
class WindowScene : public Scene {
 public:
  static constexpr runtime::NativeClass<Scene> kRuntimeClass{"UIWindowScene", runtime::Image::Platform};

  explicit WindowScene(std::string identifier = {});
};

}  // namespace platform::ui
