#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/dispatch/ProcessEnd.h"
#include "platform/dispatch/Queue.h"
#include "platform/net/URLSession.h"
#include "sdk/promises/Promise.h"
#include "sdk/transport/ClockSnapshot.h"
#include "sdk/transport/LifecycleObserver.h"
#include "sdk/transport/EventStore.h"

namespace sdk::transport {

class UploadBatch;

// What an upload operation asks of its uploader: per-target wait times and request keys.
class UploadMetadataProvider {
 public:
  virtual ~UploadMetadataProvider() = default;
  virtual std::shared_ptr<ClockSnapshot> nextUploadTimeForTarget(std::int64_t target) = 0;
  virtual void setNextUploadTime(std::shared_ptr<ClockSnapshot> time, std::int64_t target) = 0;
  virtual std::optional<std::string> APIKeyForTarget(std::int64_t target) = 0;
};

// One upload of one target: readiness, earlier batches returned, a new batch taken, encoded, compressed
// when that helps, POSTed, and the batch deleted or returned by the reply. Every step runs on the
// uploader's queue; the operation finishes however the pipeline ends.
class UploadOperation final : public platform::net::URLSessionDelegate,
                                    public std::enable_shared_from_this<UploadOperation> {
 public:
  static constexpr const char* kErrorDomain = "VDTNETUploader";
  static constexpr double kBatchLifetimeSeconds = 600;
  static constexpr std::int64_t kDefaultWaitMillis = 900000;  // 15 minutes
  // The longest wait a reply can impose on a target (24 hours); a longer or negative one is brought
  // into 0..kMaximumWaitMillis, so that no server can stop uploads for good or time them in the past.
  static constexpr std::int64_t kMaximumWaitMillis = 24 * 3600 * 1000;
  static constexpr const char* kTransportVersion = "9.1.0";
  // The most of a reply's body that is read: a reply holds a wait time at most. The status of a longer
  // reply is its answer all the same, and the rest of its body is never taken in.
  static constexpr std::int64_t kMaximumReplySize = 64 * 1024;

  UploadOperation(std::int64_t target, std::uint32_t conditions, std::string uploadURL,
                        std::shared_ptr<platform::dispatch::Queue> uploaderQueue,
                        std::shared_ptr<PromiseBasedEventStore> storage,
                        std::weak_ptr<UploadMetadataProvider> metadataProvider,
                        std::shared_ptr<ApplicationInterface> application);

  // Runs the pipeline; `onFinished` is called once, when the operation has finished.
  void start(std::function<void()> onFinished);
  // Before it starts, an operation cancelled finishes at once; a running one stops before taking a batch,
  // and a request already sent is left to its answer, so that a reply the service gave still deletes
  // what it took.
  void cancel();
  // Cancels the request in flight too: its batch goes back to storage, to be sent again later.
  void cancelWithRequestInFlight();
  bool isExecuting() const;
  bool isFinished() const;
  bool isCancelled() const { return cancelled_.load(); }
  bool uploadAttempted() const { return uploadAttempted_.load(); }
  std::int64_t target() const { return target_; }

  bool readyToUploadTarget(std::int64_t target, std::uint32_t conditions);
  static EventSelector eventSelectorTarget(std::int64_t target, std::uint32_t conditions);
  // nullopt for missing or empty data.
  std::optional<platform::net::URLRequest> constructRequestWithURL(const std::string& url, std::int64_t target,
                                                                   const platform::foundation::Data& data);
  void updateNextUploadTimeWithResponse(const platform::net::HTTPURLResponse& response,
                                        const platform::foundation::Data& body, std::int64_t target);
  static platform::foundation::Error genericRejectedPromiseErrorWithReason(const std::string& reason);
  static std::string targetName(std::int64_t target);

  // 301 and 302 are re-sent as the "upl" target's request with the original body.
  void willPerformHTTPRedirection(platform::net::URLSession& session, platform::net::URLSessionTask& task,
                                  const platform::net::HTTPURLResponse& response, platform::net::URLRequest newRequest,
                                  std::function<void(std::optional<platform::net::URLRequest>)> completionHandler) override;

 private:
  sdk::promises::Promise::Ptr pipeline();
  sdk::promises::Promise::Ptr sendURLRequestWithBatch(const std::shared_ptr<UploadBatch>& batch);
  // Fulfils with the reply (a URLSessionDataResponse) whenever its head came, even when its body then
  // failed (past kMaximumReplySize, cut off, or still coming a short while after a success head): the
  // status is the service's answer, the body is then left out. Rejects only when no head came. A
  // success deletes the batch as soon as its head has come, the deletion's promise left in `delivered`.
  sdk::promises::Promise::Ptr replyToRequest(const std::shared_ptr<platform::net::URLSession>& session,
                                             const platform::net::URLRequest& request, std::uint32_t batchID,
                                             std::shared_ptr<sdk::promises::Promise::Ptr> delivered);
  // The answer came: the end waits for what it asks here (deleting or returning the batch), past its
  // bound if need be.
  void answerCame();
  sdk::promises::Promise::Ptr returnBatchAndFail(std::uint32_t batchID, const platform::foundation::Error& error);
  std::shared_ptr<platform::net::URLSession> uploaderSessionCreateIfNeeded();
  void finishOperation();

  const std::int64_t target_;
  const std::uint32_t conditions_;
  const std::string uploadURL_;
  const std::shared_ptr<platform::dispatch::Queue> uploaderQueue_;
  const std::shared_ptr<PromiseBasedEventStore> storage_;
  const std::weak_ptr<UploadMetadataProvider> metadataProvider_;
  const std::shared_ptr<ApplicationInterface> application_;

  mutable std::mutex mutex_;
  bool executing_ = false;
  bool finished_ = false;
  std::function<void()> onFinished_;
  // From start to finish: the process end waits for the answer of a request in flight, within its bound.
  platform::dispatch::ProcessEnd::Registration inFlight_;
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> uploadAttempted_{false};
  std::shared_ptr<platform::net::URLSession> uploaderSession_;  // on the uploader's queue
  std::atomic<BackgroundTaskID> backgroundTask_{kInvalidBackgroundTaskID};
};

}  // namespace sdk::transport

