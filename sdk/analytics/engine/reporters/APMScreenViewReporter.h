#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/ScreenViewReporting.h"

class APMScreen;
class APMSessionReporter;

namespace platform::ui {
class ViewController;
}

// Told of every view controller's appearance, for another library (screen traces, say).
class APMScreenViewReporterDelegate {
 public:
  virtual ~APMScreenViewReporterDelegate() = default;
  virtual void viewControllerDidAppear(platform::ui::ViewController& viewController, bool trackedByAnalytics) = 0;
  virtual void viewControllerDidDisappear(platform::ui::ViewController& viewController) = 0;
};

// Knows the screen on display and reports each change as "_vs". Screens come from view controllers
// appearing and disappearing (their appearance methods are replaced at load), from the app's own
// screen names, and from the "screen_view" events it logs, which the facade hands here. Changes of
// screen and of the app's state go on to the session and ad-exposure reporters.
//
// The screen fields live on the serial queue "APMScreenViewReporter"; the view-controller stacks are
// touched on the main thread only.
class APMScreenViewReporter : public sdk::analytics::ScreenViewReporting,
                              public std::enable_shared_from_this<APMScreenViewReporter> {
 public:
  static constexpr const char* kQueueLabel = "APMScreenViewReporter";
  static constexpr std::size_t kMaxScreenClassLength = 100;

  static std::shared_ptr<APMScreenViewReporter> sharedInstance();
  // A reporter of its own, observing the application's notifications (tests).
  static std::shared_ptr<APMScreenViewReporter> create();
  ~APMScreenViewReporter() override;

  // Replaces the view controllers' appearance methods once per process (unless screen reporting is
  // off), installs the shared reporter with the facade and the session reporter's factory with the
  // engine. Runs as a load hook; safe to call again.
  static void installAutomaticReporting();

  // --- ScreenViewReporting
  APMParameters screenParameters() override;
  void trackScreenWithParameters(const platform::foundation::Dictionary& parameters, double timestamp) override;
  void setScreenName(const std::optional<std::string>& screenName,
                     const std::optional<std::string>& screenClass) override;
  bool isAppActive() override { return isAppActive_; }

  void getScreenName(std::optional<std::string>* screenName, std::optional<std::string>* screenClass);

  // --- from the replaced appearance methods and the notifications (main thread)
  void viewControllerDidAppear(platform::ui::ViewController& viewController);
  void viewControllerDidDisappear(platform::ui::ViewController& viewController);
  void setCurrentViewController(platform::ui::ViewController* viewController);
  void handleWindowDidResign();
  void handleApplicationDidBecomeActive();
  void handleApplicationWillResignActive();
  void handleApplicationDidEnterBackground();

  void setVurevorePerfDelegate(const std::shared_ptr<APMScreenViewReporterDelegate>& delegate);
  std::shared_ptr<APMScreenViewReporterDelegate> vurevorePerfDelegate() const;

  // Safe from any thread: two callers never get the same ID.
  std::int64_t incrementScreenInstanceID();

  std::shared_ptr<APMScreen> currentScreen();
  std::shared_ptr<APMScreen> previousScreen();
  // Waits for the queued halves of public screen views (tests).
  void waitForQueue() const;

 protected:
  APMScreenViewReporter();

 private:
  void startObserving();
  void postScreenDidChangeNotification(const std::shared_ptr<APMScreen>& previous,
                                       const std::shared_ptr<APMScreen>& screen);
  void logViewScreenEvent(const std::shared_ptr<APMScreen>& previous, const std::shared_ptr<APMScreen>& screen,
                          const std::optional<platform::foundation::Dictionary>& parameters);
  std::shared_ptr<APMSessionReporter> sessionReporter() const;
  bool isEngineEnabled() const;
  bool mayReport() const { return isAppActive_ || !appHasBeenInitialized_; }

  std::shared_ptr<platform::dispatch::Queue> queue_;
  // On the queue.
  std::weak_ptr<platform::ui::ViewController> currentViewController_;
  std::shared_ptr<APMScreen> currentScreen_;
  std::shared_ptr<APMScreen> previousScreen_;

  std::atomic<bool> isAppActive_{false};
  std::atomic<bool> appHasBeenInitialized_{false};
  std::atomic<std::int64_t> currentScreenInstanceID_;

  mutable std::mutex delegateMutex_;
  std::weak_ptr<APMScreenViewReporterDelegate> delegate_;

  platform::foundation::NotificationCenter::Observation windowObservation_;
  platform::foundation::NotificationCenter::Observation becomeActiveObservation_;
  platform::foundation::NotificationCenter::Observation resignActiveObservation_;
  platform::foundation::NotificationCenter::Observation backgroundObservation_;
};

// The name under which other libraries reach the screen-view reporter: the same object.
class VURAScreenViewReporter final : public APMScreenViewReporter {
 public:
  static std::shared_ptr<APMScreenViewReporter> sharedInstance() { return APMScreenViewReporter::sharedInstance(); }
};
