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
#include "sdk/utilities/VDUAppDelegateSwizzler.h"
#include "sdk/utilities/VDUMutableDictionary.h"
#include "sdk/utilities/VDUZeroingWeakContainer.h"

using VDUSceneDelegateInterceptorTable =
    VDUMutableDictionary<std::string, std::shared_ptr<VDUSceneZeroingWeakContainer>>;

// The scene counterpart of VDUAppDelegateSwizzler: whenever a scene is about to connect, its delegate
// object gets a run-time class of its own ("VDU_<Class>-<UUID>") whose scene:openURLContexts: hands the
// URLs to every registered interceptor before the delegate's own method. It follows the application
// delegate's Info.plist switches.
class VDUSceneDelegateSwizzler {
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
  static void clearInterceptors();
  static VDUSceneDelegateInterceptorTable& interceptors();

  // The building blocks, with the contracts of VDUAppDelegateSwizzler's.
  static platform::runtime::IMP originalImplementationForSelector(std::string_view selector,
                                                                  const platform::runtime::Object& object);
  static void proxyDestinationSelector(std::string_view destinationSelector,
                                       std::string_view implementationsFromSourceSelector,
                                       platform::runtime::Class* fromClass, platform::runtime::Class* toClass,
                                       platform::runtime::Class* realClass,
                                       VDURealImplementations& storeDestinationImplementationTo);
  static void addInstanceMethodWithSelector(std::string_view selector, platform::runtime::Class* fromClass,
                                            platform::runtime::Class* toClass);
  static void addInstanceMethodWithDestinationSelector(std::string_view destinationSelector,
                                                       std::string_view withImplementationFromSourceSelector,
                                                       platform::runtime::Class* fromClass,
                                                       platform::runtime::Class* toClass);
  static platform::runtime::IMP implementationOfMethodSelector(std::string_view selector,
                                                               const platform::runtime::Class* fromClass);
  static void notifyInterceptorsWithMethodSelector(std::string_view selector, const VDUInterceptorCallback& callback);

  // Stops watching scenes and lets proxyOriginalSceneDelegate() start again; for tests.
  static void resetProxyOriginalSceneDelegateOnceTokenForTesting();
};
