#include "sdk/transport/VDTNETUploader.h"

#include <chrono>

#include "platform/dispatch/MainLoop.h"
#include "sdk/transport/VDTCORApplication.h"
#include "sdk/transport/VDTCOREndpoints.h"
#include "sdk/transport/VDTCORLog.h"

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

std::shared_ptr<VDTNETUploader> VDTNETUploader::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<VDTNETUploader>(std::make_shared<VDTNETUploader>(VDTCORRegistrar::sharedInstance(), VDTCORApplication::sharedApplication()));
  return *instance;
}

void VDTNETUploader::registerSharedInstance() {
  for (std::int64_t target : {1000, 1001, 1002, 1003}) {
    VDTCORRegistrar::sharedInstance()->registerUploader(sharedInstance(), target);
  }
}

VDTNETUploader::VDTNETUploader(std::shared_ptr<VDTCORRegistrar> registrar,
                               std::shared_ptr<VDTCORApplicationProtocol> application)
    : registrar_(std::move(registrar)),
      application_(std::move(application)),
      uploadQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTNETUploader")) {}

void VDTNETUploader::setTestServerURL(std::optional<std::string> url) {
  std::lock_guard lock(testServer().mutex);
  testServer().url = std::move(url);
}

std::optional<std::string> VDTNETUploader::testServerURL() {
  std::lock_guard lock(testServer().mutex);
  return testServer().url;
}

std::optional<std::string> VDTNETUploader::serverURLForTarget(std::int64_t target) {
  if (auto url = testServerURL()) return url;
  return VDTCOREndpoints::uploadURLForTarget(target);
}

std::string VDTNETUploader::FLLAndCSHAndINTAPIKey() {
  static const std::string key = "vdz-transport-4f1c9a2e7b";
  return key;
}

std::optional<std::string> VDTNETUploader::APIKeyForTarget(std::int64_t target) {
  if (target == 1001 || target == 1002 || target == 1003) return FLLAndCSHAndINTAPIKey();
  return std::nullopt;
}

std::shared_ptr<VDTCORClock> VDTNETUploader::nextUploadTimeForTarget(std::int64_t target) {
  std::lock_guard lock(nextUploadMutex_);
  auto found = nextUploadTimeByTarget_.find(target);
  return found == nextUploadTimeByTarget_.end() ? nullptr : found->second;
}

void VDTNETUploader::setNextUploadTime(std::shared_ptr<VDTCORClock> time, std::int64_t target) {
  std::lock_guard lock(nextUploadMutex_);
  if (time) {
    nextUploadTimeByTarget_[target] = std::move(time);
  } else {
    nextUploadTimeByTarget_.erase(target);
  }
}

void VDTNETUploader::uploadTarget(std::int64_t target, std::uint32_t conditions) {
  auto registrar = registrar_.lock();
  auto storages = registrar ? registrar->targetToStorage() : VDTCORRegistrar::StorageMap{};
  auto found = storages.find(target);
  auto storage = found == storages.end() ? nullptr : std::dynamic_pointer_cast<VDTCORStoragePromiseProtocol>(found->second);
  if (!storage) {
    VDTCORLog(kVDTCORMCEGeneralError, kVDTCORLogLevelError,
              "Failed to upload target: %ld - could not find corresponding storage instance.", static_cast<long>(target));
    return;
  }
  auto url = serverURLForTarget(target);
  if (!url) {
    // Not a fault: the product ships without an address until one is configured. Said once, so that
    // whoever wonders why nothing arrives finds the reason in the log.
    if (!toldNoAddress_.exchange(true)) {
      VDTCORLogNotice(kVDTCORMCNNoUploadAddress,
                      "No event upload address is configured (%@ in the options file or %@). Events are stored on "
                      "this device and not uploaded",
                      VDTCOREndpoints::kServiceURLOptionKey, VDTCOREndpoints::kServiceURLEnvironmentVariable);
    }
    return;
  }
  auto operation = std::make_shared<VDTNETUploadOperation>(target, conditions, *url, uploadQueue_, storage,
                                                           weak_from_this(), application_);
  VDTCORLogDebug("Upload operation created: target: %ld", static_cast<long>(target));
  std::unique_lock lock(operationsMutex_);
  waiting_.push_back(operation);
  VDTCORLogDebug("Upload operation scheduled, operation count: %zu", waiting_.size() + (running_ ? 1 : 0));
  startNextLocked(lock);
}

void VDTNETUploader::startNextLocked(std::unique_lock<std::mutex>& lock) {
  if (running_ || waiting_.empty()) return;
  running_ = waiting_.front();
  waiting_.pop_front();
  auto operation = running_;
  lock.unlock();
  std::weak_ptr<VDTNETUploader> weak = weak_from_this();
  operation->start([weak, operation] {
    if (auto self = weak.lock()) {
      self->operationFinished(operation);
    } else {
      VDTCORLogDebug("Internal inconsistency: VDTNETUploader was deallocated during upload.");
    }
  });
  lock.lock();
}

void VDTNETUploader::operationFinished(const std::shared_ptr<VDTNETUploadOperation>& operation) {
  VDTCORLogDebug("Upload operation finished: target %ld, uploadAttempted: %d", static_cast<long>(operation->target()),
                 operation->uploadAttempted());
  std::deque<std::shared_ptr<VDTNETUploadOperation>> cancelled;
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

void VDTNETUploader::appWillTerminate(VDTCORApplicationProtocol&) {
  std::deque<std::shared_ptr<VDTNETUploadOperation>> cancelled;
  std::shared_ptr<VDTNETUploadOperation> running;
  {
    std::lock_guard lock(operationsMutex_);
    cancelled.swap(waiting_);
    running = running_;
  }
  for (auto& operation : cancelled) operation->cancel();
  if (running) running->cancel();
  // On the main thread the wait keeps the main queue turning: a running upload's last steps may need it.
  if (platform::dispatch::MainLoop::isMainThread()) {
    (void)platform::dispatch::MainLoop::runUntil([this] { return operationCount() == 0; }, kTerminationWaitSeconds);
    return;
  }
  std::unique_lock lock(operationsMutex_);
  operationsChanged_.wait_for(lock, std::chrono::duration<double>(kTerminationWaitSeconds),
                              [this] { return waiting_.empty() && !running_; });
}

std::size_t VDTNETUploader::operationCount() const {
  std::lock_guard lock(operationsMutex_);
  return waiting_.size() + (running_ ? 1 : 0);
}

bool VDTNETUploader::waitForUploadFinishedWithTimeout(double seconds) {
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
    VDTCORLogDebug("Uploader wait for finish timeout exceeded. Operations still in queue: %zu", operationCount());
  }
  return finished;
}
