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

namespace sdk::analytics {

class AnalyticsScreen;
class SessionReporter;

}  // namespace sdk::analytics

namespace platform::ui {
class ViewController;
}

namespace sdk::analytics {

// Told of every view controller's appearance, for another library (screen traces, say).
class ScreenViewReporterDelegate {
 public:
  virtual ~ScreenViewReporterDelegate() = default;
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
class ScreenViewReporter : public sdk::analytics::ScreenViewReporting,
                              public std::enable_shared_from_this<ScreenViewReporter> {
 public:
  static constexpr const char* kQueueLabel = "APMScreenViewReporter";
  static constexpr std::size_t kMaxScreenClassLength = 100;

  static std::shared_ptr<ScreenViewReporter> sharedInstance();
  // A reporter of its own, observing the application's notifications (tests).
  static std::shared_ptr<ScreenViewReporter> create();
  ~ScreenViewReporter() override;

  // Replaces the view controllers' appearance methods once per process (unless screen reporting is
  // off), installs the shared reporter with the facade and the session reporter's factory with the
  // engine. Runs as a load hook; safe to call again.
  static void installAutomaticReporting();

  // --- ScreenViewReporting
  Parameters screenParameters() override;
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

  void setPerformanceDelegate(const std::shared_ptr<ScreenViewReporterDelegate>& delegate);
  std::shared_ptr<ScreenViewReporterDelegate> performanceDelegate() const;

  // Safe from any thread: two callers never get the same ID.
  std::int64_t incrementScreenInstanceID();

  std::shared_ptr<AnalyticsScreen> currentScreen();
  std::shared_ptr<AnalyticsScreen> previousScreen();
  // Waits for the queued halves of public screen views (tests).
  void waitForQueue() const;

 protected:
  ScreenViewReporter();

 private:
  void startObserving();
  void postScreenDidChangeNotification(const std::shared_ptr<AnalyticsScreen>& previous,
                                       const std::shared_ptr<AnalyticsScreen>& screen);
  void logViewScreenEvent(const std::shared_ptr<AnalyticsScreen>& previous, const std::shared_ptr<AnalyticsScreen>& screen,
                          const std::optional<platform::foundation::Dictionary>& parameters);
  std::shared_ptr<SessionReporter> sessionReporter() const;
  bool isEngineEnabled() const;
  bool mayReport() const { return isAppActive_ || !appHasBeenInitialized_; }

  std::shared_ptr<platform::dispatch::Queue> queue_;
  // On the queue.
  std::weak_ptr<platform::ui::ViewController> currentViewController_;
  std::shared_ptr<AnalyticsScreen> currentScreen_;
  std::shared_ptr<AnalyticsScreen> previousScreen_;

  std::atomic<bool> isAppActive_{false};
  std::atomic<bool> appHasBeenInitialized_{false};
  std::atomic<std::int64_t> currentScreenInstanceID_;

  mutable std::mutex delegateMutex_;
  std::weak_ptr<ScreenViewReporterDelegate> delegate_;

  platform::foundation::NotificationCenter::Observation windowObservation_;
  platform::foundation::NotificationCenter::Observation becomeActiveObservation_;
  platform::foundation::NotificationCenter::Observation resignActiveObservation_;
  platform::foundation::NotificationCenter::Observation backgroundObservation_;
};

// The name under which other libraries reach the screen-view reporter: the same object.
class PublicScreenViewReporter final : public ScreenViewReporter {
 public:
  static std::shared_ptr<ScreenViewReporter> sharedInstance() { return ScreenViewReporter::sharedInstance(); }
};

}  // namespace sdk::analytics

