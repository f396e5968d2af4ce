#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "sdk/transport/LifecycleObserver.h"
#include "sdk/transport/NetworkReachability.h"
#include "sdk/transport/TargetRegistrar.h"

namespace sdk::transport {

// Drives uploads: a timer that asks every registered uploader to upload its target under the current
// network conditions, and forced uploads of one target. Nothing is asked while there is no network.
// The timer runs only after an explicit start and while the app is in the foreground.
class UploadCoordinator final : public LifecycleObserver,
                                      public std::enable_shared_from_this<UploadCoordinator> {
 public:
  static constexpr double kFirstTickSeconds = 0.5;
  static constexpr double kTimerIntervalSeconds = 30;

  static std::shared_ptr<UploadCoordinator> sharedInstance();
  UploadCoordinator(std::shared_ptr<TargetRegistrar> registrar, std::shared_ptr<NetworkReachability> reachability,
                          std::shared_ptr<ApplicationInterface> application);
  ~UploadCoordinator() override;

  // The first tick comes 0.5 s after the start, then one every 30 s; starting a running timer does nothing.
  void startTimer();
  void stopTimer();
  void forceUploadForTarget(std::int64_t target);
  void uploadTargets(std::vector<std::int64_t> targets, std::uint32_t conditions);
  // 1 (no network), 2 (cellular) or 4 (Wi-Fi).
  std::uint32_t uploadConditions() const;
  void signalToStoragesToCheckExpirations();
  std::shared_ptr<EventStore> storageForTarget(std::int64_t target) const;

  std::shared_ptr<TargetRegistrar> registrar() const;
  void setRegistrar(std::shared_ptr<TargetRegistrar> registrar);
  const std::shared_ptr<platform::dispatch::Queue>& coordinationQueue() const { return coordinationQueue_; }

  void appWillForeground(ApplicationInterface& application) override;
  void appWillBackground(ApplicationInterface& application) override;
  void appWillTerminate(ApplicationInterface& application) override;

 private:
  void tick();
  void startTimerOnQueue();
  void stopTimerOnQueue();

  std::shared_ptr<platform::dispatch::Queue> coordinationQueue_;
  mutable std::mutex registrarMutex_;
  std::shared_ptr<TargetRegistrar> registrar_;
  std::shared_ptr<NetworkReachability> reachability_;
  std::shared_ptr<ApplicationInterface> application_;
  // On coordinationQueue_: the first-tick timer, then the repeating one.
  std::shared_ptr<platform::dispatch::Timer> timer_;
};

}  // namespace sdk::transport

