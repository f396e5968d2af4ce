#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Protocol.h"
#include "sdk/utilities/MutableDictionary.h"
#include "sdk/interception/ZeroingWeakContainer.h"

namespace sdk::interception {

// The real class's implementation of each proxied selector, kept on a proxied delegate object so that
// its overrides can call on after the interceptors. A selector the real class lacks has no entry.
class RealImplementations : public platform::foundation::Object {
 public:
  RealImplementations() = default;
  explicit RealImplementations(std::map<std::string, platform::runtime::IMP, std::less<>> table)
      : bySelector(std::move(table)) {}
  std::map<std::string, platform::runtime::IMP, std::less<>> bySelector;
};

// A delegate object's class before it was proxied. Classes live for the process, so the reference
// needs no ownership.
class RealClass : public platform::foundation::Object {
 public:
  explicit RealClass(platform::runtime::Class* cls) : cls(cls) {}
  platform::runtime::Class* const cls;
};

// Whether a stored implementation takes the arguments a selector passes; one that does not is never
// called, so a delegate that declared a method with other arguments is treated as lacking it.
template <class Sig>
bool implementationFits(platform::runtime::IMP imp) {
  return imp && imp->signature() == platform::runtime::signatureOf<Sig>();
}

using InterceptorTable = sdk::utilities::MutableDictionary<std::string, std::shared_ptr<ZeroingWeakContainer>>;
using InterceptorCallback = std::function<void(platform::runtime::Object& interceptor)>;

// What one delegate proxy says in its log lines: its service, the words that name it, and the code of
// each message.
struct DelegateProxyTexts {
  std::string_view service;       // "[VadezeUtilities/AppDelegateSwizzler]"
  std::string_view proxyName;     // "AppDelegateProxy"
  std::string_view delegateName;  // "App Delegate"
  long nilInterceptor;
  long notConforming;
  long noInterceptorID;
  long emptyInterceptorID;
  long notRegistered;
  long subclassExists;
  long subclassNil;
  long sizeDiffers;
  long created;
  long methodExists;
  long interceptorGone;
};

// What the application-delegate and scene-delegate proxies share: an interceptor table held weakly,
// delivery to the live interceptors, and the making of one run-time subclass per delegate object whose
// overrides are copied from a donor class. Each proxy owns one kit for the process; the kits keep their
// per-object values under keys of their own, so an object that is both kinds of delegate keeps both.
class DelegateProxyKit {
 public:
  explicit DelegateProxyKit(const DelegateProxyTexts& texts) : texts_(texts) {}
  DelegateProxyKit(const DelegateProxyKit&) = delete;
  DelegateProxyKit& operator=(const DelegateProxyKit&) = delete;

  InterceptorTable& interceptors() { return interceptors_; }
  // The interceptor is held weakly. Returns its ID ("VDU_0x..."), the same one when registered again;
  // nullopt, with an error line, for a missing interceptor or one that does not adopt `protocol`.
  std::optional<std::string> registerInterceptor(const std::shared_ptr<platform::runtime::Object>& interceptor,
                                                 const platform::runtime::Protocol* protocol);
  void unregisterInterceptorWithID(const std::string& interceptorID);
  // Calls back with every live interceptor that answers the selector; drops entries whose interceptor
  // has gone. Works on a snapshot, so callbacks may register and unregister.
  void notifyInterceptorsWithMethodSelector(std::string_view selector, const InterceptorCallback& callback);

  // Copies the overrides into a new subclass and records the real implementations in `table`.
  using Populate = std::function<void(platform::runtime::Class* subclass, platform::runtime::Class* realClass,
                                      RealImplementations& table)>;
  // Makes "VDU_<Class>-<UUID>" for the object, lets `populate` fill it, attaches the real
  // implementations and class to the object, registers the subclass and changes the object's class to
  // it. nullptr, with an error line, when the name is taken or the subclass cannot be made; the object
  // then keeps its class.
  platform::runtime::Class* createSubclassWithObject(platform::runtime::Object& object, const Populate& populate,
                                                     std::string_view switchKey);

