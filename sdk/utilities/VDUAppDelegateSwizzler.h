#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Value.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/Application.h"
#include "sdk/utilities/VDUMutableDictionary.h"
#include "sdk/utilities/VDUZeroingWeakContainer.h"

// The real class's implementation of each proxied selector, kept on a proxied delegate object so that
// its overrides can call on after the interceptors. A selector the real class lacks has no entry.
class VDURealImplementations : public platform::foundation::Object {
 public:
  VDURealImplementations() = default;
  explicit VDURealImplementations(std::map<std::string, platform::runtime::IMP, std::less<>> table)
      : bySelector(std::move(table)) {}
  std::map<std::string, platform::runtime::IMP, std::less<>> bySelector;
};

// A delegate object's class before it was proxied. Classes live for the process, so the reference
// needs no ownership.
class VDURealClass : public platform::foundation::Object {
 public:
  explicit VDURealClass(platform::runtime::Class* cls) : cls(cls) {}
  platform::runtime::Class* const cls;
};

// Whether a stored implementation takes the arguments a selector passes; one that does not is never
// called, so a delegate that declared a method with other arguments is treated as lacking it.
template <class Sig>
bool VDUImplementationFits(platform::runtime::IMP imp) {
  return imp && imp->signature() == platform::runtime::signatureOf<Sig>();
}

using VDUAppDelegateInterceptorTable = VDUMutableDictionary<std::string, std::shared_ptr<VDUZeroingWeakContainer>>;
using VDUInterceptorCallback = std::function<void(platform::runtime::Object& interceptor)>;

// Lets SDK components see the application-delegate messages that concern them (URLs, continued
// activities, background URL sessions, remote notifications) without the app forwarding them. The
// app's delegate object gets, once, a class of its own made at run time ("VDU_<Class>-<UUID>"): its
// overrides hand each message to every registered interceptor and then to the delegate's own method.
// The application keeps the same delegate object throughout.
class VDUAppDelegateSwizzler {
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
  static void clearInterceptors();
  static void resetProxyOriginalDelegateOnceToken();
  static VDUAppDelegateInterceptorTable& interceptors();

  // The building blocks of the above.
  static void proxyAppDelegate(const std::shared_ptr<platform::runtime::Object>& appDelegate);
  // The subclass, with the delegate's class changed to it; nullptr (and the delegate untouched) on failure.
  static platform::runtime::Class* createSubclassWithObject(platform::runtime::Object& object);
  static void proxyRemoteNotificationsMethodsWithAppDelegateSubClass(
      platform::runtime::Class* appDelegateSubClass, platform::runtime::Class* realClass,
      const std::shared_ptr<platform::runtime::Object>& appDelegate,
      std::shared_ptr<const VDURealImplementations> realImplementationsBySelector);
  static void reassignAppDelegate();
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
  static platform::runtime::IMP originalImplementationForSelector(std::string_view selector,
                                                                  const platform::runtime::Object& object);
  // The class a proxied delegate object had before; nullptr for an object never proxied.
  static platform::runtime::Class* realClassOfObject(const platform::runtime::Object& object);
  // Calls back with every live interceptor that answers the selector; drops entries whose interceptor
  // has gone. Works on a snapshot, so callbacks may register and unregister.
  static void notifyInterceptorsWithMethodSelector(std::string_view selector, const VDUInterceptorCallback& callback);

  // "VDU_<className>-<UUID>"; the scene interception names its classes the same way.
  static std::string subclassNameForClassName(const std::string& className);
  // Replaces the UUID part of new class names (empty: random again); lets tests make names collide.
  static void setSubclassSuffixSourceForTesting(std::function<std::string()> source);
};

// Watches the application's delegate, so that the stored original is let go when the app sets another.
class VDUAppDelegateObserver {
 public:
  static VDUAppDelegateObserver& sharedInstance();

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
