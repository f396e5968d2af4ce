#include "sdk/transport/VDTCORTransformer.h"

#include <mutex>

#include "sdk/transport/VDTCORApplication.h"
#include "sdk/transport/VDTCORLog.h"

namespace {

// A background task that ends exactly once, from whichever of completion or expiry comes first.
class BackgroundTaskCell {
 public:
  explicit BackgroundTaskCell(std::weak_ptr<VDTCORApplicationProtocol> application) : application_(std::move(application)) {}

  void setIdentifier(VDTCORBackgroundIdentifier identifier) {
    std::lock_guard lock(mutex_);
    identifier_ = identifier;
  }
  void end() {
    VDTCORBackgroundIdentifier identifier;
    {
      std::lock_guard lock(mutex_);
      identifier = identifier_;
      identifier_ = kVDTCORBackgroundIdentifierInvalid;
    }
    if (identifier == kVDTCORBackgroundIdentifierInvalid) return;
    if (auto application = application_.lock()) application->endBackgroundTask(identifier);
  }

 private:
  std::weak_ptr<VDTCORApplicationProtocol> application_;
  std::mutex mutex_;
  VDTCORBackgroundIdentifier identifier_ = kVDTCORBackgroundIdentifierInvalid;
};

}  // namespace

std::shared_ptr<VDTCORTransformer> VDTCORTransformer::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<VDTCORTransformer>(std::make_shared<VDTCORTransformer>(VDTCORApplication::sharedApplication(), VDTCORRegistrar::sharedInstance()));
  return *instance;
}

VDTCORTransformer::VDTCORTransformer(std::shared_ptr<VDTCORApplicationProtocol> application,
                                     std::shared_ptr<VDTCORRegistrar> registrar)
    : eventWritingQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORTransformer")),
      application_(std::move(application)),
      registrar_(std::move(registrar)) {}

void VDTCORTransformer::transformEvent(std::shared_ptr<VDTCOREvent> event, VDTCORTransformerList transformers,
                                       VDTCORStorageProtocol::StoreCompletion onComplete) {
  auto task = std::make_shared<BackgroundTaskCell>(application_);
  if (application_) {
    task->setIdentifier(application_->beginBackgroundTaskWithName("VDTTransformer", [task] { task->end(); }));
  }
  // Every path below ends in `completion`, so the task never outlives the event's journey.
  VDTCORStorageProtocol::StoreCompletion completion = [onComplete = std::move(onComplete), task](
                                                          bool wasWritten, const VDTCORStorageProtocol::OptionalError& error) {
    if (onComplete) onComplete(wasWritten, error);
    task->end();
  };
  eventWritingQueue_->async([self = shared_from_this(), event = std::move(event), transformers = std::move(transformers),
                             completion = std::move(completion)] {
    auto transformed = event;
    for (const auto& transformer : transformers) {
      if (!transformer) {
        VDTCORLog(kVDTCORMCETransformerDoesntImplementTransform, kVDTCORLogLevelError,
                  "Transformer doesn't implement transformVDTEvent: %@", "(null)");
        completion(false, std::nullopt);
        return;
      }
      transformed = transformer->transformVDTEvent(transformed);
      if (!transformed) {
        completion(false, std::nullopt);
        return;
      }
    }
    auto storages = self->registrar_->targetToStorage();
    auto found = storages.find(event->target());
    if (found == storages.end()) {
      completion(false, platform::foundation::Error::make(kErrorDomain, kNoStorageForTarget,
                                                          "No storage is registered for the event's target."));
      return;
    }
    found->second->storeEvent(transformed, completion);
  });
}

void VDTCORTransformer::appWillTerminate(VDTCORApplicationProtocol&) {
  eventWritingQueue_->sync([] {});
}
