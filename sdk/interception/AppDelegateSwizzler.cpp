#include "sdk/interception/AppDelegateSwizzler.h"

#include "platform/foundation/Bundle.h"
#include "platform/runtime/Send.h"
#include "sdk/interception/AppDelegateDonors.h"
#include "sdk/interception/InterceptionMessageCodes.h"
#include "sdk/utilities/AppEnvironmentUtil.h"
#include "sdk/utilities/Logger.h"

namespace sdk::interception {

using platform::foundation::Value;
using platform::runtime::Class;
using platform::runtime::IMP;
using platform::runtime::Object;

namespace {

const char* const kUtilitiesProxyKey = "VadezeUtilitiesAppDelegateProxyEnabled";
const char* const kCoreProxyKey = "VurevoreAppDelegateProxyEnabled";

constexpr DelegateProxyTexts kTexts{
    .service = "[VadezeUtilities/AppDelegateSwizzler]",
    .proxyName = "AppDelegateProxy",
    .delegateName = "App Delegate",
    .nilInterceptor = messages::kAppDelegateNilInterceptor,
    .notConforming = messages::kAppDelegateInterceptorNotConforming,
    .noInterceptorID = messages::kAppDelegateInterceptorIDNotCreated,
    .emptyInterceptorID = messages::kAppDelegateInterceptorIDEmpty,
    .notRegistered = messages::kAppDelegateInterceptorNotRegistered,
    .subclassExists = messages::kAppDelegateSubclassExists,
    .subclassNil = messages::kAppDelegateSubclassNil,
    .sizeDiffers = messages::kAppDelegateSubclassSizeDiffers,
    .created = messages::kAppDelegateSubclassCreated,
    .methodExists = messages::kAppDelegateMethodExists,
    .interceptorGone = messages::kAppDelegateInterceptorGone,
};

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
};

ProxyState& state() {
  static auto* instance = new ProxyState;  // delegates may message it from static destructors
  return *instance;
}

bool switchIsOn(const char* key) {
  const Value& value = platform::foundation::Bundle::main()->objectForInfoDictionaryKey(key);
  return !(value.isNumber() && !value.toBool());
}

// A delegate proxied before (tokens reset, the same object set again) keeps its subclass: proxying it
// again would record the overrides as the "real" methods, and every message would call itself forever.
bool adoptExistingProxy(Object& delegate) {
  Class* realClass = AppDelegateSwizzler::proxyKit().realClassOf(delegate);
  Class* current = delegate.getClass();
  if (!realClass || current == realClass || !current->isSubclassOf(realClass)) return false;
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.realClass = realClass;
  s.subclass = current;
  return true;
}

// The overrides every proxied delegate gets; the remote-notification ones come later, when asked for.
void proxyBaseSelectors(Object& delegate, Class* subclass, Class* realClass, RealImplementations& table) {
  using namespace platform::ui;
  Class* donor = AppDelegateDonors::donorClass();
  auto proxy = [&](std::string_view selector) {
    AppDelegateSwizzler::proxyDestinationSelector(selector, selector, donor, subclass, realClass, table);
  };
  proxy(kApplicationContinueUserActivity.name);
  if (delegate.respondsTo(kApplicationOpenURLOptions.name)) proxy(kApplicationOpenURLOptions.name);
  proxy(kApplicationHandleEventsForBackgroundURLSession.name);
  proxy(kApplicationOpenURLSourceApplication.name);
  AppDelegateSwizzler::addInstanceMethodWithDestinationSelector(
      platform::runtime::kDescription.name, AppDelegateDonors::kFakeDescription, donor, subclass);
}

}  // namespace

DelegateProxyKit& AppDelegateSwizzler::proxyKit() {
  static auto* instance = new DelegateProxyKit(kTexts);  // outlives every SDK component
  return *instance;
}

bool AppDelegateSwizzler::isAppDelegateProxyEnabled() {
  return switchIsOn(kUtilitiesProxyKey) && switchIsOn(kCoreProxyKey);
}

std::string AppDelegateSwizzler::correctAppDelegateProxyKey() {
  return Class::named("VURCore") ? kCoreProxyKey : kUtilitiesProxyKey;
}

std::string AppDelegateSwizzler::correctAlternativeWhenAppDelegateProxyNotCreated() {
  return Class::named("VURCore") ? "To log deep link campaigns manually, call the methods in ZEDIvadazudo+AppDelegate."
                                 : "";
}

std::optional<std::string> AppDelegateSwizzler::registerAppDelegateInterceptor(
    const std::shared_ptr<Object>& interceptor) {
  return proxyKit().registerInterceptor(interceptor, platform::ui::applicationDelegateProtocol());
}

void AppDelegateSwizzler::unregisterAppDelegateInterceptorWithID(const std::string& interceptorID) {
  proxyKit().unregisterInterceptorWithID(interceptorID);
}

