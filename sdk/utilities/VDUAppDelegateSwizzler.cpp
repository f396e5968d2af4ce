#include "sdk/utilities/VDUAppDelegateSwizzler.h"

#include <uuid/uuid.h>

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Format.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Scene.h"
#include "sdk/utilities/VDUAppDelegateDonors.h"
#include "sdk/utilities/VDUAppEnvironmentUtil.h"
#include "sdk/utilities/VDULogger.h"

using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::IMP;
using platform::runtime::Object;

namespace {

constexpr std::string_view kService = "[VadezeUtilities/AppDelegateSwizzler]";
const char* const kUtilitiesProxyKey = "VadezeUtilitiesAppDelegateProxyEnabled";
const char* const kCoreProxyKey = "VurevoreAppDelegateProxyEnabled";
const char* const kClassPrefix = "VDU_";

// Associated-value keys: their addresses tell the values apart, their texts name them in dumps.
const char kRealIMPBySelectorKey[] = "VDU_realIMPBySelector";
const char kRealClassKey[] = "VDU_realClass";

std::string code(long number) { return platform::foundation::format("I-SWZ%06ld", number); }

// Installing runs under `installMutex`, which plays the once tokens' part: a second caller waits for
// the first install to finish. `mutex` guards the rest and is never held while calling out, since the
// application tells the delegate observer about changes on the calling thread.
struct ProxyState {
  std::mutex installMutex;
  bool proxyDone = false;
  bool remoteNotificationsDone = false;

  std::mutex mutex;
  std::shared_ptr<Object> originalDelegate;
  Class* realClass = nullptr;
  Class* subclass = nullptr;
  std::function<std::string()> suffixSource;
};

ProxyState& state() {
  static auto* instance = new ProxyState;  // delegates may message it from static destructors
  return *instance;
}

bool switchIsOn(const char* key) {
  const Value& value = platform::foundation::Bundle::main()->objectForInfoDictionaryKey(key);
  return !(value.isNumber() && !value.toBool());
}

std::string newUUIDString() {
  uuid_t bytes;
  uuid_generate_random(bytes);
  char text[37];
  uuid_unparse_upper(bytes, text);
  return text;
}

std::shared_ptr<const VDURealImplementations> realImplementationsOf(const Object& object) {
  return platform::runtime::associated(object, kRealIMPBySelectorKey).objectAs<VDURealImplementations>();
}

Class* realClassOf(const Object& object) {
  auto held = platform::runtime::associated(object, kRealClassKey).objectAs<VDURealClass>();
  return held ? held->cls : nullptr;
}

void attach(Object& object, const VDURealImplementations& table, Class* realClass) {
  platform::runtime::setAssociated(object, kRealIMPBySelectorKey,
                                   Value(std::make_shared<VDURealImplementations>(table)));
  platform::runtime::setAssociated(object, kRealClassKey, Value(std::make_shared<VDURealClass>(realClass)));
}

// A delegate proxied before (tokens reset, the same object set again) keeps its subclass: proxying it
// again would record the overrides as the "real" methods, and every message would call itself forever.
bool adoptExistingProxy(Object& delegate) {
  Class* realClass = realClassOf(delegate);
  Class* current = delegate.getClass();
  if (!realClass || current == realClass || !current->isSubclassOf(realClass)) return false;
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.realClass = realClass;
  s.subclass = current;
  return true;
}

}  // namespace

bool VDUAppDelegateSwizzler::isAppDelegateProxyEnabled() {
  return switchIsOn(kUtilitiesProxyKey) && switchIsOn(kCoreProxyKey);
}

std::string VDUAppDelegateSwizzler::correctAppDelegateProxyKey() {
  return Class::named("VURCore") ? kCoreProxyKey : kUtilitiesProxyKey;
}

std::string VDUAppDelegateSwizzler::correctAlternativeWhenAppDelegateProxyNotCreated() {
  return Class::named("VURCore") ? "To log deep link campaigns manually, call the methods in ZEDIvadazudo+AppDelegate."
                                 : "";
}

VDUAppDelegateInterceptorTable& VDUAppDelegateSwizzler::interceptors() {
  static auto* table = new VDUAppDelegateInterceptorTable;  // outlives every SDK component
  return *table;
}

