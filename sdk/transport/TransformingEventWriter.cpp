#include "sdk/transport/TransformingEventWriter.h"

#include <mutex>

#include "sdk/transport/ApplicationAdapter.h"
#include "sdk/transport/TransportLog.h"

namespace sdk::transport {

namespace {

// A background task that ends exactly once, from whichever of completion or expiry comes first.
class BackgroundTaskCell {
 public:
  explicit BackgroundTaskCell(std::weak_ptr<ApplicationInterface> application) : application_(std::move(application)) {}

  void setIdentifier(BackgroundTaskID identifier) {
    std::lock_guard lock(mutex_);
    identifier_ = identifier;
  }
  void end() {
    BackgroundTaskID identifier;
    {
      std::lock_guard lock(mutex_);
      identifier = identifier_;
      identifier_ = kInvalidBackgroundTaskID;
    }
    if (identifier == kInvalidBackgroundTaskID) return;
    if (auto application = application_.lock()) application->endBackgroundTask(identifier);
  }

 private:
  std::weak_ptr<ApplicationInterface> application_;
  std::mutex mutex_;
  BackgroundTaskID identifier_ = kInvalidBackgroundTaskID;
};

}  // namespace

std::shared_ptr<TransformingEventWriter> TransformingEventWriter::sharedInstance() {
  // Never destroyed: queued work may still reach it while the process exits.
  static const auto* const instance = new std::shared_ptr<TransformingEventWriter>(std::make_shared<TransformingEventWriter>(ApplicationAdapter::sharedApplication(), TargetRegistrar::sharedInstance()));
  return *instance;
}

TransformingEventWriter::TransformingEventWriter(std::shared_ptr<ApplicationInterface> application,
                                     std::shared_ptr<TargetRegistrar> registrar)
    : eventWritingQueue_(platform::dispatch::Queue::serial("com.vadeze.VDTCORTransformer")),
      application_(std::move(application)),
      registrar_(std::move(registrar)) {}

void TransformingEventWriter::transformEvent(std::shared_ptr<TransportEvent> event, EventTransformerList transformers,
                                       EventStore::StoreCompletion onComplete) {
  auto task = std::make_shared<BackgroundTaskCell>(application_);
  if (application_) {
    task->setIdentifier(application_->beginBackgroundTaskWithName("VDTTransformer", [task] { task->end(); }));
  }
  // Every path below ends in `completion`, so the task never outlives the event's journey.
  EventStore::StoreCompletion completion = [onComplete = std::move(onComplete), task](
                                                          bool wasWritten, const EventStore::OptionalError& error) {
    if (onComplete) onComplete(wasWritten, error);
    task->end();
  };
  eventWritingQueue_->async([self = shared_from_this(), event = std::move(event), transformers = std::move(transformers),
                             completion = std::move(completion)] {
    auto transformed = event;
    for (const auto& transformer : transformers) {
      if (!transformer) {
        transportLog(messages::kMessageCodeTransformerDoesNotImplementTransform, kLogLevelError,
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

void TransformingEventWriter::appWillTerminate(ApplicationInterface&) {
  eventWritingQueue_->sync([] {});
}

}  // namespace sdk::transport