void AppDelegateSwizzler::resetProxyOriginalDelegateOnceToken() {
  auto& s = state();
  std::lock_guard install(s.installMutex);
  s.proxyDone = false;
  s.remoteNotificationsDone = false;
}

std::shared_ptr<platform::ui::Application> AppDelegateSwizzler::sharedApplication() {
  if (sdk::utilities::AppEnvironmentUtil::isAppExtension()) return nullptr;
  Class* cls = Class::named(platform::ui::Application::kRuntimeClass.name);
  if (!cls || !cls->metaclass()->instancesRespondTo(platform::ui::kSharedApplication.name)) return nullptr;
  return platform::runtime::trySend(*cls, platform::ui::kSharedApplication).value_or(nullptr);
}

std::shared_ptr<Object> AppDelegateSwizzler::originalDelegate() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.originalDelegate;
}

void AppDelegateSwizzler::proxyOriginalDelegate() {
  if (sdk::utilities::AppEnvironmentUtil::isAppExtension()) return;
  auto& s = state();
  std::lock_guard install(s.installMutex);
  if (s.proxyDone) return;
  s.proxyDone = true;
  auto application = sharedApplication();
  proxyAppDelegate(application ? application->delegate() : nullptr);
}

void AppDelegateSwizzler::proxyOriginalDelegateIncludingAPNSMethods() {
  if (sdk::utilities::AppEnvironmentUtil::isAppExtension()) return;
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
  proxyRemoteNotificationsMethodsWithAppDelegateSubClass(
      subclass, realClass, delegate, delegate ? proxyKit().realImplementationsOf(*delegate) : nullptr);
}

void AppDelegateSwizzler::proxyAppDelegate(const std::shared_ptr<Object>& appDelegate) {
  const std::string advice = correctAlternativeWhenAppDelegateProxyNotCreated();
  if (!appDelegate || !appDelegate->conformsTo(platform::ui::applicationDelegateProtocol())) {
    sdk::utilities::logNotice(kTexts.service, false, DelegateProxyKit::messageCode(messages::kAppDelegateNotConforming),
                 "App Delegate does not conform to UIApplicationDelegate protocol. %@", advice);
    return;
  }
  if (!isAppDelegateProxyEnabled()) {
    sdk::utilities::logNotice(kTexts.service, false, DelegateProxyKit::messageCode(messages::kAppDelegateProxyDisabled), "App Delegate Proxy is disabled. %@",
                 advice);
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
    sdk::utilities::logError(kTexts.service, false, DelegateProxyKit::messageCode(messages::kAppDelegateProxyNotCreated), "Cannot create App Delegate Proxy. %@",
                advice);
  }
}

Class* AppDelegateSwizzler::createSubclassWithObject(Object& object) {
  return proxyKit().createSubclassWithObject(
      object,
      [&object](Class* subclass, Class* realClass, RealImplementations& table) {
        proxyBaseSelectors(object, subclass, realClass, table);
      },
      correctAppDelegateProxyKey());
}

void AppDelegateSwizzler::proxyRemoteNotificationsMethodsWithAppDelegateSubClass(
    Class* appDelegateSubClass, Class* realClass, const std::shared_ptr<Object>& appDelegate,
    std::shared_ptr<const RealImplementations> realImplementationsBySelector) {
  if (!appDelegateSubClass || !realClass || !appDelegate || !realImplementationsBySelector) return;
  // Methods added to a class the delegate no longer has would never be reached.
  if (!appDelegate->isKindOf(appDelegateSubClass)) return;
  using Donors = AppDelegateDonors;
  Class* donor = Donors::donorClass();
  RealImplementations table(realImplementationsBySelector->bySelector);
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
  proxyKit().setRealImplementations(*appDelegate, std::move(table));
  reassignAppDelegate();
}

void AppDelegateSwizzler::reassignAppDelegate() {
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
  AppDelegateObserver::sharedInstance().observeUIApplication();
}

Class* AppDelegateSwizzler::realClassOfObject(const Object& object) { return proxyKit().realClassOf(object); }

// The observer.

AppDelegateObserver& AppDelegateObserver::sharedInstance() {
  static auto* instance = new AppDelegateObserver;  // the application may change delegates at exit
  return *instance;
}

void AppDelegateObserver::observeUIApplication() {
  auto application = AppDelegateSwizzler::sharedApplication();
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

bool AppDelegateObserver::isObserving() const {
  std::lock_guard lock(mutex_);
  return isObserving_;
}

void AppDelegateObserver::delegateChanged(const std::shared_ptr<Object>& old, const std::shared_ptr<Object>& now) {
  if (old == now || !old) return;
  auto& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (old != s.originalDelegate) return;
    s.originalDelegate.reset();
  }
  stopObserving();
}

void AppDelegateObserver::stopObserving() {
  platform::foundation::NotificationCenter::Observation removed;  // removed outside the lock
  std::lock_guard lock(mutex_);
  removed = std::move(observation_);
  observed_ = nullptr;
  isObserving_ = false;
}

}  // namespace sdk::interception

