#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/NotificationCenter.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/Scene.h"
#include "sdk/interception/DelegateProxyKit.h"

namespace sdk::interception {

using SceneDelegateInterceptorTable = InterceptorTable;

// The scene counterpart of AppDelegateSwizzler: whenever a scene is about to connect, its delegate
// object gets a run-time class of its own ("VDU_<Class>-<UUID>") whose scene:openURLContexts: hands the
// URLs to every registered interceptor before the delegate's own method. It follows the application
// delegate's Info.plist switches.
class SceneDelegateSwizzler : public DelegateProxyBuildingBlocks<SceneDelegateSwizzler> {
 public:
  static bool isSceneDelegateProxyEnabled();
  static std::string correctSceneDelegateProxyKey();

  // Outside app extensions, once: on system 13 and later, and when enabled, starts watching scenes
  // connect.
  static void proxyOriginalSceneDelegate();
  static void handleSceneWillConnectToNotification(const platform::foundation::Notification& notification);
  static void proxySceneDelegateIfNeeded(platform::ui::Scene& scene);

  // As for the application delegate: held weakly, "VDU_0x..." IDs, nullopt with an error line for a
  // missing interceptor or one that is no scene delegate.
  static std::optional<std::string> registerSceneDelegateInterceptor(
      const std::shared_ptr<platform::runtime::Object>& interceptor);
  static void unregisterSceneDelegateInterceptorWithID(const std::string& interceptorID);
  // clearInterceptors(), interceptors() and the other building blocks (proxyDestinationSelector and the
  // rest) come from DelegateProxyBuildingBlocks, with the application delegate's contracts.
  static DelegateProxyKit& proxyKit();

  // Stops watching scenes and lets proxyOriginalSceneDelegate() start again; for tests.
  static void resetProxyOriginalSceneDelegateOnceTokenForTesting();
};

}  // namespace sdk::interception

