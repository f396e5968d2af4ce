#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Value.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Protocol.h"
#include "platform/ui/ApplicationDelegateSelectors.h"
#include "platform/ui/Scene.h"

namespace platform::ui {

class Application;

// The phone's life-cycle notifications, posted on the default centre with the application as sender.
inline constexpr const char* kApplicationDidFinishLaunchingNotification = "UIApplicationDidFinishLaunchingNotification";
inline constexpr const char* kApplicationDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
inline constexpr const char* kApplicationWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
inline constexpr const char* kApplicationDidEnterBackgroundNotification = "UIApplicationDidEnterBackgroundNotification";
inline constexpr const char* kApplicationWillEnterForegroundNotification =
    "UIApplicationWillEnterForegroundNotification";
inline constexpr const char* kApplicationWillTerminateNotification = "UIApplicationWillTerminateNotification";

// Application-delegate methods the application sends, through the runtime so they can be intercepted.
// The launch options are a dictionary, or nil for a plain launch.
inline constexpr runtime::Selector<bool(Application&, const foundation::Value&)> kDidFinishLaunchingWithOptions{
    "application:didFinishLaunchingWithOptions:"};
inline constexpr runtime::Selector<void(Application&)> kApplicationDidBecomeActive{"applicationDidBecomeActive:"};
inline constexpr runtime::Selector<void(Application&)> kApplicationWillResignActive{"applicationWillResignActive:"};
inline constexpr runtime::Selector<void(Application&)> kApplicationDidEnterBackground{
    "applicationDidEnterBackground:"};
inline constexpr runtime::Selector<void(Application&)> kApplicationWillEnterForeground{
    "applicationWillEnterForeground:"};
inline constexpr runtime::Selector<void(Application&)> kApplicationWillTerminate{"applicationWillTerminate:"};

// Class method of "UIApplication": the shared application.
inline constexpr runtime::Selector<std::shared_ptr<Application>()> kSharedApplication{"sharedApplication"};

// The "UIApplicationDelegate" protocol; all of its methods are optional.
const runtime::Protocol* applicationDelegateProtocol();

struct ApplicationMainOptions {
  // Run the main loop after launching (the phone's behaviour; returns when MainLoop::stop() is called).
  // Off, applicationMain returns right after launch, for tests and for callers that drive the loop.
  bool runMainLoop = true;
};

// Runs the load hooks, makes the shared application, creates the delegate from its class name (empty:
// no delegate), launches (application:didFinishLaunchingWithOptions:, then the active state) and runs
// the main loop. Returns 0. An unknown delegate class name raises NSInternalInconsistencyException.
int applicationMain(int argc, char** argv, std::string_view delegateClassName,
                    const ApplicationMainOptions& options = {});

// The application object, runtime class "UIApplication". It owns the life-cycle state, tells its
// delegate and the default notification centre about every change, and lets observers watch its
// delegate being replaced.
class Application : public runtime::Object {
 public:
  static constexpr runtime::NativeClass<runtime::Object> kRuntimeClass{"UIApplication", runtime::Image::Platform};

  enum class State { Active, Inactive, Background };

  Application();

  // The application applicationMain made (one is made on first use otherwise), reached through the
  // class registered as "UIApplication". nullptr in an app extension, which has none.
  static std::shared_ptr<Application> sharedApplication();

  // Whether this process is an app extension: its main bundle's folder ends in ".appex", unless a
  // test or the shell set the fact explicitly.
  static bool isAppExtension();
  static void setAppExtension(std::optional<bool> fact);  // nullopt returns to the bundle's answer

  // The delegate is not owned (applicationMain keeps the one it made alive). Observers hear every
  // assignment, the same object set again included, with the old and the new delegate.
  std::shared_ptr<runtime::Object> delegate() const;
  void setDelegate(const std::shared_ptr<runtime::Object>& delegate);
  using DelegateObserver =
      std::function<void(const std::shared_ptr<runtime::Object>& old, const std::shared_ptr<runtime::Object>& now)>;
  [[nodiscard]] foundation::NotificationCenter::Observation observeDelegate(DelegateObserver observer);

  State applicationState() const { return state_.load(); }
  const std::vector<std::string>& arguments() const { return arguments_; }

  // The life cycle, driven by the shell. Each step that applies to the current state calls the
  // delegate's method when it has one and then posts the notification; steps that do not apply
  // (entering the background twice) do nothing. Leaving the active state resigns first, coming back
  // from the background enters the foreground first, and terminating enters the background first, as
  // the phone does.
  void finishLaunching(const foundation::Value& options = {});
  void becomeActive();
  void resignActive();
  void enterBackground();
  void enterForeground();
  void terminate();

  // The scene the app's windows are shown in: one, as for an app that declares no scenes of its own. It
  // moves with the application: active, inactive, background.
  const std::shared_ptr<WindowScene>& windowScene() const { return windowScene_; }

  // A setting the system changes from outside the app (the appearance, switched in the control centre
  // or the settings app): an active app resigns active while `change` runs and becomes active again
  // afterwards, as on the phone. In any other state the change just happens.
  void passThroughInactive(const std::function<void()>& change);

  // Background tasks: work that asked to finish after the app leaves the foreground. This system never
  // suspends a process, so a task is only bookkeeping until it is ended; the count lets a caller (or a
  // test) see that every task begun was also ended. Identifiers start at 1; 0 is never handed out.
  using BackgroundTaskIdentifier = std::uint64_t;
  static constexpr BackgroundTaskIdentifier kInvalidBackgroundTask = 0;
  BackgroundTaskIdentifier beginBackgroundTask(std::string name, std::function<void()> expirationHandler);
  // Ending 0 or an identifier that already ended does nothing.
  void endBackgroundTask(BackgroundTaskIdentifier identifier);
  std::size_t backgroundTaskCount() const;

 private:
  friend int applicationMain(int, char**, std::string_view, const ApplicationMainOptions&);

  void tellDelegate(const runtime::Selector<void(Application&)>& selector, const char* notification);

  std::atomic<State> state_{State::Inactive};
  mutable std::mutex delegateMutex_;
  std::weak_ptr<runtime::Object> delegate_;
  std::shared_ptr<runtime::Object> ownedDelegate_;  // the one applicationMain made
  foundation::NotificationCenter delegateChanges_;
  std::vector<std::string> arguments_;
  bool launched_ = false;
  bool terminated_ = false;
  std::shared_ptr<WindowScene> windowScene_ = std::make_shared<WindowScene>();

  struct BackgroundTask {
    std::string name;
    std::function<void()> expirationHandler;
  };
  mutable std::mutex backgroundTasksMutex_;
  std::map<BackgroundTaskIdentifier, BackgroundTask> backgroundTasks_;
  BackgroundTaskIdentifier nextBackgroundTask_ = 1;
};

}  // namespace platform::ui
