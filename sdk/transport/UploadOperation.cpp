#include "sdk/transport/UploadOperation.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/net/URLError.h"
#include "sdk/promises/PromiseError.h"
#include "sdk/transport/TransportLog.h"
#include "sdk/transport/UploadBatch.h"
#include "sdk/transport/UploadMessages.h"
#include "sdk/utilities/Gzip.h"
#include "sdk/utilities/URLSessionDataResponse.h"

namespace sdk::transport {

namespace {

using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::Value;
using platform::foundation::format;

bool isGzipped(const Data& data) { return data.size() >= 2 && data[0] == 0x1F && data[1] == 0x8B; }

// "Retry-After" in whole seconds; anything that is not a plain non-negative number gives nothing.
std::optional<std::int64_t> retryAfterMillis(const std::optional<std::string>& header) {
  if (!header || header->empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  double seconds = std::strtod(header->c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(seconds) || seconds < 0 || seconds > 9.2e15) return std::nullopt;
  return static_cast<std::int64_t>(seconds) * 1000;
}

}  // namespace

UploadOperation::UploadOperation(std::int64_t target, std::uint32_t conditions, std::string uploadURL,
                                             std::shared_ptr<platform::dispatch::Queue> uploaderQueue,
                                             std::shared_ptr<PromiseBasedEventStore> storage,
                                             std::weak_ptr<UploadMetadataProvider> metadataProvider,
                                             std::shared_ptr<ApplicationInterface> application)
    : target_(target),
      conditions_(conditions),
      uploadURL_(std::move(uploadURL)),
      uploaderQueue_(std::move(uploaderQueue)),
      storage_(std::move(storage)),
      metadataProvider_(std::move(metadataProvider)),
      application_(std::move(application)) {}

std::string UploadOperation::targetName(std::int64_t target) {
  switch (target) {
    case 1000: return "upl";
    case 1001: return "vll";
    case 1002: return "csh";
    case 1003: return "int";
    default: return "unknown";
  }
}

Error UploadOperation::genericRejectedPromiseErrorWithReason(const std::string& reason) {
  Error error{kErrorDomain, -1, {}};
  error.userInfo.set("NSLocalizedFailureReason", reason);
  return error;
}

bool UploadOperation::isExecuting() const {
  std::lock_guard lock(mutex_);
  return executing_;
}

bool UploadOperation::isFinished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

void UploadOperation::cancel() {
  cancelled_.store(true);
  std::function<void()> finished;
  {
    std::lock_guard lock(mutex_);
    if (executing_ || finished_) return;
    finished_ = true;
    finished = std::move(onFinished_);
  }
  if (finished) finished();
}

void UploadOperation::cancelWithRequestInFlight() {
  cancel();
  // The request ends with a cancellation error, which returns its batch.
  uploaderQueue_->async([self = shared_from_this()] {
    if (self->uploaderSession_) self->uploaderSession_->invalidateAndCancel();
  });
}

void UploadOperation::start(std::function<void()> onFinished) {
  {
    std::lock_guard lock(mutex_);
    if (finished_) {
      if (onFinished) uploaderQueue_->async(std::move(onFinished));
      return;
    }
    executing_ = true;
    onFinished_ = std::move(onFinished);
    inFlight_ = platform::dispatch::ProcessEnd::addWorkInFlight("the event upload to target " + targetName(target_));
  }
  transportLogDebug("Upload operation started: target %ld", static_cast<long>(target_));
  if (application_) {
    std::weak_ptr<UploadOperation> weak = weak_from_this();
    backgroundTask_ = application_->beginBackgroundTaskWithName("VDTNETUploader-upload", [weak] {
      auto self = weak.lock();
      if (!self) return;
      self->cancelWithRequestInFlight();
      if (auto task = self->backgroundTask_.exchange(kInvalidBackgroundTaskID)) {
        self->application_->endBackgroundTask(task);
      }
    });
  }
  uploaderQueue_->async([self = shared_from_this()] {
    self->pipeline()->onQueueAlways(self->uploaderQueue_, [self] { self->finishOperation(); });
  });
}

void UploadOperation::finishOperation() {
  if (auto task = backgroundTask_.exchange(kInvalidBackgroundTaskID)) application_->endBackgroundTask(task);
  std::function<void()> finished;
  platform::dispatch::ProcessEnd::Registration inFlight;
  {
    std::lock_guard lock(mutex_);
    executing_ = false;
    finished_ = true;
    finished = std::move(onFinished_);
    inFlight = std::move(inFlight_);
  }
  // Its answer is dealt with: whoever hears of the end (a wait for the uploader to go idle) finds the
  // process end no longer waiting for it.
  inFlight.reset();
  if (finished) finished();
}

bool UploadOperation::readyToUploadTarget(std::int64_t target, std::uint32_t conditions) {
  if (conditions & kUploadConditionNoNetwork) {
    transportLogDebug("UPL: Not ready to upload without a network connection.");
    return false;
  }
  if (conditions & kUploadConditionHighPriority) {
    transportLogDebug("UPL: a high priority event is allowing an upload");
    return true;
  }
  auto provider = metadataProvider_.lock();
  auto next = provider ? provider->nextUploadTimeForTarget(target) : nullptr;
  if (!next) return true;
  bool ready = ClockSnapshot::snapshot()->isAfter(*next);
  if (ready) {
    transportLogDebug("UPL: can upload to target %ld because the request wait time has transpired", static_cast<long>(target));
  } else {
    transportLogDebug("UPL: can't upload to target %ld because the backend asked to wait", static_cast<long>(target));
  }
  return ready;
}

EventSelector UploadOperation::eventSelectorTarget(std::int64_t target, std::uint32_t conditions) {
  if (conditions & kUploadConditionHighPriority) return EventSelector::eventSelectorForTarget(target);
  EventSelector selector{target, {}, {}, {}};
  if (conditions & kUploadConditionWifiData) selector.selectedQosTiers.insert({4, 5, 3, 1, 0});
  if (conditions & kUploadConditionCellularData) selector.selectedQosTiers.insert({4, 3});
  return selector;
}

sdk::promises::Promise::Ptr UploadOperation::pipeline() {
  auto self = shared_from_this();
  const auto& queue = uploaderQueue_;
  return sdk::promises::Promise::onQueueDo(queue, [self]() -> Value {
           if (self->readyToUploadTarget(self->target_, self->conditions_)) return Value(true);
           return sdk::promises::valueWithError(genericRejectedPromiseErrorWithReason(
               format("Target %ld is not ready to upload with condition: %ld", static_cast<long>(self->target_),
                      static_cast<long>(self->conditions_))));
         })
      ->onQueueThen(queue, [self](const Value&) -> Value {
        return Value(self->storage_->removeAllBatchesForTarget(self->target_, false));
      })
      ->onQueueThen(queue, [self](const Value&) -> Value { return Value(self->storage_->hasEventsForTarget(self->target_)); })
      ->onQueueThen(queue, [self](const Value& hasEvents) -> Value {
        if (!hasEvents.toBool()) return sdk::promises::valueWithError(genericRejectedPromiseErrorWithReason("No events to upload."));
        if (self->cancelled_.load()) return sdk::promises::valueWithError(genericRejectedPromiseErrorWithReason("Cancelled."));
        double expiration = platform::foundation::Clock::current()->now() + kBatchLifetimeSeconds;
        return Value(self->storage_->batchWithEventSelector(eventSelectorTarget(self->target_, self->conditions_),
                                                            expiration));
      })
      ->onQueueThen(queue, [self](const Value& made) -> Value {
        auto batch = made.objectAs<UploadBatch>();
        if (!batch || batch->events().empty()) {
          return sdk::promises::valueWithError(genericRejectedPromiseErrorWithReason("The batch is empty."));
        }
        self->uploadAttempted_.store(true);
        return Value(self->sendURLRequestWithBatch(batch));
      });
}

sdk::promises::Promise::Ptr UploadOperation::returnBatchAndFail(std::uint32_t batchID, const Error& error) {
  return storage_->removeBatchWithID(batchID, false)->onQueueThen(uploaderQueue_, [error](const Value&) {
    return sdk::promises::valueWithError(error);
  });
}

sdk::promises::Promise::Ptr UploadOperation::sendURLRequestWithBatch(const std::shared_ptr<UploadBatch>& batch) {
  auto encoded = encodeUploadRequest(batch->events(), DeviceFacts::current());
  // Without a body there is nothing to send: the events go back untouched for a later attempt.
  if (!encoded) return returnBatchAndFail(batch->batchID(), encoded.error());
  Data body = std::move(encoded).value();
  if (auto gzipped = sdk::utilities::Gzip::dataByGzippingData(body); gzipped.ok() && gzipped->size() < body.size()) {
    body = std::move(*gzipped);
  }
  auto request = constructRequestWithURL(uploadURL_, target_, body);
  if (!request) return returnBatchAndFail(batch->batchID(), genericRejectedPromiseErrorWithReason("No request."));
  transportLogDebug("CTT: request containing %lu events for batch: %u for target: %ld created", batch->events().size(),
                 batch->batchID(), static_cast<long>(target_));

  auto self = shared_from_this();
  std::uint32_t batchID = batch->batchID();
  auto session = uploaderSessionCreateIfNeeded();
  auto delivered = std::make_shared<sdk::promises::Promise::Ptr>();
  return replyToRequest(session, *request, batchID, delivered)
      ->onQueueThen(uploaderQueue_,
                    [self, session, batchID, delivered](const Value& answer) -> Value {
                      session->finishTasksAndInvalidate();
                      auto reply = answer.objectAs<sdk::utilities::URLSessionDataResponse>();
                      self->updateNextUploadTimeWithResponse(reply->HTTPResponse, reply->HTTPBody, self->target_);
                      if (*delivered) return Value(*delivered);
                      std::int64_t status = reply->HTTPResponse.statusCode;
                      if (status == 429 || (status >= 500 && status <= 599)) {
                        return Value(self->storage_->removeBatchWithID(batchID, false));
                      }
                      if (status >= 200 && status <= 300) {
                        transportLogDebug("UPL: batch %u delivered", batchID);
                      } else {
                        transportLogDebug("UPL: batch %u was rejected by the server and will be deleted with all events",
                                       batchID);
                      }
                      return Value(self->storage_->removeBatchWithID(batchID, true));
                    })
      ->onQueueRecover(uploaderQueue_, [self, session, batchID](const Error& error) -> Value {
        session->finishTasksAndInvalidate();
        return Value(self->returnBatchAndFail(batchID, error));
      });
}

sdk::promises::Promise::Ptr UploadOperation::replyToRequest(const std::shared_ptr<platform::net::URLSession>& session,
                                                            const platform::net::URLRequest& request,
                                                            std::uint32_t batchID,
                                                            std::shared_ptr<sdk::promises::Promise::Ptr> delivered) {
  auto self = shared_from_this();
  return sdk::utilities::dataTaskPromiseWithRequest(
      session, request,
      [self, batchID](const platform::net::HTTPURLResponse& response, const std::optional<Error>& error) {
        self->answerCame();
        if (error) {
          transportLogDebug("UPL: the reply to batch %u came with status %ld, then its body failed (%@): the status "
                            "is the answer",
                            batchID, static_cast<long>(response.statusCode), error->localizedDescription());
        }
      },
      [self, batchID, delivered](const platform::net::HTTPURLResponse&) {
        self->answerCame();
        // The format has no mark for a batch sent again: the service took it, so it goes now, before its
        // body (a wait for the next request at most) is awaited by anyone.
        self->uploaderQueue_->async([self, batchID, delivered] {
          transportLogDebug("UPL: batch %u delivered", batchID);
          *delivered = self->storage_->removeBatchWithID(batchID, true);
        });
      });
}

void UploadOperation::answerCame() {
  auto answered = platform::dispatch::ProcessEnd::addAnsweredWork("the answer to the event upload to target " +
                                                                  targetName(target_));
  std::lock_guard lock(mutex_);
  // Taken before the request's hold goes, so that the end always finds one of the two.
  if (inFlight_) inFlight_ = std::move(answered);
}

std::shared_ptr<platform::net::URLSession> UploadOperation::uploaderSessionCreateIfNeeded() {
  if (!uploaderSession_ || uploaderSession_->isInvalidated()) {
    auto configuration = platform::net::URLSessionConfiguration::defaultSessionConfiguration();
    configuration.maximumResponseSize = kMaximumReplySize;
    uploaderSession_ = platform::net::URLSession::sessionWithConfiguration(std::move(configuration), shared_from_this());
  }
  return uploaderSession_;
}

std::optional<platform::net::URLRequest> UploadOperation::constructRequestWithURL(const std::string& url,
                                                                                        std::int64_t target,
                                                                                        const Data& data) {
  if (data.empty()) {
    transportLogDebug("There was no data to construct a request for target %ld.", static_cast<long>(target));
    return std::nullopt;
  }
  platform::net::URLRequest request;
  request.url = url;
  request.httpMethod = "POST";
  auto provider = metadataProvider_.lock();
  if (auto key = provider ? provider->APIKeyForTarget(target) : std::nullopt) request.setValue(*key, "X-Vdz-Api-Key");
  if (isGzipped(data)) request.setValue("gzip", "Content-Encoding");
  request.setValue("application/x-protobuf", "Content-Type");
  request.setValue("gzip", "Accept-Encoding");
  request.setValue(format("datatransport/%@ %@support/%@ apple/", kTransportVersion, targetName(target), kTransportVersion),
                   "User-Agent");
  request.httpBody = data;
  return request;
}

void UploadOperation::updateNextUploadTimeWithResponse(const platform::net::HTTPURLResponse& response,
                                                             const Data& body, std::int64_t target) {
  std::optional<std::int64_t> waitMillis;
  if (!body.empty()) {
    auto reply = decodeUploadReply(body);
    if (!reply) {
      transportLogDebug("There was a response decoding error: %@", reply.error());
    } else if (reply->nextWaitMillis) {
      transportLogDebug("UPL: The backend responded asking to not upload for %lld millis from now.",
                     static_cast<long long>(*reply->nextWaitMillis));
      waitMillis = reply->nextWaitMillis;
    }
  }
  if (!waitMillis) waitMillis = retryAfterMillis(response.valueForHTTPHeaderField("Retry-After"));
  if (!waitMillis) {
    transportLogDebug("UPL: The backend response failed to parse, so the next request won't occur until 15 minutes from now");
    waitMillis = kDefaultWaitMillis;
  }
  waitMillis = std::clamp<std::int64_t>(*waitMillis, 0, kMaximumWaitMillis);
  if (auto provider = metadataProvider_.lock()) {
    provider->setNextUploadTime(ClockSnapshot::clockSnapshotInTheFuture(*waitMillis), target);
  }
}

void UploadOperation::willPerformHTTPRedirection(
    platform::net::URLSession&, platform::net::URLSessionTask& task, const platform::net::HTTPURLResponse& response,
    platform::net::URLRequest newRequest, std::function<void(std::optional<platform::net::URLRequest>)> completionHandler) {
  if (!completionHandler) return;
  if (response.statusCode == 301 || response.statusCode == 302) {
    auto rebuilt = constructRequestWithURL(newRequest.url, 1000, task.originalRequest().httpBody);
    return completionHandler(rebuilt ? std::move(rebuilt) : std::optional(std::move(newRequest)));
  }
  completionHandler(std::move(newRequest));
}

}  // namespace sdk::transport

