#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "sdk/transport/LifecycleObserver.h"

namespace sdk::transport {

inline constexpr const char* kTransportDidEnterBackgroundNotification =
    "VDTCORApplicationDidEnterBackgroundNotification";
inline constexpr const char* kTransportWillEnterForegroundNotification =
    "VDTCORApplicationWillEnterForegroundNotification";
inline constexpr const char* kTransportWillTerminateNotification = "VDTCORApplicationWillTerminateNotification";

// The transport's view of the application: it begins and ends background tasks on the platform's
// application object and turns the platform's life-cycle notifications into the transport's own. A
// scene that comes to the foreground counts as the app doing so, and one that deactivates as the app
// going to the background, so uploads pause as soon as the app is interrupted.
class ApplicationAdapter final : public ApplicationInterface {
 public:
  static std::shared_ptr<ApplicationAdapter> sharedApplication();
  // Observes the platform notifications for as long as it lives.
  ApplicationAdapter();

  BackgroundTaskID beginBackgroundTaskWithName(const std::string& name,
                                                         std::function<void()> expirationHandler) override;
  void endBackgroundTask(BackgroundTaskID identifier) override;

  // Written on the thread that delivers the notifications, read by the timer on the coordinator's queue.
  bool isRunningInBackground() const override { return runningInBackground_.load(); }
  void setIsRunningInBackground(bool background) { runningInBackground_.store(background); }

  static bool isAppExtension();

  void applicationDidEnterBackground();
  void applicationWillEnterForeground();
  void applicationWillTerminate();

 private:
  std::atomic<bool> runningInBackground_{false};
  std::vector<platform::foundation::NotificationCenter::Observation> observations_;
};

}  // namespace sdk::transport

