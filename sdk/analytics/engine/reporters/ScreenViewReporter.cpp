#include "sdk/analytics/engine/reporters/ScreenViewReporter.h"

#include <mutex>

#include "platform/dispatch/MainLoop.h"
#include "platform/foundation/Utf8.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "sdk/analytics/engine/SessionReporting.h"
#include "sdk/analytics/engine/reporters/AdExposureReporter.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"
#include "sdk/analytics/engine/reporters/AppearanceMethodReplacement.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/engine/reporters/SessionReporter.h"
#include "sdk/analytics/engine/reporters/ViewControllerScreens.h"
#include "sdk/analytics/engine/reporters/ReporterHost.h"
#include "sdk/analytics/foundation/EventParameters.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::Value;
using platform::ui::ViewController;
using platform::ui::Window;

using sdk::analytics::monitor;

namespace {

// A screen text the app passed: nothing when absent, else it must be a valid screen text.
bool screenTextFromValue(const Value& value, std::optional<std::string>& text) {
  if (value.isNil()) return true;
  if (!value.isString() || !isValidScreenText(*value.string(), nullptr)) return false;
  text = *value.string();
  return true;
}

std::shared_ptr<ViewControllerStack> keyWindowStack() {
  auto window = Window::keyWindow();
  return window ? windowStack(*window) : std::make_shared<ViewControllerStack>();
}

Parameters toParameters(const Dictionary& parameters) {
  Parameters result;
  for (const auto& [name, value] : parameters) {
    if (auto converted = AnalyticsValue::valueFromObject(value)) result.emplace(name, *converted);
  }
  return result;
}

// After the SDK's own libraries, before the app's screens.
constexpr int kScreenReportingLoadOrder = 60;

[[maybe_unused]] const bool screenViewReportingRegistered =
    (platform::runtime::addLoadHook(kScreenReportingLoadOrder, &ScreenViewReporter::installAutomaticReporting),
     true);

}  // namespace

ScreenViewReporter::ScreenViewReporter()
    : queue_(platform::dispatch::Queue::serial(kQueueLabel)), currentScreenInstanceID_(NumericUtil::randomInt64()) {}

ScreenViewReporter::~ScreenViewReporter() = default;

std::shared_ptr<ScreenViewReporter> ScreenViewReporter::create() {
  struct Made : ScreenViewReporter {};
  auto reporter = std::make_shared<Made>();
  reporter->startObserving();
  return reporter;
}

std::shared_ptr<ScreenViewReporter> ScreenViewReporter::sharedInstance() {
  // Kept for the process: queued halves of screen views may reach it while the process exits.
  static auto* shared = new std::shared_ptr<ScreenViewReporter>(create());
  return *shared;
}

void ScreenViewReporter::installAutomaticReporting() {
  static std::once_flag once;
  std::call_once(once, [] {
    SessionReporter::installFactory();
    Analytics::setScreenViewReporter(sharedInstance());
    AppearanceMethodReplacement::install();
  });
}

void ScreenViewReporter::startObserving() {
  auto& center = platform::foundation::NotificationCenter::defaultCenter();
  std::weak_ptr<ScreenViewReporter> weak = weak_from_this();
  auto observe = [&](const char* name, void (ScreenViewReporter::*handler)()) {
    return center.addObserver(name, [weak, handler](const platform::foundation::Notification&) {
      if (auto self = weak.lock()) ((*self).*handler)();
    });
  };
  windowObservation_ = observe(platform::ui::kWindowDidResignKeyNotification, &ScreenViewReporter::handleWindowDidResign);
  becomeActiveObservation_ = observe(platform::ui::kApplicationDidBecomeActiveNotification,
                                     &ScreenViewReporter::handleApplicationDidBecomeActive);
  resignActiveObservation_ = observe(platform::ui::kApplicationWillResignActiveNotification,
                                     &ScreenViewReporter::handleApplicationWillResignActive);
  backgroundObservation_ = observe(platform::ui::kApplicationDidEnterBackgroundNotification,
                                   &ScreenViewReporter::handleApplicationDidEnterBackground);
}

std::int64_t ScreenViewReporter::incrementScreenInstanceID() {
  // Screens are made on the main thread and on the reporter's queue alike; the wrap past the largest
  // ID is the plain two's-complement one.
  return static_cast<std::int64_t>(
      static_cast<std::uint64_t>(currentScreenInstanceID_.fetch_add(1, std::memory_order_relaxed)) + 1);
}

std::shared_ptr<SessionReporter> ScreenViewReporter::sessionReporter() const {
  auto access = sdk::analytics::ReporterEngineAccess::current();
  if (!access.sessionReporter) return nullptr;
  return std::dynamic_pointer_cast<SessionReporter>(access.sessionReporter());
}