std::optional<std::string> VDUAppDelegateSwizzler::registerAppDelegateInterceptor(
    const std::shared_ptr<Object>& interceptor) {
  if (!interceptor) {
    VDULogError(kService, false, code(1000), "AppDelegateProxy cannot add nil interceptor.");
    return std::nullopt;
  }
  if (!interceptor->conformsTo(platform::ui::applicationDelegateProtocol())) {
    VDULogError(kService, false, code(1001), "AppDelegateProxy interceptor does not conform to UIApplicationDelegate");
    return std::nullopt;
  }
  std::string interceptorID = platform::foundation::format("%@%p", kClassPrefix, interceptor.get());
  if (interceptorID.empty()) {
    VDULogError(kService, false, code(1002), "AppDelegateProxy cannot create Interceptor ID.");
    return std::nullopt;
  }
  interceptors().setObject(std::make_shared<VDUZeroingWeakContainer>(interceptor), interceptorID);
  return interceptorID;
}

void VDUAppDelegateSwizzler::unregisterAppDelegateInterceptorWithID(const std::string& interceptorID) {
  if (interceptorID.empty()) {
    VDULogError(kService, false, code(1003), "AppDelegateProxy cannot unregister empty interceptor ID.");
    return;
  }
  if (!interceptors().objectForKey(interceptorID)) {
    VDULogError(kService, false, code(1004),
                "AppDelegateProxy cannot unregister interceptor that was not registered. Interceptor ID %@",
                interceptorID);
    return;
  }
  interceptors().removeObjectForKey(interceptorID);
}

void VDUAppDelegateSwizzler::clearInterceptors() { interceptors().removeAllObjects(); }

void VDUAppDelegateSwizzler::resetProxyOriginalDelegateOnceToken() {
  auto& s = state();
  std::lock_guard install(s.installMutex);
  s.proxyDone = false;
  s.remoteNotificationsDone = false;
}

std::shared_ptr<platform::ui::Application> VDUAppDelegateSwizzler::sharedApplication() {
  if (VDUAppEnvironmentUtil::isAppExtension()) return nullptr;
  Class* cls = Class::named(platform::ui::Application::kRuntimeClass.name);
  if (!cls || !cls->metaclass()->instancesRespondTo(platform::ui::kSharedApplication.name)) return nullptr;
  return platform::runtime::trySend(*cls, platform::ui::kSharedApplication).value_or(nullptr);
}

std::shared_ptr<Object> VDUAppDelegateSwizzler::originalDelegate() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.originalDelegate;
}

void VDUAppDelegateSwizzler::proxyOriginalDelegate() {
  if (VDUAppEnvironmentUtil::isAppExtension()) return;
  auto& s = state();
  std::lock_guard install(s.installMutex);
  if (s.proxyDone) return;
  s.proxyDone = true;
  auto application = sharedApplication();
  proxyAppDelegate(application ? application->delegate() : nullptr);
}

void VDUAppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods() {
  if (VDUAppEnvironmentUtil::isAppExtension()) return;
  proxyOriginalDelegate();
  auto& s = state();
  std::lock_guard install(s.installMutex);
  if (s.remoteNotificationsDone) return;
  s.remoteNotificationsDone = true;
  auto application = sharedApplication();
  auto delegate = application ? application->delegate() : nullptr;
  Class* subclass = nullptr;
  Class* realClass = nullptr;
  {
    std::lock_guard lock(s.mutex);
    subclass = s.subclass;
    realClass = s.realClass;
  }
  proxyRemoteNotificationsMethodsWithAppDelegateSubClass(subclass, realClass, delegate,
                                                         delegate ? realImplementationsOf(*delegate) : nullptr);
}

void VDUAppDelegateSwizzler::proxyAppDelegate(const std::shared_ptr<Object>& appDelegate) {
  const std::string advice = correctAlternativeWhenAppDelegateProxyNotCreated();
  if (!appDelegate || !appDelegate->conformsTo(platform::ui::applicationDelegateProtocol())) {
    VDULogNotice(kService, false, code(1014), "App Delegate does not conform to UIApplicationDelegate protocol. %@",
                 advice);
    return;
  }
  if (!isAppDelegateProxyEnabled()) {
    VDULogNotice(kService, false, code(1011), "App Delegate Proxy is disabled. %@", advice);
    return;
  }
  try {
    if (!adoptExistingProxy(*appDelegate)) {
      Class* realClass = appDelegate->getClass();
      Class* subclass = createSubclassWithObject(*appDelegate);
      auto& s = state();
      std::lock_guard lock(s.mutex);
      s.realClass = realClass;
      s.subclass = subclass;
    }
    reassignAppDelegate();
  } catch (...) {
    // Whatever went wrong, the app goes on with its delegate as it was.
    VDULogError(kService, false, code(1013), "Cannot create App Delegate Proxy. %@", advice);
  }
}