  void proxyDestinationSelector(std::string_view destinationSelector,
                                std::string_view implementationsFromSourceSelector, platform::runtime::Class* fromClass,
                                platform::runtime::Class* toClass, platform::runtime::Class* realClass,
                                RealImplementations& storeDestinationImplementationTo);
  void addInstanceMethodWithSelector(std::string_view selector, platform::runtime::Class* fromClass,
                                     platform::runtime::Class* toClass);
  void addInstanceMethodWithDestinationSelector(std::string_view destinationSelector,
                                                std::string_view withImplementationFromSourceSelector,
                                                platform::runtime::Class* fromClass, platform::runtime::Class* toClass);
  static platform::runtime::IMP implementationOfMethodSelector(std::string_view selector,
                                                               const platform::runtime::Class* fromClass);

  // What was attached to a proxied object; nullptr for an object this kit never proxied.
  std::shared_ptr<const RealImplementations> realImplementationsOf(const platform::runtime::Object& object) const;
  void setRealImplementations(platform::runtime::Object& object, RealImplementations table) const;
  platform::runtime::Class* realClassOf(const platform::runtime::Object& object) const;
  platform::runtime::IMP originalImplementationForSelector(std::string_view selector,
                                                           const platform::runtime::Object& object) const;

  // "I-SWZ001000" for 1000: how every proxy message prints its code.
  static std::string messageCode(long number);
  // "VDU_<className>-<UUID>".
  static std::string subclassNameForClassName(const std::string& className);
  // Replaces the UUID part of new class names (empty: random again); lets tests make names collide.
  static void setSubclassSuffixSourceForTesting(std::function<std::string()> source);

 private:
  const DelegateProxyTexts& texts_;
  InterceptorTable interceptors_;
  // Associated-value keys: their addresses tell this kit's values apart, their texts name them in dumps.
  const char realIMPBySelectorKey_[22] = "VDU_realIMPBySelector";
  const char realClassKey_[14] = "VDU_realClass";
};

// The building blocks both delegate proxies offer as their own class methods, over the kit each proxy
// owns (`Proxy::proxyKit()`).
template <class Proxy>
class DelegateProxyBuildingBlocks {
 public:
  static InterceptorTable& interceptors() { return Proxy::proxyKit().interceptors(); }
  static void clearInterceptors() { interceptors().removeAllObjects(); }
  static void notifyInterceptorsWithMethodSelector(std::string_view selector, const InterceptorCallback& callback) {
    Proxy::proxyKit().notifyInterceptorsWithMethodSelector(selector, callback);
  }
  static platform::runtime::IMP originalImplementationForSelector(std::string_view selector,
                                                                  const platform::runtime::Object& object) {
    return Proxy::proxyKit().originalImplementationForSelector(selector, object);
  }
  static void proxyDestinationSelector(std::string_view destinationSelector,
                                       std::string_view implementationsFromSourceSelector,
                                       platform::runtime::Class* fromClass, platform::runtime::Class* toClass,
                                       platform::runtime::Class* realClass,
                                       RealImplementations& storeDestinationImplementationTo) {
    Proxy::proxyKit().proxyDestinationSelector(destinationSelector, implementationsFromSourceSelector, fromClass,
                                               toClass, realClass, storeDestinationImplementationTo);
  }
  static void addInstanceMethodWithSelector(std::string_view selector, platform::runtime::Class* fromClass,
                                            platform::runtime::Class* toClass) {
    Proxy::proxyKit().addInstanceMethodWithSelector(selector, fromClass, toClass);
  }
  static void addInstanceMethodWithDestinationSelector(std::string_view destinationSelector,
                                                       std::string_view withImplementationFromSourceSelector,
                                                       platform::runtime::Class* fromClass,
                                                       platform::runtime::Class* toClass) {
    Proxy::proxyKit().addInstanceMethodWithDestinationSelector(
        destinationSelector, withImplementationFromSourceSelector, fromClass, toClass);
  }
  static platform::runtime::IMP implementationOfMethodSelector(std::string_view selector,
                                                               const platform::runtime::Class* fromClass) {
    return DelegateProxyKit::implementationOfMethodSelector(selector, fromClass);
  }
};

}  // namespace sdk::interception