bool ScreenViewReporter::isEngineEnabled() const {
  auto access = sdk::analytics::ReporterEngineAccess::current();
  return access.isEngineEnabled && access.isEngineEnabled();
}

std::shared_ptr<AnalyticsScreen> ScreenViewReporter::currentScreen() {
  std::shared_ptr<AnalyticsScreen> screen;
  queue_->sync([&] { screen = currentScreen_; });
  return screen;
}

std::shared_ptr<AnalyticsScreen> ScreenViewReporter::previousScreen() {
  std::shared_ptr<AnalyticsScreen> screen;
  queue_->sync([&] { screen = previousScreen_; });
  return screen;
}

void ScreenViewReporter::waitForQueue() const {
  queue_->sync([] {});
}

// --- what the facade asks

Parameters ScreenViewReporter::screenParameters() {
  Parameters parameters;
  if (!mayReport()) return parameters;
  queue_->sync([&] {
    if (!currentScreen_) return;
    parameters.emplace("_si", AnalyticsValue(currentScreen_->instanceID()));
    const auto& className = currentScreen_->className();
    if (className && !className->empty()) parameters.emplace("_sc", AnalyticsValue(*className));
    const auto& name = currentScreen_->name();
    if (name && !name->empty()) parameters.emplace("_sn", AnalyticsValue(*name));
  });
  return parameters;
}

void ScreenViewReporter::getScreenName(std::optional<std::string>* screenName,
                                          std::optional<std::string>* screenClass) {
  if (!screenName && !screenClass) return;
  queue_->sync([&] {
    if (screenName) *screenName = currentScreen_ ? currentScreen_->name() : std::nullopt;
    if (screenClass) *screenClass = currentScreen_ ? currentScreen_->className() : std::nullopt;
  });
}

void ScreenViewReporter::setScreenName(const std::optional<std::string>& screenName,
                                          const std::optional<std::string>& screenClass) {
  if (!isAutomaticScreenReportingEnabled()) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenNameIgnoredWhileDisabled,
                           "Ignoring call to setScreenName:screenClass:. Screen reporting is disabled.");
    return;
  }
  if (screenName && !isValidScreenText(*screenName, nullptr)) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenNameInvalid, "Received invalid screen name",
                           Value(*screenName));
    return;
  }
  if (screenClass && !isValidScreenText(*screenClass, nullptr)) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenClassInvalid, "Received invalid screen class",
                           Value(*screenClass));
    return;
  }
  auto stack = keyWindowStack();
  stack->compact();
  queue_->sync([&] {
    auto viewController = stack->top();
    if (!viewController) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenNameBeforeAppearance,
                             "setScreenName:screenClass: must be called after a view controller has appeared");
      return;
    }
    const std::string className = screenClass ? *screenClass : shortClassName(viewController->getClass());
    if (currentScreen_ && currentScreen_->name() == screenName && currentScreen_->className() == className) {
      monitor()->logWithLevel(LogLevel::kDebug, messages::kDuplicateScreenIgnored,
                             "Ignoring duplicate screen name and screen class",
                             screenName ? Value(*screenName) : Value(), Value(className));
      return;
    }
    auto screen = std::make_shared<AnalyticsScreen>(screenName, className, incrementScreenInstanceID());
    screen->isManuallySet = true;
    setViewControllerScreen(*viewController, screen);
    currentViewController_ = viewController;
    monitor()->logWithLevel(LogLevel::kDebug, messages::kScreenNameAndClassSet, "Set screen name and screen class",
                           screenName ? Value(*screenName) : Value(), Value(className));
    auto previous = currentScreen_;
    currentScreen_ = screen;
    postScreenDidChangeNotification(previous, screen);
    logViewScreenEvent(previous, screen, std::nullopt);
  });
}

