#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/NotificationCenter.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/Application.h"
#include "sdk/interception/DelegateProxyKit.h"

namespace sdk::interception {

using AppDelegateInterceptorTable = InterceptorTable;

// Lets SDK components see the application-delegate messages that concern them (URLs, continued
// activities, background URL sessions, remote notifications) without the app forwarding them. The
// app's delegate object gets, once, a class of its own made at run time ("VDU_<Class>-<UUID>"): its
// overrides hand each message to every registered interceptor and then to the delegate's own method.
// The application keeps the same delegate object throughout.
class AppDelegateSwizzler : public DelegateProxyBuildingBlocks<AppDelegateSwizzler> {
 public:
  // Both Info.plist switches are on (a switch is off only when it is a number that reads false).
  static bool isAppDelegateProxyEnabled();
  static std::string correctAppDelegateProxyKey();
  static std::string correctAlternativeWhenAppDelegateProxyNotCreated();

  // The interceptor is held weakly. Returns its ID ("VDU_0x..."), the same one when registered again;
  // nullopt, with an error line, for a missing interceptor or one that is no application delegate.
  static std::optional<std::string> registerAppDelegateInterceptor(
      const std::shared_ptr<platform::runtime::Object>& interceptor);
  static void unregisterAppDelegateInterceptorWithID(const std::string& interceptorID);

  // Installs the proxy on the application's current delegate, once per process (until the tokens are
  // reset); does nothing in an app extension.
  static void proxyOriginalDelegate();
  // As proxyOriginalDelegate(), then, once more, adds the remote-notification overrides.
  static void proxyOriginalDelegateIncludingAPNSMethods();

  // nullptr in an app extension or when no "UIApplication" class answers "sharedApplication".
  static std::shared_ptr<platform::ui::Application> sharedApplication();
  // The delegate that was proxied, until the app sets another one.
  static std::shared_ptr<platform::runtime::Object> originalDelegate();
  static void resetProxyOriginalDelegateOnceToken();

  // The building blocks of the above; clearInterceptors(), interceptors(), proxyDestinationSelector and
  // the method-copying ones come from DelegateProxyBuildingBlocks.
  static void proxyAppDelegate(const std::shared_ptr<platform::runtime::Object>& appDelegate);
  // The subclass, with the delegate's class changed to it; nullptr (and the delegate untouched) on failure.
  static platform::runtime::Class* createSubclassWithObject(platform::runtime::Object& object);
  static void proxyRemoteNotificationsMethodsWithAppDelegateSubClass(
      platform::runtime::Class* appDelegateSubClass, platform::runtime::Class* realClass,
      const std::shared_ptr<platform::runtime::Object>& appDelegate,
      std::shared_ptr<const RealImplementations> realImplementationsBySelector);
  static void reassignAppDelegate();
  // The class a proxied delegate object had before; nullptr for an object never proxied.
  static platform::runtime::Class* realClassOfObject(const platform::runtime::Object& object);
  // The shared machinery behind the building blocks: the interceptor table and subclass making.
  static DelegateProxyKit& proxyKit();
};

// Watches the application's delegate, so that the stored original is let go when the app sets another.
class AppDelegateObserver {
 public:
  static AppDelegateObserver& sharedInstance();

  // Starts watching the shared application, unless already watching it.
  void observeUIApplication();
  bool isObserving() const;

  // The delegate-change callback.
  void delegateChanged(const std::shared_ptr<platform::runtime::Object>& old,
                       const std::shared_ptr<platform::runtime::Object>& now);

 private:
  void stopObserving();

  mutable std::mutex mutex_;
  bool isObserving_ = false;
  const platform::ui::Application* observed_ = nullptr;
  platform::foundation::NotificationCenter::Observation observation_;
};

}  // namespace sdk::interception

