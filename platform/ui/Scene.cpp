#include "platform/ui/Scene.h"

#include <utility>

#include "platform/runtime/Send.h"

namespace platform::ui {
namespace {

// Where the will-connect notification carries its scene; the sender alone is only an address.
const char* const kSceneKey = "UISceneKey";

}  // namespace

const runtime::Protocol* sceneDelegateProtocol() {
  static const runtime::Protocol* const protocol =
      runtime::Protocol::obtain("UISceneDelegate", {
                                                       {std::string(kSceneWillConnect.name)},
                                                       {std::string(kSceneOpenURLContexts.name)},
                                                       {"sceneDidDisconnect:"},
                                                       {"sceneDidBecomeActive:"},
                                                       {"sceneWillResignActive:"},
                                                       {"sceneWillEnterForeground:"},
                                                       {"sceneDidEnterBackground:"},
                                                       {"scene:continueUserActivity:"},
                                                   });
  return protocol;
}

const runtime::Protocol* windowSceneDelegateProtocol() {
  static const runtime::Protocol* const protocol =
      runtime::Protocol::obtain("UIWindowSceneDelegate", {{"window"}}, {sceneDelegateProtocol()});
  return protocol;
}

Scene::Scene(std::string identifier) : Scene(runtime::classOf<Scene>(), std::move(identifier)) {}

Scene::Scene(runtime::Class* cls, std::string identifier) : Object(cls), identifier_(std::move(identifier)) {
  sceneDelegateProtocol();
  windowSceneDelegateProtocol();
}

std::shared_ptr<Scene> Scene::fromNotification(const foundation::Notification& notification) {
  if (notification.name != kSceneWillConnectNotification) return nullptr;
  auto scene = notification.userInfo[kSceneKey].objectAs<Scene>();
  if (!scene || scene.get() != notification.sender) return nullptr;
  return scene;
}

bool Scene::isConnected() const {
  std::lock_guard lock(mutex_);
  return connected_;
}

std::shared_ptr<runtime::Object> Scene::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_;
}

void Scene::setDelegate(std::shared_ptr<runtime::Object> delegate) {
  std::shared_ptr<runtime::Object> released;  // let go outside the lock: its destructor may reach us
  std::lock_guard lock(mutex_);
  released = std::exchange(delegate_, std::move(delegate));
}

void Scene::connect(const SceneConnectionOptions& options) {
  {
    std::lock_guard lock(mutex_);
    if (connected_) return;
    connected_ = true;
  }
  foundation::Value userInfo{foundation::Dictionary{}};
  if (auto self = std::static_pointer_cast<Scene>(weak_from_this().lock())) userInfo.set(kSceneKey, self);
  foundation::NotificationCenter::defaultCenter().post(kSceneWillConnectNotification, std::move(userInfo), this);
  if (auto d = delegate()) runtime::trySend(*d, kSceneWillConnect, *this, options);
}

void Scene::openURLContexts(const std::vector<OpenURLContext>& contexts) {
  if (contexts.empty()) return;
  if (auto d = delegate()) runtime::trySend(*d, kSceneOpenURLContexts, *this, contexts);
}

SceneActivationState Scene::activationState() const {
  std::lock_guard lock(mutex_);
  return activationState_;
}

void Scene::moveTo(SceneActivationState target) {
  using State = SceneActivationState;
  State now = activationState();
  if (target == now || target == State::Unattached) return;
  if (now == State::ForegroundActive) now = step(kSceneWillDeactivateNotification, State::ForegroundInactive, true);
  if (target == State::Background) {
    if (now != State::Background) step(kSceneDidEnterBackgroundNotification, State::Background, false);
    return;
  }
  if (now != State::ForegroundInactive) now = step(kSceneWillEnterForegroundNotification, State::ForegroundInactive, true);
  if (target == State::ForegroundActive) step(kSceneDidActivateNotification, State::ForegroundActive, false);
}

SceneActivationState Scene::step(const char* notification, SceneActivationState state, bool announcedBefore) {
  auto& center = foundation::NotificationCenter::defaultCenter();
  if (announcedBefore) center.post(notification, {}, this);
  {
    std::lock_guard lock(mutex_);
    activationState_ = state;
  }
  if (!announcedBefore) center.post(notification, {}, this);
  return state;
}

WindowScene::WindowScene(std::string identifier) : Scene(runtime::classOf<WindowScene>(), std::move(identifier)) {}

}  // namespace platform::ui
