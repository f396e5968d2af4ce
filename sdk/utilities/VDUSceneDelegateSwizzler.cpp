#include "sdk/utilities/VDUSceneDelegateSwizzler.h"

#include <cstdlib>
#include <mutex>

#include "platform/foundation/Format.h"
#include "platform/runtime/Send.h"
#include "sdk/utilities/VDUAppEnvironmentUtil.h"
#include "sdk/utilities/VDULogger.h"

using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::IMP;
using platform::runtime::Object;
using platform::ui::OpenURLContext;
using platform::ui::Scene;

namespace {

constexpr std::string_view kService = "[VadezeUtilities/SceneDelegateSwizzler]";
const char* const kClassPrefix = "VDU_";

const char kRealIMPBySelectorKey[] = "VDU_realIMPBySelector";
const char kRealClassKey[] = "VDU_realClass";

std::string code(long number) { return platform::foundation::format("I-SWZ%06ld", number); }

// Scenes arrived with system 13.
bool systemHasScenes() { return std::strtol(VDUAppEnvironmentUtil::systemVersion().c_str(), nullptr, 10) >= 13; }

struct SceneProxyState {
  std::mutex mutex;
  bool started = false;
  platform::foundation::NotificationCenter::Observation observation;
};

SceneProxyState& state() {
  static auto* instance = new SceneProxyState;
  return *instance;
}

std::shared_ptr<const VDURealImplementations> realImplementationsOf(const Object& object) {
  return platform::runtime::associated(object, kRealIMPBySelectorKey).objectAs<VDURealImplementations>();
}

void openURLContexts(Object& self, Scene& scene, const std::vector<OpenURLContext>& contexts) {
  if (!systemHasScenes()) return;
  const auto& selector = platform::ui::kSceneOpenURLContexts;
  using Sig = std::remove_cvref_t<decltype(selector)>::Signature;
  VDUSceneDelegateSwizzler::notifyInterceptorsWithMethodSelector(selector.name, [&](Object& interceptor) {
    if (interceptor.conformsTo(platform::ui::sceneDelegateProtocol())) {
      platform::runtime::trySend(interceptor, selector, scene, contexts);
    }
  });
  IMP real = VDUSceneDelegateSwizzler::originalImplementationForSelector(selector.name, self);
  if (VDUImplementationFits<Sig>(real)) platform::runtime::callImplementation(real, self, selector, scene, contexts);
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

// The subclass for one delegate object, registered, with the object's class changed to it; nullptr
// when it cannot be made, and then the delegate keeps its class.
Class* createSubclass(Object& delegate) {
  Class* realClass = delegate.getClass();
  const std::string name = VDUAppDelegateSwizzler::subclassNameForClassName(realClass->name());
  if (Class::named(name)) {
    VDULogError(kService, false, code(1114),
                "Cannot create a proxy for Scene Delegate. Subclass already exists. Original Class: %@, subclass: %@",
                realClass->name(), name);
    return nullptr;
  }
  Class* subclass = Class::allocateClassPair(realClass, name, platform::runtime::Image::Sdk);
  if (!subclass) {
    VDULogError(kService, false, code(1114),
                "Cannot create a proxy for Scene Delegate. Subclass already exists. Original Class: %@, subclass: Nil",
                realClass->name());
    return nullptr;
  }
  VDURealImplementations table;
  VDUSceneDelegateSwizzler::proxyDestinationSelector(platform::ui::kSceneOpenURLContexts.name,
                                                     platform::ui::kSceneOpenURLContexts.name, donorClass(), subclass,
                                                     realClass, table);
  platform::runtime::setAssociated(delegate, kRealIMPBySelectorKey,
                                   Value(std::make_shared<VDURealImplementations>(table)));
  platform::runtime::setAssociated(delegate, kRealClassKey, Value(std::make_shared<VDURealClass>(realClass)));
  if (realClass->instanceSize() != subclass->instanceSize()) {
    VDULogError(kService, false, code(1114),
                "Cannot create subclass of Scene Delegate, because the created subclass is not the same size. %@",
                realClass->name());
    return nullptr;
  }
  Class::registerClassPair(subclass);
  if (delegate.setClass(subclass)) {
    VDULogDebug(kService, false, code(1114),
                "Successfully created Scene Delegate Proxy automatically. To disable the proxy, set the flag %@ to NO "
                "(Boolean) in the Info.plist",
                VDUSceneDelegateSwizzler::correctSceneDelegateProxyKey());
  }
  return subclass;
}

}  // namespace

bool VDUSceneDelegateSwizzler::isSceneDelegateProxyEnabled() {
  return VDUAppDelegateSwizzler::isAppDelegateProxyEnabled();
}

std::string VDUSceneDelegateSwizzler::correctSceneDelegateProxyKey() {
  return VDUAppDelegateSwizzler::correctAppDelegateProxyKey();
}

void VDUSceneDelegateSwizzler::proxyOriginalSceneDelegate() {
  if (VDUAppEnvironmentUtil::isAppExtension()) return;
  auto& s = state();
  std::lock_guard lock(s.mutex);
  if (s.started) return;
  s.started = true;
  if (!systemHasScenes() || !isSceneDelegateProxyEnabled()) return;
  s.observation = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kSceneWillConnectNotification, handleSceneWillConnectToNotification);
}

