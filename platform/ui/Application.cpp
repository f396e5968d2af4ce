#include "platform/ui/Application.h"

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/runtime/Send.h"

namespace platform::ui {
namespace {

using runtime::Class;

struct Shared {
  std::mutex mutex;
  std::shared_ptr<Application> application;
  std::optional<bool> appExtension;
};

Shared& shared() {
  static auto* instance = new Shared;  // the application may be reached from static destructors
  return *instance;
}

std::shared_ptr<Application> currentApplication() {
  auto& s = shared();
  {
    std::lock_guard lock(s.mutex);
    if (s.application) return s.application;
  }
  // Made outside the lock: making an application registers its class, which may call back here.
  auto made = std::dynamic_pointer_cast<Application>(runtime::classOf<Application>()->createInstance());
  std::lock_guard lock(s.mutex);
  if (!s.application) s.application = std::move(made);
  return s.application;
}

// Declares "UIApplication" with its class method, and the delegate protocol, once.
Class* applicationClass() {
  static Class* const cls = [] {
    Class* c = runtime::classOf<Application>();
    c->metaclass()->addMethod(kSharedApplication, [](runtime::Object&) { return currentApplication(); });
    c->addIvar<Application>("_delegate", &Application::delegate);
    c->addIvar<Application>("_applicationState", &Application::applicationState);
    applicationDelegateProtocol();
    return c;
  }();
  return cls;
}

const char* const kOldKey = "old";
const char* const kNewKey = "new";
const char* const kDelegateKey = "delegate";

}  // namespace

const runtime::Protocol* applicationDelegateProtocol() {
  static const runtime::Protocol* const protocol = runtime::Protocol::obtain(
      "UIApplicationDelegate", {
                                   {std::string(kDidFinishLaunchingWithOptions.name)},
                                   {std::string(kApplicationDidBecomeActive.name)},
                                   {std::string(kApplicationWillResignActive.name)},
                                   {std::string(kApplicationDidEnterBackground.name)},
                                   {std::string(kApplicationWillEnterForeground.name)},
                                   {std::string(kApplicationWillTerminate.name)},
                                   {std::string(kApplicationOpenURLOptions.name)},
                                   {std::string(kApplicationOpenURLSourceApplication.name)},
                                   {std::string(kApplicationContinueUserActivity.name)},
                                   {std::string(kApplicationHandleEventsForBackgroundURLSession.name)},
                                   {std::string(kApplicationDidRegisterForRemoteNotifications.name)},
                                   {std::string(kApplicationDidFailToRegisterForRemoteNotifications.name)},
                                   {std::string(kApplicationDidReceiveRemoteNotification.name)},
                                   {std::string(kApplicationDidReceiveRemoteNotificationFetch.name)},
                               });
  return protocol;
}

Application::Application() : Object(applicationClass()) {}

std::shared_ptr<Application> Application::sharedApplication() {
  if (isAppExtension()) return nullptr;
  applicationClass();
  Class* cls = Class::named(kRuntimeClass.name);
  if (!cls) return nullptr;
  return runtime::trySend(*cls, kSharedApplication).value_or(nullptr);
}

bool Application::isAppExtension() {
  {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    if (s.appExtension) return *s.appExtension;
  }
  std::string path = foundation::Bundle::main()->bundlePath();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path.ends_with(".appex");
}

void Application::setAppExtension(std::optional<bool> fact) {
  auto& s = shared();
  std::lock_guard lock(s.mutex);
  s.appExtension = fact;
}

std::shared_ptr<runtime::Object> Application::delegate() const {
  std::lock_guard lock(delegateMutex_);
  return delegate_.lock();
}

void Application::setDelegate(const std::shared_ptr<runtime::Object>& delegate) {
  std::shared_ptr<runtime::Object> old;
  {
    std::lock_guard lock(delegateMutex_);
    old = delegate_.lock();
    delegate_ = delegate;
  }
  foundation::Value change{foundation::Dictionary{}};
  if (old) change.set(kOldKey, old);
  if (delegate) change.set(kNewKey, delegate);
  delegateChanges_.post(kDelegateKey, std::move(change), this);
}

foundation::NotificationCenter::Observation Application::observeDelegate(DelegateObserver observer) {
  return delegateChanges_.addObserver(kDelegateKey, [observer = std::move(observer)](const foundation::Notification& n) {
    observer(n.userInfo[kOldKey].objectAs<runtime::Object>(), n.userInfo[kNewKey].objectAs<runtime::Object>());
  });
}

void Application::tellDelegate(const runtime::Selector<void(Application&)>& selector, const char* notification) {
  // The delegate hears first, then everyone else, as on the phone.
  if (auto d = delegate()) runtime::trySend(*d, selector, *this);
  foundation::NotificationCenter::defaultCenter().post(notification, {}, this);
}

void Application::finishLaunching(const foundation::Value& options) {
  if (launched_) return;
  launched_ = true;
  if (auto d = delegate()) runtime::trySend(*d, kDidFinishLaunchingWithOptions, *this, options);
  foundation::NotificationCenter::defaultCenter().post(kApplicationDidFinishLaunchingNotification,
                                                       options.isDictionary() ? options : foundation::Value(), this);
}

void Application::becomeActive() {
  if (terminated_ || applicationState() == State::Active) return;
  if (applicationState() == State::Background) enterForeground();
  state_ = State::Active;
  tellDelegate(kApplicationDidBecomeActive, kApplicationDidBecomeActiveNotification);
  windowScene_->moveTo(SceneActivationState::ForegroundActive);
}

void Application::resignActive() {
  if (applicationState() != State::Active) return;
  tellDelegate(kApplicationWillResignActive, kApplicationWillResignActiveNotification);
  state_ = State::Inactive;
  windowScene_->moveTo(SceneActivationState::ForegroundInactive);
}

void Application::enterBackground() {
  if (terminated_ || applicationState() == State::Background) return;
  resignActive();
  state_ = State::Background;
  tellDelegate(kApplicationDidEnterBackground, kApplicationDidEnterBackgroundNotification);
  windowScene_->moveTo(SceneActivationState::Background);
}

void Application::enterForeground() {
  if (applicationState() != State::Background) return;
  tellDelegate(kApplicationWillEnterForeground, kApplicationWillEnterForegroundNotification);
  state_ = State::Inactive;
  windowScene_->moveTo(SceneActivationState::ForegroundInactive);
}

void Application::passThroughInactive(const std::function<void()>& change) {
  const bool wasActive = applicationState() == State::Active;
  if (wasActive) resignActive();
  if (change) change();
  if (wasActive) becomeActive();
}

void Application::terminate() {
  if (terminated_) return;
  // However the app ends, it leaves the foreground first, as an app swiped away does: what saves or
  // uploads on leaving does so before the end.
  enterBackground();
  terminated_ = true;
  tellDelegate(kApplicationWillTerminate, kApplicationWillTerminateNotification);
}

int applicationMain(int argc, char** argv, std::string_view delegateClassName, const ApplicationMainOptions& options) {
  runtime::runLoadHooks();
  auto application = std::dynamic_pointer_cast<Application>(applicationClass()->createInstance());
  for (int i = 0; i < argc && argv; ++i) {
    if (argv[i]) application->arguments_.emplace_back(argv[i]);
  }
  {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    s.application = application;
  }
  if (!delegateClassName.empty()) {
    Class* cls = Class::named(delegateClassName);
    std::shared_ptr<runtime::Object> delegate = cls ? cls->createInstance() : nullptr;
    if (!delegate) {
      throw foundation::Exception("NSInternalInconsistencyException",
                                  "Unable to instantiate the UIApplicationDelegate instance. No class named " +
                                      std::string(delegateClassName) + " is loaded.");
    }
    application->ownedDelegate_ = delegate;
    application->setDelegate(delegate);
  }
  application->finishLaunching();
  application->becomeActive();
  if (options.runMainLoop) dispatch::MainLoop::run();
  return 0;
}

// --- background tasks ---

Application::BackgroundTaskIdentifier Application::beginBackgroundTask(std::string name,
                                                                       std::function<void()> expirationHandler) {
  std::lock_guard lock(backgroundTasksMutex_);
  BackgroundTaskIdentifier identifier = nextBackgroundTask_++;
  if (identifier == kInvalidBackgroundTask) identifier = nextBackgroundTask_++;
  backgroundTasks_[identifier] = {std::move(name), std::move(expirationHandler)};
  return identifier;
}

void Application::endBackgroundTask(BackgroundTaskIdentifier identifier) {
  std::function<void()> released;  // destroyed outside the lock: it may hold objects that end tasks too
  std::lock_guard lock(backgroundTasksMutex_);
  auto found = backgroundTasks_.find(identifier);
  if (found == backgroundTasks_.end()) return;
  released = std::move(found->second.expirationHandler);
  backgroundTasks_.erase(found);
}

std::size_t Application::backgroundTaskCount() const {
  std::lock_guard lock(backgroundTasksMutex_);
  return backgroundTasks_.size();
}

}  // namespace platform::ui