void ScreenViewReporter::trackScreenWithParameters(const Dictionary& parameters, double timestamp) {
  if (!isAppActive_ && appHasBeenInitialized_) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenViewWhenAppInactive,
                           "Cannot log screen view event when the app is not active");
    return;
  }
  std::optional<std::string> name;
  std::optional<std::string> className;
  const auto nameValue = parameters.find("screen_name");
  if (nameValue != parameters.end() && !screenTextFromValue(nameValue->second, name)) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenViewNameInvalid, "Received invalid name for screen",
                           nameValue->second);
    return;
  }
  const auto classValue = parameters.find("screen_class");
  if (classValue != parameters.end() && !screenTextFromValue(classValue->second, className)) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenViewClassInvalid, "Received invalid class for screen",
                           classValue->second);
    return;
  }
  if (!className) {
    if (!platform::dispatch::MainLoop::isMainThread()) {
      if (isAutomaticScreenReportingEnabled()) {
        queue_->sync([&] {
          if (currentScreen_) className = currentScreen_->className();
        });
      }
    } else if (auto window = Window::keyWindow(); window && window->rootViewController()) {
      className = shortClassName(window->rootViewController()->getClass());
    }
  }
  auto screen = std::make_shared<AnalyticsScreen>(name, className, incrementScreenInstanceID());
  screen->isManuallyTracked = true;
  screen->eventTimestamp = timestamp;
  monitor()->logWithLevel(LogLevel::kDebug, messages::kLoggingScreenView,
                         "Logging screen view with screen name and screen class", name ? Value(*name) : Value(),
                         className ? Value(*className) : Value());
  std::shared_ptr<AnalyticsScreen> previous;
  queue_->sync([&] {
    previous = currentScreen_;
    currentScreen_ = screen;
  });
  std::weak_ptr<ScreenViewReporter> weak = weak_from_this();
  queue_->async([weak, previous, screen, parameters] {
    auto self = weak.lock();
    if (!self) return;
    self->postScreenDidChangeNotification(previous, screen);
    Dictionary sanitized = parametersAsDictionary(sanitizeEventParameters(parameters, "screen_view", true, false));
    sanitized.erase("screen_name");
    sanitized.erase("screen_class");
    self->logViewScreenEvent(previous, screen, sanitized);
  });
}

// --- the screen view event (on the queue)

void ScreenViewReporter::logViewScreenEvent(const std::shared_ptr<AnalyticsScreen>& previous,
                                               const std::shared_ptr<AnalyticsScreen>& screen,
                                               const std::optional<Dictionary>& parameters) {
  if (!screen) return;
  if (!mayReport()) {
    monitor()->logWithLevel(LogLevel::kDebug, messages::kScreenViewWhileInactive,
                           "Screen view event not logged. App is not active.");
    return;
  }
  Dictionary event = parameters.value_or(Dictionary{});
  for (auto& [name, value] : screenParametersOf(screen.get())) event[name] = value;
  if (previous) {
    for (auto& [name, value] : previousScreenParametersOf(previous.get())) event[name] = value;
    if (auto session = sessionReporter()) {
      const std::int64_t engagement = session->cutFreerideEngagementTimeMillis();
      if (engagement >= 1) event["_et"] = Value(engagement);
    }
  }
  if (!isAutomaticScreenReportingEnabled()) event["_mst"] = Value(std::int64_t{1});
  if (!hasScreenParameters(toParameters(event))) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kScreenViewWithoutParameters,
                           "Screen view event not logged. Screen parameters were empty");
    return;
  }
  previousScreen_ = screen;
  auto host = sdk::analytics::ReporterHost::current();
  if (screen->isManuallyTracked) {
    host->logInternalEvent("app", "_vs", event, screen->eventTimestamp);
  } else {
    host->logInternalEvent("auto", "_vs", event, std::nullopt);
  }
}

void ScreenViewReporter::postScreenDidChangeNotification(const std::shared_ptr<AnalyticsScreen>& previous,
                                                            const std::shared_ptr<AnalyticsScreen>& screen) {
  if (!isAppActive_) return;
  if (previous) {
    if (auto session = sessionReporter()) session->handleScreenDidChangeFromScreen(previous.get(), screen.get());
  }
  AdExposureReporter::sharedInstance()->handleScreenDidChangeFromScreen(previous.get(), screen.get());
}

// --- view controllers (main thread)

void ScreenViewReporter::setCurrentViewController(ViewController* viewController) {
  if (!viewController) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kNilViewController, "Received nil view controller");
    return;
  }
  auto shared = std::static_pointer_cast<ViewController>(viewController->weak_from_this().lock());
  if (!shared) return;
  const bool engineEnabled = isEngineEnabled();
  queue_->sync([&] {
    std::string className = shortClassName(viewController->getClass());
    if (engineEnabled && currentViewController_.lock() == shared) {
      const auto screen = viewControllerScreen(*viewController);
      monitor()->logWithLevel(LogLevel::kDebug, messages::kViewControllerAlreadyTracked,
                             "View controller already tracked. Class, ID", Value(className),
                             screen ? Value(screen->instanceID()) : Value());
      return;
    }
    if (platform::foundation::Utf8::length(className) > kMaxScreenClassLength) {
      std::string trimmed = platform::foundation::Utf8::substring(className, 0, kMaxScreenClassLength);
      monitor()->logWithLevel(LogLevel::kDebug, messages::kDefaultScreenClassTrimmed,
                             "Trimmed name of default screen class. Original screen class, trimmed screen class",
                             Value(className), Value(trimmed));
      className = std::move(trimmed);
    }
    if (!isValidScreenText(className, nullptr)) {
      monitor()->logWithLevel(LogLevel::kWarning, messages::kDefaultScreenClassInvalid,
                             "Received invalid default screen class", Value(className));
      return;
    }
    auto screen = viewControllerScreen(*viewController);
    if (!screen) {
      screen = std::make_shared<AnalyticsScreen>(std::nullopt, className, incrementScreenInstanceID());
      setViewControllerScreen(*viewController, screen);
    }
    currentViewController_ = shared;
    if (screen == currentScreen_) return;
    if (engineEnabled) {
      monitor()->logWithLevel(LogLevel::kDebug, messages::kTrackingViewController, "Tracking view controller. Class, ID",
                             Value(className), Value(screen->instanceID()));
    }
    auto previous = currentScreen_ ? currentScreen_->copy() : nullptr;
    currentScreen_ = screen;
    postScreenDidChangeNotification(previous, screen);
    if (isAutomaticScreenReportingEnabled()) logViewScreenEvent(previous, screen, std::nullopt);
  });
}

