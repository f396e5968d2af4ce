#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Value.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Protocol.h"
#include "platform/runtime/Selector.h"
#include "platform/ui/ApplicationDelegateSelectors.h"

namespace platform::ui {

class Scene;

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

// Where a scene stands: not shown yet, in front and taking touches, in front but interrupted (the
// control centre or a call lies over it), or out of sight.
enum class SceneActivationState { Unattached, ForegroundActive, ForegroundInactive, Background };

// Posted on the default centre as a scene moves between those states, with the scene as sender.
inline constexpr const char* kSceneWillEnterForegroundNotification = "UISceneWillEnterForegroundNotification";
inline constexpr const char* kSceneDidActivateNotification = "UISceneDidActivateNotification";
inline constexpr const char* kSceneWillDeactivateNotification = "UISceneWillDeactivateNotification";
inline constexpr const char* kSceneDidEnterBackgroundNotification = "UISceneDidEnterBackgroundNotification";

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

  SceneActivationState activationState() const;
  // Moves the scene as the system does, posting a notification at each step on the way: the background
  // is left through the foreground (will-enter-foreground), the active state is left by deactivating
  // (will-deactivate) first. Moving to where the scene stands, or back to unattached, does nothing.
  void moveTo(SceneActivationState state);

 protected:
  Scene(runtime::Class* cls, std::string identifier);

 private:
  std::string identifier_;
  mutable std::mutex mutex_;
  std::shared_ptr<runtime::Object> delegate_;
  bool connected_ = false;
  SceneActivationState activationState_ = SceneActivationState::Unattached;

  // One step: a will- notification goes out before the scene takes `state`, a did- one after.
  SceneActivationState step(const char* notification, SceneActivationState state, bool announcedBefore);
};

// A scene that shows windows, runtime class "UIWindowScene"; every scene the app connects is one.
class WindowScene : public Scene {
 public:
  static constexpr runtime::NativeClass<Scene> kRuntimeClass{"UIWindowScene", runtime::Image::Platform};

  explicit WindowScene(std::string identifier = {});
};

}  // namespace platform::ui
