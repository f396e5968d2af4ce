#include "sdk/interception/DelegateProxyKit.h"

#include <mutex>

#include "platform/foundation/Format.h"
#include "sdk/utilities/Logger.h"
#include "sdk/utilities/RandomUUID.h"

namespace sdk::interception {

using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::IMP;
using platform::runtime::Object;

namespace {

const char* const kClassPrefix = "VDU_";

struct SuffixSource {
  std::mutex mutex;
  std::function<std::string()> source;
};

SuffixSource& suffixSource() {
  static auto* instance = new SuffixSource;  // delegates may be proxied from static destructors
  return *instance;
}

}  // namespace

std::string DelegateProxyKit::messageCode(long number) { return platform::foundation::format("I-SWZ%06ld", number); }

std::optional<std::string> DelegateProxyKit::registerInterceptor(const std::shared_ptr<Object>& interceptor,
                                                                    const platform::runtime::Protocol* protocol) {
  const std::string proxy(texts_.proxyName);
  if (!interceptor) {
    sdk::utilities::logError(texts_.service, false, messageCode(texts_.nilInterceptor), "%@ cannot add nil interceptor.", proxy);
    return std::nullopt;
  }
  if (!protocol || !interceptor->conformsTo(protocol)) {
    sdk::utilities::logError(texts_.service, false, messageCode(texts_.notConforming), "%@ interceptor does not conform to %@",
                proxy, protocol ? protocol->name() : std::string());
    return std::nullopt;
  }
  std::string interceptorID = platform::foundation::format("%@%p", kClassPrefix, interceptor.get());
  if (interceptorID.empty()) {
    sdk::utilities::logError(texts_.service, false, messageCode(texts_.noInterceptorID), "%@ cannot create Interceptor ID.", proxy);
    return std::nullopt;
  }
  interceptors_.setObject(std::make_shared<ZeroingWeakContainer>(interceptor), interceptorID);
  return interceptorID;
}

void DelegateProxyKit::unregisterInterceptorWithID(const std::string& interceptorID) {
  const std::string proxy(texts_.proxyName);
  if (interceptorID.empty()) {
    sdk::utilities::logError(texts_.service, false, messageCode(texts_.emptyInterceptorID),
                "%@ cannot unregister empty interceptor ID.", proxy);
    return;
  }
  if (!interceptors_.objectForKey(interceptorID)) {
    sdk::utilities::logError(texts_.service, false, messageCode(texts_.notRegistered),
                "%@ cannot unregister interceptor that was not registered. Interceptor ID %@", proxy, interceptorID);
    return;
  }
  interceptors_.removeObjectForKey(interceptorID);
}

void DelegateProxyKit::notifyInterceptorsWithMethodSelector(std::string_view selector,
                                                               const InterceptorCallback& callback) {
  if (!callback) return;
  for (const auto& [interceptorID, container] : interceptors_.dictionary()) {
    auto interceptor = container ? container->object.lock() : nullptr;
    if (!interceptor) {
      sdk::utilities::logWarning(texts_.service, false, messageCode(texts_.interceptorGone),
                    "%@ cannot find interceptor with ID %@. Removing the interceptor.", texts_.proxyName,
                    interceptorID);
      // The ID is an address: a new interceptor made where the old one lived may have taken the entry
      // since the snapshot, and must stay.
      if (interceptors_.objectForKey(interceptorID) == container) interceptors_.removeObjectForKey(interceptorID);
      continue;
    }
    if (interceptor->respondsTo(selector)) callback(*interceptor);
  }
}

Class* DelegateProxyKit::createSubclassWithObject(Object& object, const Populate& populate,
                                                     std::string_view switchKey) {
  Class* realClass = object.getClass();
  const std::string delegate(texts_.delegateName);
  const std::string name = subclassNameForClassName(realClass->name());
  if (Class::named(name)) {
    sdk::utilities::logError(texts_.service, false, messageCode(texts_.subclassExists),
                "Cannot create a proxy for %@. Subclass already exists. Original Class: %@, subclass: %@", delegate,
                realClass->name(), name);
    return nullptr;
  }
  Class* subclass = Class::allocateClassPair(realClass, name, platform::runtime::Image::Sdk);
  if (!subclass) {
    sdk::utilities::logError(
        texts_.service, false, messageCode(texts_.subclassNil),
        "Cannot create a proxy for %@. Subclass already exists. Original Class: %@, subclass: Nil", delegate,
        realClass->name());
    return nullptr;
  }
  RealImplementations table;
  if (populate) populate(subclass, realClass, table);
  setRealImplementations(object, std::move(table));
  platform::runtime::setAssociated(object, realClassKey_, Value(std::make_shared<RealClass>(realClass)));
  if (realClass->instanceSize() != subclass->instanceSize()) {
    sdk::utilities::logError(texts_.service, false, messageCode(texts_.sizeDiffers),
                "Cannot create subclass of %@, because the created subclass is not the same size. %@", delegate,
                realClass->name());
    return nullptr;
  }
  Class::registerClassPair(subclass);
  if (object.setClass(subclass)) {
    sdk::utilities::logDebug(texts_.service, false, messageCode(texts_.created),
                "Successfully created %@ Proxy automatically. To disable the proxy, set the flag %@ to NO (Boolean) in "
                "the Info.plist",
                delegate, switchKey);
  }
  return subclass;
}

void DelegateProxyKit::proxyDestinationSelector(std::string_view destinationSelector,
                                                   std::string_view implementationsFromSourceSelector, Class* fromClass,
                                                   Class* toClass, Class* realClass,
                                                   RealImplementations& storeDestinationImplementationTo) {
  if (!fromClass || !toClass || !realClass) return;
  IMP real = implementationOfMethodSelector(destinationSelector, realClass);
  addInstanceMethodWithDestinationSelector(destinationSelector, implementationsFromSourceSelector, fromClass, toClass);
  if (real) {
    storeDestinationImplementationTo.bySelector.insert_or_assign(std::string(destinationSelector), real);
  } else {
    storeDestinationImplementationTo.bySelector.erase(std::string(destinationSelector));
  }
}

void DelegateProxyKit::addInstanceMethodWithSelector(std::string_view selector, Class* fromClass, Class* toClass) {
  addInstanceMethodWithDestinationSelector(selector, selector, fromClass, toClass);
}

void DelegateProxyKit::addInstanceMethodWithDestinationSelector(
    std::string_view destinationSelector, std::string_view withImplementationFromSourceSelector, Class* fromClass,
    Class* toClass) {
  IMP imp = implementationOfMethodSelector(withImplementationFromSourceSelector, fromClass);
  if (!imp || !toClass) return;
  if (!toClass->addMethod(destinationSelector, imp)) {
    sdk::utilities::logWarning(texts_.service, false, messageCode(texts_.methodExists),
                  "Cannot copy method to destination selector %@ as it already exists", destinationSelector);
  }
}

IMP DelegateProxyKit::implementationOfMethodSelector(std::string_view selector, const Class* fromClass) {
  return fromClass ? fromClass->lookup(selector) : nullptr;
}

std::shared_ptr<const RealImplementations> DelegateProxyKit::realImplementationsOf(const Object& object) const {
  return platform::runtime::associated(object, realIMPBySelectorKey_).objectAs<RealImplementations>();
}

void DelegateProxyKit::setRealImplementations(Object& object, RealImplementations table) const {
  platform::runtime::setAssociated(object, realIMPBySelectorKey_,
                                   Value(std::make_shared<RealImplementations>(std::move(table))));
}

Class* DelegateProxyKit::realClassOf(const Object& object) const {
  auto held = platform::runtime::associated(object, realClassKey_).objectAs<RealClass>();
  return held ? held->cls : nullptr;
}

IMP DelegateProxyKit::originalImplementationForSelector(std::string_view selector, const Object& object) const {
  auto table = realImplementationsOf(object);
  if (!table) return nullptr;
  auto found = table->bySelector.find(selector);
  return found == table->bySelector.end() ? nullptr : found->second;
}

std::string DelegateProxyKit::subclassNameForClassName(const std::string& className) {
  std::function<std::string()> source;
  {
    auto& s = suffixSource();
    std::lock_guard lock(s.mutex);
    source = s.source;
  }
  return platform::foundation::format("%@-%@", kClassPrefix + className, source ? source() : sdk::utilities::randomUUIDString());
}

void DelegateProxyKit::setSubclassSuffixSourceForTesting(std::function<std::string()> source) {
  auto& s = suffixSource();
  std::lock_guard lock(s.mutex);
  s.source = std::move(source);
}

}  // namespace sdk::interception

