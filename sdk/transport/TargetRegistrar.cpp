#include "sdk/transport/TargetRegistrar.h"

#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

std::shared_ptr<TargetRegistrar> TargetRegistrar::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<TargetRegistrar>(std::make_shared<TargetRegistrar>());
  return *instance;
}

TargetRegistrar::TargetRegistrar() : registrarQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORRegistrar")) {}

void TargetRegistrar::registerUploader(std::shared_ptr<Uploader> uploader, std::int64_t target) {
  registrarQueue_->async([this, self = shared_from_this(), uploader = std::move(uploader), target] {
    transportLogDebug("Registered an uploader: %p for target:%ld", uploader.get(), static_cast<long>(target));
    targetToUploader_[target] = uploader;
  });
}

void TargetRegistrar::registerStorage(std::shared_ptr<EventStore> storage, std::int64_t target) {
  registrarQueue_->async([this, self = shared_from_this(), storage = std::move(storage), target] {
    transportLogDebug("Registered storage: %p for target:%ld", storage.get(), static_cast<long>(target));
    targetToStorage_[target] = storage;
  });
}

TargetRegistrar::UploaderMap TargetRegistrar::targetToUploader() const {
  UploaderMap copy;
  registrarQueue_->sync([&] { copy = targetToUploader_; });
  return copy;
}

TargetRegistrar::StorageMap TargetRegistrar::targetToStorage() const {
  StorageMap copy;
  registrarQueue_->sync([&] { copy = targetToStorage_; });
  return copy;
}

void TargetRegistrar::forward(const std::function<void(LifecycleObserver&)>& message) {
  // Sent outside the registrar's queue: receivers may register or look up in turn.
  for (auto& [target, uploader] : targetToUploader()) message(*uploader);
  for (auto& [target, storage] : targetToStorage()) message(*storage);
}

void TargetRegistrar::appWillBackground(ApplicationInterface& application) {
  forward([&](LifecycleObserver& receiver) { receiver.appWillBackground(application); });
}

void TargetRegistrar::appWillForeground(ApplicationInterface& application) {
  forward([&](LifecycleObserver& receiver) { receiver.appWillForeground(application); });
}

void TargetRegistrar::appWillTerminate(ApplicationInterface& application) {
  forward([&](LifecycleObserver& receiver) { receiver.appWillTerminate(application); });
}

}  // namespace sdk::transport

