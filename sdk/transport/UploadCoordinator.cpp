#include "sdk/transport/UploadCoordinator.h"

#include <set>

#include "sdk/transport/ApplicationAdapter.h"
#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

std::shared_ptr<UploadCoordinator> UploadCoordinator::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<UploadCoordinator>(std::make_shared<UploadCoordinator>(
      TargetRegistrar::sharedInstance(), NetworkReachability::sharedInstance(), ApplicationAdapter::sharedApplication()));
  return *instance;
}

UploadCoordinator::UploadCoordinator(std::shared_ptr<TargetRegistrar> registrar,
                                                 std::shared_ptr<NetworkReachability> reachability,
                                                 std::shared_ptr<ApplicationInterface> application)
    : coordinationQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORUploadCoordinator")),
      registrar_(std::move(registrar)),
      reachability_(std::move(reachability)),
      application_(std::move(application)) {}

UploadCoordinator::~UploadCoordinator() {
  if (timer_) timer_->invalidate();
}

std::shared_ptr<TargetRegistrar> UploadCoordinator::registrar() const {
  std::lock_guard lock(registrarMutex_);
  return registrar_;
}

void UploadCoordinator::setRegistrar(std::shared_ptr<TargetRegistrar> registrar) {
  std::lock_guard lock(registrarMutex_);
  registrar_ = std::move(registrar);
}

void UploadCoordinator::startTimer() {
  coordinationQueue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->startTimerOnQueue();
  });
}

void UploadCoordinator::startTimerOnQueue() {
  if (timer_) return;
  std::weak_ptr<UploadCoordinator> weak = weak_from_this();
  timer_ = platform::dispatch::Timer::scheduled(kFirstTickSeconds, false, coordinationQueue_, [weak] {
    auto self = weak.lock();
    if (!self || !self->timer_) return;
    // The first tick starts the regular ones, so they fall on the 30-second grid after it.
    self->timer_ = platform::dispatch::Timer::scheduled(kTimerIntervalSeconds, true, self->coordinationQueue_, [weak] {
      if (auto self = weak.lock()) self->tick();
    });
    self->tick();
  });
}

void UploadCoordinator::stopTimer() {
  coordinationQueue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->stopTimerOnQueue();
  });
}

void UploadCoordinator::stopTimerOnQueue() {
  if (!timer_) return;
  timer_->invalidate();
  timer_.reset();
}

void UploadCoordinator::tick() {
  if (application_ && application_->isRunningInBackground()) return;
  std::vector<std::int64_t> targets;
  for (auto& [target, uploader] : registrar()->targetToUploader()) targets.push_back(target);
  uploadTargets(std::move(targets), uploadConditions());
}

std::uint32_t UploadCoordinator::uploadConditions() const {
  std::uint32_t flags = reachability_ ? reachability_->flagsNow() : 0;
  if (!flagsAreReachable(flags)) return kUploadConditionNoNetwork;
  return flagsContainWWAN(flags) ? kUploadConditionCellularData
                                                   : kUploadConditionWifiData;
}

void UploadCoordinator::uploadTargets(std::vector<std::int64_t> targets, std::uint32_t conditions) {
  coordinationQueue_->async([self = shared_from_this(), targets = std::move(targets), conditions] {
    if (conditions & kUploadConditionNoNetwork) return;
    auto uploaders = self->registrar()->targetToUploader();
    for (std::int64_t target : targets) {
      auto found = uploaders.find(target);
      if (found != uploaders.end()) found->second->uploadTarget(target, conditions);
    }
  });
}

void UploadCoordinator::forceUploadForTarget(std::int64_t target) {
  coordinationQueue_->async([self = shared_from_this(), target] {
    transportLogDebug("Forcing an upload of target %ld", static_cast<long>(target));
    self->uploadTargets({target}, self->uploadConditions() | kUploadConditionHighPriority);
  });
}

void UploadCoordinator::signalToStoragesToCheckExpirations() {
  std::set<std::shared_ptr<EventStore>> distinct;
  for (auto& [target, storage] : registrar()->targetToStorage()) distinct.insert(storage);
  for (auto& storage : distinct) storage->checkForExpirations();
}

std::shared_ptr<EventStore> UploadCoordinator::storageForTarget(std::int64_t target) const {
  auto storages = registrar()->targetToStorage();
  auto found = storages.find(target);
  return found == storages.end() ? nullptr : found->second;
}

void UploadCoordinator::appWillForeground(ApplicationInterface&) {
  startTimer();
  signalToStoragesToCheckExpirations();
}

void UploadCoordinator::appWillBackground(ApplicationInterface&) { stopTimer(); }

void UploadCoordinator::appWillTerminate(ApplicationInterface&) {
  coordinationQueue_->sync([this] { stopTimerOnQueue(); });
}

}  // namespace sdk::transport