Class* VDUAppDelegateSwizzler::createSubclassWithObject(Object& object) {
  Class* realClass = object.getClass();
  const std::string name = subclassNameForClassName(realClass->name());
  if (Class::named(name)) {
    VDULogError(kService, false, code(1005),
                "Cannot create a proxy for App Delegate. Subclass already exists. Original Class: %@, subclass: %@",
                realClass->name(), name);
    return nullptr;
  }
  Class* subclass = Class::allocateClassPair(realClass, name, platform::runtime::Image::Sdk);
  if (!subclass) {
    VDULogError(kService, false, code(1006),
                "Cannot create a proxy for App Delegate. Subclass already exists. Original Class: %@, subclass: Nil",
                realClass->name());
    return nullptr;
  }
  Class* donor = VDUAppDelegateDonors::donorClass();
  VDURealImplementations table;
  proxyDestinationSelector(platform::ui::kApplicationContinueUserActivity.name,
                           platform::ui::kApplicationContinueUserActivity.name, donor, subclass, realClass, table);
  if (object.respondsTo(platform::ui::kApplicationOpenURLOptions.name)) {
    proxyDestinationSelector(platform::ui::kApplicationOpenURLOptions.name,
                             platform::ui::kApplicationOpenURLOptions.name, donor, subclass, realClass, table);
  }
  proxyDestinationSelector(platform::ui::kApplicationHandleEventsForBackgroundURLSession.name,
                           platform::ui::kApplicationHandleEventsForBackgroundURLSession.name, donor, subclass,
                           realClass, table);
  proxyDestinationSelector(platform::ui::kApplicationOpenURLSourceApplication.name,
                           platform::ui::kApplicationOpenURLSourceApplication.name, donor, subclass, realClass, table);
  addInstanceMethodWithDestinationSelector(platform::runtime::kDescription.name, VDUAppDelegateDonors::kFakeDescription,
                                           donor, subclass);
  attach(object, table, realClass);
  if (realClass->instanceSize() != subclass->instanceSize()) {
    VDULogError(kService, false, code(1007),
                "Cannot create subclass of App Delegate, because the created subclass is not the same size. %@",
                realClass->name());
    return nullptr;
  }
  Class::registerClassPair(subclass);
  if (object.setClass(subclass)) {
    VDULogDebug(kService, false, code(1008),
                "Successfully created App Delegate Proxy automatically. To disable the proxy, set the flag %@ to NO "
                "(Boolean) in the Info.plist",
                correctAppDelegateProxyKey());
  }
  return subclass;
}

void VDUAppDelegateSwizzler::proxyRemoteNotificationsMethodsWithAppDelegateSubClass(
    Class* appDelegateSubClass, Class* realClass, const std::shared_ptr<Object>& appDelegate,
    std::shared_ptr<const VDURealImplementations> realImplementationsBySelector) {
  if (!appDelegateSubClass || !realClass || !appDelegate || !realImplementationsBySelector) return;
  using Donors = VDUAppDelegateDonors;
  Class* donor = Donors::donorClass();
  VDURealImplementations table(realImplementationsBySelector->bySelector);
  proxyDestinationSelector(platform::ui::kApplicationDidRegisterForRemoteNotifications.name, Donors::kDonorDidRegister,
                           donor, appDelegateSubClass, realClass, table);
  proxyDestinationSelector(platform::ui::kApplicationDidFailToRegisterForRemoteNotifications.name,
                           Donors::kDonorDidFailToRegister, donor, appDelegateSubClass, realClass, table);
  proxyDestinationSelector(platform::ui::kApplicationDidReceiveRemoteNotification.name, Donors::kDonorDidReceive, donor,
                           appDelegateSubClass, realClass, table);
  if (appDelegate->respondsTo(platform::ui::kApplicationDidReceiveRemoteNotificationFetch.name)) {
    proxyDestinationSelector(platform::ui::kApplicationDidReceiveRemoteNotificationFetch.name,
                             Donors::kDonorDidReceiveFetch, donor, appDelegateSubClass, realClass, table);
  }
  platform::runtime::setAssociated(*appDelegate, kRealIMPBySelectorKey,
                                   Value(std::make_shared<VDURealImplementations>(std::move(table))));
  reassignAppDelegate();
}

