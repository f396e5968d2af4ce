#include "sdk/transport/NetworkUploader.h"

#include <chrono>

#include "platform/dispatch/MainLoop.h"
#include "sdk/transport/ApplicationAdapter.h"
#include "sdk/transport/UploadEndpoints.h"
#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

namespace {

struct TestServer {
  std::mutex mutex;
  std::optional<std::string> url;
};

TestServer& testServer() {
  static TestServer instance;
  return instance;
}

}  // namespace

std::shared_ptr<NetworkUploader> NetworkUploader::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<NetworkUploader>(std::make_shared<NetworkUploader>(TargetRegistrar::sharedInstance(), ApplicationAdapter::sharedApplication()));
  return *instance;
}

void NetworkUploader::registerSharedInstance() {
  for (std::int64_t target : {1000, 1001, 1002, 1003}) {
    TargetRegistrar::sharedInstance()->registerUploader(sharedInstance(), target);
  }
}

NetworkUploader::NetworkUploader(std::shared_ptr<TargetRegistrar> registrar,
                               std::shared_ptr<ApplicationInterface> application)
    : registrar_(std::move(registrar)),
      application_(std::move(application)),
      uploadQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTNETUploader")) {}

void NetworkUploader::setTestServerURL(std::optional<std::string> url) {
  std::lock_guard lock(testServer().mutex);
  testServer().url = std::move(url);
}

std::optional<std::string> NetworkUploader::testServerURL() {
  std::lock_guard lock(testServer().mutex);
  return testServer().url;
}

std::optional<std::string> NetworkUploader::serverURLForTarget(std::int64_t target) {
  if (auto url = testServerURL()) return url;
  return UploadEndpoints::uploadURLForTarget(target);
}

std::string NetworkUploader::FLLAndCSHAndINTAPIKey() {
  static const std::string key = "vdz-transport-4f1c9a2e7b";
  return key;
}

std::optional<std::string> NetworkUploader::APIKeyForTarget(std::int64_t target) {
  if (target == 1001 || target == 1002 || target == 1003) return FLLAndCSHAndINTAPIKey();
  return std::nullopt;
}

std::shared_ptr<ClockSnapshot> NetworkUploader::nextUploadTimeForTarget(std::int64_t target) {
  std::lock_guard lock(nextUploadMutex_);
  auto found = nextUploadTimeByTarget_.find(target);
  return found == nextUploadTimeByTarget_.end() ? nullptr : found->second;
}

void NetworkUploader::setNextUploadTime(std::shared_ptr<ClockSnapshot> time, std::int64_t target) {
  std::lock_guard lock(nextUploadMutex_);
  if (time) {
    nextUploadTimeByTarget_[target] = std::move(time);
  } else {
    nextUploadTimeByTarget_.erase(target);
  }
}

void NetworkUploader::uploadTarget(std::int64_t target, std::uint32_t conditions) {
  auto registrar = registrar_.lock();
  auto storages = registrar ? registrar->targetToStorage() : TargetRegistrar::StorageMap{};
  auto found = storages.find(target);
  auto storage = found == storages.end() ? nullptr : std::dynamic_pointer_cast<PromiseBasedEventStore>(found->second);
  if (!storage) {
    transportLog(messages::kMessageCodeGeneralError, kLogLevelError,
              "Failed to upload target: %ld - could not find corresponding storage instance.", static_cast<long>(target));
    return;
  }
  auto url = serverURLForTarget(target);
  if (!url) {
    // Not a fault: the product ships without an address until one is configured. Said once, so that
    // whoever wonders why nothing arrives finds the reason in the log.
    if (!toldNoAddress_.exchange(true)) {
      transportLogNotice(messages::kMessageCodeNoUploadAddress,
                      "No event upload address is configured (%@ in the options file or %@). Events are stored on "
                      "this device and not uploaded",
                      UploadEndpoints::kServiceURLOptionKey, UploadEndpoints::kServiceURLEnvironmentVariable);
    }
    return;
  }
  auto operation = std::make_shared<UploadOperation>(target, conditions, *url, uploadQueue_, storage,
                                                           weak_from_this(), application_);
  transportLogDebug("Upload operation created: target: %ld", static_cast<long>(target));
  std::unique_lock lock(operationsMutex_);
  if (ending_) {
    transportLogDebug("The app is ending: no upload of target %ld is started", static_cast<long>(target));
    return;
  }
  waiting_.push_back(operation);
  transportLogDebug("Upload operation scheduled, operation count: %zu", waiting_.size() + (running_ ? 1 : 0));
  startNextLocked(lock);
}

void NetworkUploader::startNextLocked(std::unique_lock<std::mutex>& lock) {
  if (running_ || waiting_.empty() || ending_) return;
  running_ = waiting_.front();
  waiting_.pop_front();
  auto operation = running_;
  lock.unlock();
  std::weak_ptr<NetworkUploader> weak = weak_from_this();
  operation->start([weak, operation] {
    if (auto self = weak.lock()) {
      self->operationFinished(operation);
    } else {
      transportLogDebug("Internal inconsistency: VDTNETUploader was deallocated during upload.");
    }
  });
  lock.lock();
}

void NetworkUploader::operationFinished(const std::shared_ptr<UploadOperation>& operation) {
  transportLogDebug("Upload operation finished: target %ld, uploadAttempted: %d", static_cast<long>(operation->target()),
                 operation->uploadAttempted());
  std::deque<std::shared_ptr<UploadOperation>> cancelled;
  std::unique_lock lock(operationsMutex_);
  if (running_ == operation) running_.reset();
  // An upload just went out: the operations queued meanwhile would only find what it left.
  if (operation->uploadAttempted()) cancelled.swap(waiting_);
  startNextLocked(lock);
  operationsChanged_.notify_all();
  lock.unlock();
  platform::dispatch::MainLoop::wakeUp();
  for (auto& waiting : cancelled) waiting->cancel();
}

void NetworkUploader::appWillTerminate(ApplicationInterface&) {
  std::deque<std::shared_ptr<UploadOperation>> dropped;
  std::shared_ptr<UploadOperation> running;
  {
    std::lock_guard lock(operationsMutex_);
    ending_ = true;
    dropped.swap(waiting_);
    running = running_;
  }
  for (auto& operation : dropped) operation->cancel();
  // One that has not sent its request yet stops before taking a batch; a request on its way is not cut
  // off, as its answer may already be coming.
  if (running) running->cancel();
}

std::size_t NetworkUploader::operationCount() const {
  std::lock_guard lock(operationsMutex_);
  return waiting_.size() + (running_ ? 1 : 0);
}

bool NetworkUploader::waitForUploadFinishedWithTimeout(double seconds) {
  auto idle = [this] { return operationCount() == 0; };
  bool finished;
  if (platform::dispatch::MainLoop::isMainThread()) {
    finished = platform::dispatch::MainLoop::runUntil(idle, seconds);
  } else {
    std::unique_lock lock(operationsMutex_);
    finished = operationsChanged_.wait_for(lock, std::chrono::duration<double>(seconds),
                                           [this] { return waiting_.empty() && !running_; });
  }
  if (!finished) {
    transportLogDebug("Uploader wait for finish timeout exceeded. Operations still in queue: %zu", operationCount());
  }
  return finished;
}

}  // namespace sdk::transport

