#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/dispatch/Queue.h"
#include "sdk/transport/LifecycleObserver.h"
#include "sdk/transport/TargetRegistrar.h"
#include "sdk/transport/UploadOperation.h"

namespace sdk::transport {

// The uploader of targets 1000-1003: each request to upload queues one operation; one runs at a time,
// and an operation that attempted an upload cancels the ones queued behind it. Wait times the service
// asks for are kept per target, in memory.
class NetworkUploader final : public Uploader,
                             public UploadMetadataProvider,
                             public std::enable_shared_from_this<NetworkUploader> {
 public:
  static std::shared_ptr<NetworkUploader> sharedInstance();
  // Registers the shared uploader for targets 1000, 1001, 1002 and 1003.
  static void registerSharedInstance();

  NetworkUploader(std::shared_ptr<TargetRegistrar> registrar, std::shared_ptr<ApplicationInterface> application);

  void uploadTarget(std::int64_t target, std::uint32_t conditions) override;
  // Starts no upload from now on and drops what is queued. An upload in flight is left to finish: the
  // process end waits for its answer within its bound, so a batch the service took is deleted and not
  // sent again at the next start.
  void appWillTerminate(ApplicationInterface& application) override;

  // When set, every target uploads there.
  static void setTestServerURL(std::optional<std::string> url);
  static std::optional<std::string> testServerURL();
  static std::optional<std::string> serverURLForTarget(std::int64_t target);
  static std::string FLLAndCSHAndINTAPIKey();

  std::shared_ptr<ClockSnapshot> nextUploadTimeForTarget(std::int64_t target) override;
  void setNextUploadTime(std::shared_ptr<ClockSnapshot> time, std::int64_t target) override;
  std::optional<std::string> APIKeyForTarget(std::int64_t target) override;

  // True once no operation is queued or running; false after `seconds` (measured on the steady clock as a
  // safety net). On the main thread the main loop runs meanwhile, as the data tasks' promises need it.
  [[nodiscard]] bool waitForUploadFinishedWithTimeout(double seconds);
  std::size_t operationCount() const;
  const std::shared_ptr<platform::dispatch::Queue>& uploadQueue() const { return uploadQueue_; }

 private:
  void startNextLocked(std::unique_lock<std::mutex>& lock);
  void operationFinished(const std::shared_ptr<UploadOperation>& operation);

  // Weak: the registrar keeps its uploaders.
  std::weak_ptr<TargetRegistrar> registrar_;
  std::shared_ptr<ApplicationInterface> application_;
  std::shared_ptr<platform::dispatch::Queue> uploadQueue_;

  // The operation queue, one wide.
  mutable std::mutex operationsMutex_;
  std::condition_variable operationsChanged_;
  std::deque<std::shared_ptr<UploadOperation>> waiting_;
  std::shared_ptr<UploadOperation> running_;
  bool ending_ = false;

  std::atomic<bool> toldNoAddress_{false};

  std::mutex nextUploadMutex_;
  std::map<std::int64_t, std::shared_ptr<ClockSnapshot>> nextUploadTimeByTarget_;
};

}  // namespace sdk::transport