void ScreenViewReporter::viewControllerDidAppear(ViewController& viewController) {
  auto window = Window::keyWindow();
  auto stack = keyWindowStack();
  if (window && window->rootViewController().get() == &viewController && !stack->empty() &&
      stack->bottom().get() != &viewController) {
    stack = std::make_shared<ViewControllerStack>();
    setWindowStack(*window, stack);
  }
  stack->remove(&viewController);
  const bool trackable = isTrackableViewController(&viewController);
  if (trackable) {
    stack->entries.push_back(std::static_pointer_cast<ViewController>(viewController.weak_from_this().lock()));
  }
  stack->compact();
  if (auto top = topViewController(*stack); top && isTrackableViewController(top.get())) {
    setCurrentViewController(top.get());
  }
  if (auto delegate = performanceDelegate()) delegate->viewControllerDidAppear(viewController, trackable);
}

void ScreenViewReporter::viewControllerDidDisappear(ViewController& viewController) {
  auto stack = keyWindowStack();
  if (stack->contains(&viewController) && stack->bottom().get() != &viewController) stack->remove(&viewController);
  stack->compact();
  if (auto top = topViewController(*stack); top && isTrackableViewController(top.get())) {
    setCurrentViewController(top.get());
  }
  if (auto delegate = performanceDelegate()) delegate->viewControllerDidDisappear(viewController);
}

void ScreenViewReporter::handleWindowDidResign() {
  auto stack = keyWindowStack();
  if (stack->empty()) return;
  if (auto top = topViewController(*stack); top && isTrackableViewController(top.get())) {
    setCurrentViewController(top.get());
  }
}

// --- the application's state (main thread)

void ScreenViewReporter::handleApplicationDidBecomeActive() {
  isAppActive_ = true;
  appHasBeenInitialized_ = true;
  if (auto session = sessionReporter()) session->handleAppDidBecomeActive();
  AdExposureReporter::sharedInstance()->handleAppDidBecomeActive();
  std::weak_ptr<ScreenViewReporter> weak = weak_from_this();
  queue_->async([weak] {
    auto self = weak.lock();
    if (!self) return;
    // A screen that changed while the app was away is reported on its return.
    if (self->previousScreen_ != self->currentScreen_ && isAutomaticScreenReportingEnabled()) {
      self->logViewScreenEvent(self->previousScreen_, self->currentScreen_, std::nullopt);
    }
  });
}

void ScreenViewReporter::handleApplicationWillResignActive() {
  std::shared_ptr<AnalyticsScreen> screen;
  if (isAutomaticScreenReportingEnabled() && isAppActive_) screen = currentScreen();
  if (auto session = sessionReporter()) session->handleAppWillResignActiveWithScreen(screen.get());
  AdExposureReporter::sharedInstance()->handleAppWillResignActiveWithScreen(screen.get());
}

void ScreenViewReporter::handleApplicationDidEnterBackground() { isAppActive_ = false; }

// --- delegate

void ScreenViewReporter::setPerformanceDelegate(const std::shared_ptr<ScreenViewReporterDelegate>& delegate) {
  std::lock_guard lock(delegateMutex_);
  if (delegate && delegate_.lock()) {
    monitor()->logWithLevel(LogLevel::kWarning, messages::kScreenReporterDelegateOverride,
                           "Tried to override screen reporter delegate");
    return;
  }
  delegate_ = delegate;
}

std::shared_ptr<ScreenViewReporterDelegate> ScreenViewReporter::performanceDelegate() const {
  std::lock_guard lock(delegateMutex_);
  return delegate_.lock();
}

}  // namespace sdk::analytics

