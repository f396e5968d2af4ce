#include "sdk/interception/SceneDelegateSwizzler.h"

#include <cstdlib>
#include <mutex>

#include "platform/runtime/Send.h"
#include "sdk/interception/AppDelegateSwizzler.h"
#include "sdk/interception/InterceptionMessageCodes.h"
#include "sdk/utilities/AppEnvironmentUtil.h"

namespace sdk::interception {

using platform::runtime::Class;
using platform::runtime::IMP;
using platform::runtime::Object;
using platform::ui::OpenURLContext;
using platform::ui::Scene;

namespace {

constexpr DelegateProxyTexts kSceneTexts{
    .service = "[VadezeUtilities/SceneDelegateSwizzler]",
    .proxyName = "SceneDelegateProxy",
    .delegateName = "Scene Delegate",
    .nilInterceptor = messages::kSceneDelegateNilInterceptor,
    .notConforming = messages::kSceneDelegateInterceptorNotConforming,
    .noInterceptorID = messages::kSceneDelegateInterceptorIDNotCreated,
    .emptyInterceptorID = messages::kSceneDelegateInterceptorIDEmpty,
    .notRegistered = messages::kSceneDelegateInterceptorNotRegistered,
    .subclassExists = messages::kSceneDelegateSubclass,
    .subclassNil = messages::kSceneDelegateSubclass,
    .sizeDiffers = messages::kSceneDelegateSubclass,
    .created = messages::kSceneDelegateSubclass,
    .methodExists = messages::kSceneDelegateMethodExists,
    .interceptorGone = messages::kSceneDelegateInterceptorGone,
};

// Scenes arrived with system 13.
bool systemHasScenes() { return std::strtol(sdk::utilities::AppEnvironmentUtil::systemVersion().c_str(), nullptr, 10) >= 13; }

struct SceneProxyState {
  std::mutex mutex;
  bool started = false;
  platform::foundation::NotificationCenter::Observation observation;
};

SceneProxyState& sceneState() {
  static auto* instance = new SceneProxyState;
  return *instance;
}

void openURLContexts(Object& self, Scene& scene, const std::vector<OpenURLContext>& contexts) {
  if (!systemHasScenes()) return;
  const auto& selector = platform::ui::kSceneOpenURLContexts;
  using Sig = std::remove_cvref_t<decltype(selector)>::Signature;
  SceneDelegateSwizzler::proxyKit().notifyInterceptorsWithMethodSelector(selector.name, [&](Object& interceptor) {
    if (interceptor.conformsTo(platform::ui::sceneDelegateProtocol())) {
      platform::runtime::trySend(interceptor, selector, scene, contexts);
    }
  });
  IMP real = SceneDelegateSwizzler::proxyKit().originalImplementationForSelector(selector.name, self);
  if (implementationFits<Sig>(real)) platform::runtime::callImplementation(real, self, selector, scene, contexts);
}

// The class the scene overrides are copied from.
Class* donorClass() {
  static Class* const donor = [] {
    Class* cls = Class::allocateClassPair(nullptr, "VDUSceneDelegateSwizzler", platform::runtime::Image::Sdk);
    if (!cls) return Class::named("VDUSceneDelegateSwizzler");
    cls->addMethod(platform::ui::kSceneOpenURLContexts.name,
                   platform::runtime::makeImplementation<
                       std::remove_cvref_t<decltype(platform::ui::kSceneOpenURLContexts)>::Signature>(openURLContexts));
    Class::registerClassPair(cls);
    return cls;
  }();
  return donor;
}

}  // namespace

DelegateProxyKit& SceneDelegateSwizzler::proxyKit() {
  static auto* instance = new DelegateProxyKit(kSceneTexts);  // outlives every SDK component
  return *instance;
}

bool SceneDelegateSwizzler::isSceneDelegateProxyEnabled() {
  return AppDelegateSwizzler::isAppDelegateProxyEnabled();
}

std::string SceneDelegateSwizzler::correctSceneDelegateProxyKey() {
  return AppDelegateSwizzler::correctAppDelegateProxyKey();
}

void SceneDelegateSwizzler::proxyOriginalSceneDelegate() {
  if (sdk::utilities::AppEnvironmentUtil::isAppExtension()) return;
  auto& s = sceneState();
  std::lock_guard lock(s.mutex);
  if (s.started) return;
  s.started = true;
  if (!systemHasScenes() || !isSceneDelegateProxyEnabled()) return;
  s.observation = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kSceneWillConnectNotification, handleSceneWillConnectToNotification);
}

void SceneDelegateSwizzler::resetProxyOriginalSceneDelegateOnceTokenForTesting() {
  platform::foundation::NotificationCenter::Observation removed;  // removed outside the lock
  auto& s = sceneState();
  std::lock_guard lock(s.mutex);
  removed = std::move(s.observation);
  s.started = false;
}

void SceneDelegateSwizzler::handleSceneWillConnectToNotification(
    const platform::foundation::Notification& notification) {
  if (!systemHasScenes()) return;
  if (auto scene = Scene::fromNotification(notification)) proxySceneDelegateIfNeeded(*scene);
}

void SceneDelegateSwizzler::proxySceneDelegateIfNeeded(Scene& scene) {
  auto delegate = scene.delegate();
  if (!delegate) return;
  const std::string& className = delegate->getClass()->name();
  // A class of ours means this object was proxied already.
  if (className.empty() || className.starts_with("VDU_")) return;
  proxyKit().createSubclassWithObject(
      *delegate,
      [](Class* subclass, Class* realClass, RealImplementations& table) {
        const std::string_view selector = platform::ui::kSceneOpenURLContexts.name;
        proxyDestinationSelector(selector, selector, donorClass(), subclass, realClass, table);
      },
      correctSceneDelegateProxyKey());
}

std::optional<std::string> SceneDelegateSwizzler::registerSceneDelegateInterceptor(
    const std::shared_ptr<Object>& interceptor) {
  return proxyKit().registerInterceptor(interceptor, platform::ui::sceneDelegateProtocol());
}

void SceneDelegateSwizzler::unregisterSceneDelegateInterceptorWithID(const std::string& interceptorID) {
  proxyKit().unregisterInterceptorWithID(interceptorID);
}

}  // namespace sdk::interception