void VDUAppDelegateSwizzler::reassignAppDelegate() {
  auto application = sharedApplication();
  if (!application) return;
  auto delegate = application->delegate();
  // Setting nil and back makes the application look again at what its delegate answers.
  application->setDelegate(nullptr);
  application->setDelegate(delegate);
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.originalDelegate = delegate;
  }
  VDUAppDelegateObserver::sharedInstance().observeUIApplication();
}

void VDUAppDelegateSwizzler::proxyDestinationSelector(std::string_view destinationSelector,
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

void VDUAppDelegateSwizzler::addInstanceMethodWithSelector(std::string_view selector, Class* fromClass,
                                                           Class* toClass) {
  addInstanceMethodWithDestinationSelector(selector, selector, fromClass, toClass);
}

void VDUAppDelegateSwizzler::addInstanceMethodWithDestinationSelector(
    std::string_view destinationSelector, std::string_view withImplementationFromSourceSelector, Class* fromClass,
    Class* toClass) {
  IMP imp = implementationOfMethodSelector(withImplementationFromSourceSelector, fromClass);
  if (!imp || !toClass) return;
  if (!toClass->addMethod(destinationSelector, imp)) {
    VDULogWarning(kService, false, code(1009), "Cannot copy method to destination selector %@ as it already exists",
                  destinationSelector);
  }
}

IMP VDUAppDelegateSwizzler::implementationOfMethodSelector(std::string_view selector, const Class* fromClass) {
  return fromClass ? fromClass->lookup(selector) : nullptr;
}

IMP VDUAppDelegateSwizzler::originalImplementationForSelector(std::string_view selector, const Object& object) {
  auto table = realImplementationsOf(object);
  if (!table) return nullptr;
  auto found = table->bySelector.find(selector);
  return found == table->bySelector.end() ? nullptr : found->second;
}

Class* VDUAppDelegateSwizzler::realClassOfObject(const Object& object) { return realClassOf(object); }

void VDUAppDelegateSwizzler::notifyInterceptorsWithMethodSelector(std::string_view selector,
                                                                  const VDUInterceptorCallback& callback) {
  if (!callback) return;
  for (const auto& [interceptorID, container] : interceptors().dictionary()) {
    auto interceptor = container ? container->object.lock() : nullptr;
    if (!interceptor) {
      VDULogWarning(kService, false, code(1010),
                    "AppDelegateProxy cannot find interceptor with ID %@. Removing the interceptor.", interceptorID);
      interceptors().removeObjectForKey(interceptorID);
      continue;
    }
    if (interceptor->respondsTo(selector)) callback(*interceptor);
  }
}

std::string VDUAppDelegateSwizzler::subclassNameForClassName(const std::string& className) {
  std::function<std::string()> source;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    source = s.suffixSource;
  }
  return platform::foundation::format("%@-%@", kClassPrefix + className, source ? source() : newUUIDString());
}

void VDUAppDelegateSwizzler::setSubclassSuffixSourceForTesting(std::function<std::string()> source) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.suffixSource = std::move(source);
}

// The observer.

VDUAppDelegateObserver& VDUAppDelegateObserver::sharedInstance() {
  static auto* instance = new VDUAppDelegateObserver;  // the application may change delegates at exit
  return *instance;
}

void VDUAppDelegateObserver::observeUIApplication() {
  auto application = VDUAppDelegateSwizzler::sharedApplication();
  if (!application) return;
  {
    std::lock_guard lock(mutex_);
    if (isObserving_ && observed_ == application.get()) return;
  }
  auto observation =
      application->observeDelegate([this](const auto& old, const auto& now) { delegateChanged(old, now); });
  platform::foundation::NotificationCenter::Observation replaced;  // removed outside the lock
  std::lock_guard lock(mutex_);
  replaced = std::exchange(observation_, std::move(observation));
  observed_ = application.get();
  isObserving_ = true;
}

bool VDUAppDelegateObserver::isObserving() const {
  std::lock_guard lock(mutex_);
  return isObserving_;
}

void VDUAppDelegateObserver::delegateChanged(const std::shared_ptr<Object>& old, const std::shared_ptr<Object>& now) {
  if (old == now || !old) return;
  auto& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (old != s.originalDelegate) return;
    s.originalDelegate.reset();
  }
  stopObserving();
}

void VDUAppDelegateObserver::stopObserving() {
  platform::foundation::NotificationCenter::Observation removed;  // removed outside the lock
  std::lock_guard lock(mutex_);
  removed = std::move(observation_);
  observed_ = nullptr;
  isObserving_ = false;
}