void VDUSceneDelegateSwizzler::resetProxyOriginalSceneDelegateOnceTokenForTesting() {
  platform::foundation::NotificationCenter::Observation removed;  // removed outside the lock
  auto& s = state();
  std::lock_guard lock(s.mutex);
  removed = std::move(s.observation);
  s.started = false;
}

void VDUSceneDelegateSwizzler::handleSceneWillConnectToNotification(
    const platform::foundation::Notification& notification) {
  if (!systemHasScenes()) return;
  if (auto scene = Scene::fromNotification(notification)) proxySceneDelegateIfNeeded(*scene);
}

void VDUSceneDelegateSwizzler::proxySceneDelegateIfNeeded(Scene& scene) {
  auto delegate = scene.delegate();
  if (!delegate) return;
  const std::string& className = delegate->getClass()->name();
  // A class of ours means this object was proxied already.
  if (className.empty() || className.starts_with(kClassPrefix)) return;
  createSubclass(*delegate);
}

VDUSceneDelegateInterceptorTable& VDUSceneDelegateSwizzler::interceptors() {
  static auto* table = new VDUSceneDelegateInterceptorTable;
  return *table;
}

std::optional<std::string> VDUSceneDelegateSwizzler::registerSceneDelegateInterceptor(
    const std::shared_ptr<Object>& interceptor) {
  if (!interceptor) {
    VDULogError(kService, false, code(1100), "SceneDelegateProxy cannot add nil interceptor.");
    return std::nullopt;
  }
  if (!interceptor->conformsTo(platform::ui::sceneDelegateProtocol())) {
    VDULogError(kService, false, code(1101), "SceneDelegateProxy interceptor does not conform to UISceneDelegate");
    return std::nullopt;
  }
  std::string interceptorID = platform::foundation::format("%@%p", kClassPrefix, interceptor.get());
  if (interceptorID.empty()) {
    VDULogError(kService, false, code(1102), "SceneDelegateProxy cannot create Interceptor ID.");
    return std::nullopt;
  }
  interceptors().setObject(std::make_shared<VDUSceneZeroingWeakContainer>(interceptor), interceptorID);
  return interceptorID;
}

void VDUSceneDelegateSwizzler::unregisterSceneDelegateInterceptorWithID(const std::string& interceptorID) {
  if (interceptorID.empty()) {
    VDULogError(kService, false, code(1103), "SceneDelegateProxy cannot unregister empty interceptor ID.");
    return;
  }
  if (!interceptors().objectForKey(interceptorID)) {
    VDULogError(kService, false, code(1104),
                "SceneDelegateProxy cannot unregister interceptor that was not registered. Interceptor ID %@",
                interceptorID);
    return;
  }
  interceptors().removeObjectForKey(interceptorID);
}

void VDUSceneDelegateSwizzler::clearInterceptors() { interceptors().removeAllObjects(); }

IMP VDUSceneDelegateSwizzler::originalImplementationForSelector(std::string_view selector, const Object& object) {
  auto table = realImplementationsOf(object);
  if (!table) return nullptr;
  auto found = table->bySelector.find(selector);
  return found == table->bySelector.end() ? nullptr : found->second;
}

void VDUSceneDelegateSwizzler::proxyDestinationSelector(std::string_view destinationSelector,
                                                        std::string_view implementationsFromSourceSelector,
                                                        Class* fromClass, Class* toClass, Class* realClass,
                                                        VDURealImplementations& storeDestinationImplementationTo) {
  if (!fromClass || !toClass || !realClass) return;
  IMP real = implementationOfMethodSelector(destinationSelector, realClass);
  addInstanceMethodWithDestinationSelector(destinationSelector, implementationsFromSourceSelector, fromClass, toClass);
  if (real) {
    storeDestinationImplementationTo.bySelector.insert_or_assign(std::string(destinationSelector), real);
  } else {
    storeDestinationImplementationTo.bySelector.erase(std::string(destinationSelector));
  }
}

void VDUSceneDelegateSwizzler::addInstanceMethodWithSelector(std::string_view selector, Class* fromClass,
                                                             Class* toClass) {
  addInstanceMethodWithDestinationSelector(selector, selector, fromClass, toClass);
}

void VDUSceneDelegateSwizzler::addInstanceMethodWithDestinationSelector(
    std::string_view destinationSelector, std::string_view withImplementationFromSourceSelector, Class* fromClass,
    Class* toClass) {
  IMP imp = implementationOfMethodSelector(withImplementationFromSourceSelector, fromClass);
  if (!imp || !toClass) return;
  if (!toClass->addMethod(destinationSelector, imp)) {
    VDULogWarning(kService, false, code(1109), "Cannot copy method to destination selector %@ as it already exists",
                  destinationSelector);
  }
}

IMP VDUSceneDelegateSwizzler::implementationOfMethodSelector(std::string_view selector, const Class* fromClass) {
  return fromClass ? fromClass->lookup(selector) : nullptr;
}

void VDUSceneDelegateSwizzler::notifyInterceptorsWithMethodSelector(std::string_view selector,
                                                                    const VDUInterceptorCallback& callback) {
  if (!callback) return;
  for (const auto& [interceptorID, container] : interceptors().dictionary()) {
    auto interceptor = container ? container->object.lock() : nullptr;
    if (!interceptor) {
      VDULogWarning(kService, false, code(1110),
                    "SceneDelegateProxy cannot find interceptor with ID %@. Removing the interceptor.", interceptorID);
      interceptors().removeObjectForKey(interceptorID);
      continue;
    }
    if (interceptor->respondsTo(selector)) callback(*interceptor);
  }
}
