#include "sdk/transport/VDTCORRegistrar.h"

#include "sdk/transport/VDTCORLog.h"

std::shared_ptr<VDTCORRegistrar> VDTCORRegistrar::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<VDTCORRegistrar>(std::make_shared<VDTCORRegistrar>());
  return *instance;
}

VDTCORRegistrar::VDTCORRegistrar() : registrarQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORRegistrar")) {}

void VDTCORRegistrar::registerUploader(std::shared_ptr<VDTCORUploader> uploader, std::int64_t target) {
  registrarQueue_->async([this, self = shared_from_this(), uploader = std::move(uploader), target] {
    VDTCORLogDebug("Registered an uploader: %p for target:%ld", uploader.get(), static_cast<long>(target));
    targetToUploader_[target] = uploader;
  });
}

void VDTCORRegistrar::registerStorage(std::shared_ptr<VDTCORStorageProtocol> storage, std::int64_t target) {
  registrarQueue_->async([this, self = shared_from_this(), storage = std::move(storage), target] {
    VDTCORLogDebug("Registered storage: %p for target:%ld", storage.get(), static_cast<long>(target));
    targetToStorage_[target] = storage;
  });
}

VDTCORRegistrar::UploaderMap VDTCORRegistrar::targetToUploader() const {
  UploaderMap copy;
  registrarQueue_->sync([&] { copy = targetToUploader_; });
  return copy;
}

VDTCORRegistrar::StorageMap VDTCORRegistrar::targetToStorage() const {
  StorageMap copy;
  registrarQueue_->sync([&] { copy = targetToStorage_; });
  return copy;
}

void VDTCORRegistrar::forward(const std::function<void(VDTCORLifecycleProtocol&)>& message) {
  // Sent outside the registrar's queue: receivers may register or look up in turn.
  for (auto& [target, uploader] : targetToUploader()) message(*uploader);
  for (auto& [target, storage] : targetToStorage()) message(*storage);
}

void VDTCORRegistrar::appWillBackground(VDTCORApplicationProtocol& application) {
  forward([&](VDTCORLifecycleProtocol& receiver) { receiver.appWillBackground(application); });
}

void VDTCORRegistrar::appWillForeground(VDTCORApplicationProtocol& application) {
  forward([&](VDTCORLifecycleProtocol& receiver) { receiver.appWillForeground(application); });
}

void VDTCORRegistrar::appWillTerminate(VDTCORApplicationProtocol& application) {
  forward([&](VDTCORLifecycleProtocol& receiver) { receiver.appWillTerminate(application); });
}
