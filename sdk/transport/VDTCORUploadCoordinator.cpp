#include "sdk/transport/VDTCORUploadCoordinator.h"

#include <set>

#include "sdk/transport/VDTCORApplication.h"
#include "sdk/transport/VDTCORLog.h"

std::shared_ptr<VDTCORUploadCoordinator> VDTCORUploadCoordinator::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<VDTCORUploadCoordinator>(std::make_shared<VDTCORUploadCoordinator>(
      VDTCORRegistrar::sharedInstance(), VDTCORReachability::sharedInstance(), VDTCORApplication::sharedApplication()));
  return *instance;
}

VDTCORUploadCoordinator::VDTCORUploadCoordinator(std::shared_ptr<VDTCORRegistrar> registrar,
                                                 std::shared_ptr<VDTCORReachability> reachability,
                                                 std::shared_ptr<VDTCORApplicationProtocol> application)
    : coordinationQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORUploadCoordinator")),
      registrar_(std::move(registrar)),
      reachability_(std::move(reachability)),
      application_(std::move(application)) {}

VDTCORUploadCoordinator::~VDTCORUploadCoordinator() {
  if (timer_) timer_->invalidate();
}

std::shared_ptr<VDTCORRegistrar> VDTCORUploadCoordinator::registrar() const {
  std::lock_guard lock(registrarMutex_);
  return registrar_;
}

void VDTCORUploadCoordinator::setRegistrar(std::shared_ptr<VDTCORRegistrar> registrar) {
  std::lock_guard lock(registrarMutex_);
  registrar_ = std::move(registrar);
}

void VDTCORUploadCoordinator::startTimer() {
  coordinationQueue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->startTimerOnQueue();
  });
}

void VDTCORUploadCoordinator::startTimerOnQueue() {
  if (timer_) return;
  std::weak_ptr<VDTCORUploadCoordinator> weak = weak_from_this();
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

void VDTCORUploadCoordinator::stopTimer() {
  coordinationQueue_->async([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->stopTimerOnQueue();
  });
}

void VDTCORUploadCoordinator::stopTimerOnQueue() {
  if (!timer_) return;
  timer_->invalidate();
  timer_.reset();
}

void VDTCORUploadCoordinator::tick() {
  if (application_ && application_->isRunningInBackground()) return;
  std::vector<std::int64_t> targets;
  for (auto& [target, uploader] : registrar()->targetToUploader()) targets.push_back(target);
  uploadTargets(std::move(targets), uploadConditions());
}

std::uint32_t VDTCORUploadCoordinator::uploadConditions() const {
  std::uint32_t flags = reachability_ ? reachability_->flagsNow() : 0;
  if (!VDTCORReachabilityFlagsReachable(flags)) return kVDTCORUploadConditionNoNetwork;
  return VDTCORReachabilityFlagsContainWWAN(flags) ? kVDTCORUploadConditionCellularData
                                                   : kVDTCORUploadConditionWifiData;
}

void VDTCORUploadCoordinator::uploadTargets(std::vector<std::int64_t> targets, std::uint32_t conditions) {
  coordinationQueue_->async([self = shared_from_this(), targets = std::move(targets), conditions] {
    if (conditions & kVDTCORUploadConditionNoNetwork) return;
    auto uploaders = self->registrar()->targetToUploader();
    for (std::int64_t target : targets) {
      auto found = uploaders.find(target);
      if (found != uploaders.end()) found->second->uploadTarget(target, conditions);
    }
  });
}

void VDTCORUploadCoordinator::forceUploadForTarget(std::int64_t target) {
  coordinationQueue_->async([self = shared_from_this(), target] {
    VDTCORLogDebug("Forcing an upload of target %ld", static_cast<long>(target));
    self->uploadTargets({target}, self->uploadConditions() | kVDTCORUploadConditionHighPriority);
  });
}

void VDTCORUploadCoordinator::signalToStoragesToCheckExpirations() {
  std::set<std::shared_ptr<VDTCORStorageProtocol>> distinct;
  for (auto& [target, storage] : registrar()->targetToStorage()) distinct.insert(storage);
  for (auto& storage : distinct) storage->checkForExpirations();
}

std::shared_ptr<VDTCORStorageProtocol> VDTCORUploadCoordinator::storageForTarget(std::int64_t target) const {
  auto storages = registrar()->targetToStorage();
  auto found = storages.find(target);
  return found == storages.end() ? nullptr : found->second;
}

void VDTCORUploadCoordinator::appWillForeground(VDTCORApplicationProtocol&) {
  startTimer();
  signalToStoragesToCheckExpirations();
}

void VDTCORUploadCoordinator::appWillBackground(VDTCORApplicationProtocol&) { stopTimer(); }

void VDTCORUploadCoordinator::appWillTerminate(VDTCORApplicationProtocol&) {
  coordinationQueue_->sync([this] { stopTimerOnQueue(); });
}
