#pragma once

#include <memory>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/LifecycleObserver.h"
#include "sdk/transport/TargetRegistrar.h"
#include "sdk/transport/EventStore.h"

namespace sdk::transport {

// Changes or drops an event before it is stored: one event in, one event (or nullptr, dropping it) out.
class EventTransformer {
 public:
  virtual ~EventTransformer() = default;
  virtual std::shared_ptr<TransportEvent> transformVDTEvent(std::shared_ptr<TransportEvent> event) = 0;
};

using EventTransformerList = std::vector<std::shared_ptr<EventTransformer>>;

// Runs a source's transformers over each sent event, in sending order on its own queue, and hands the
// result to the storage registered for the event's target. A background task covers each event from
// sending until its storage has answered.
class TransformingEventWriter final : public LifecycleObserver,
                                public std::enable_shared_from_this<TransformingEventWriter> {
 public:
  static constexpr const char* kErrorDomain = "VDTCORTransformer";
  enum ErrorCode : std::int64_t { kNoStorageForTarget = 1 };

  static std::shared_ptr<TransformingEventWriter> sharedInstance();
  TransformingEventWriter(std::shared_ptr<ApplicationInterface> application, std::shared_ptr<TargetRegistrar> registrar);

  // Each transformer gets the previous one's result, in list order, and the last one's is stored. A
  // transformer may change the event it is given or hand back a new one; giving every transformer the
  // entering event instead would silently throw away all but the last one's work whenever they hand
  // back new events. An empty entry or a nullptr result drops the event and completes with
  // (false, nullopt).
  void transformEvent(std::shared_ptr<TransportEvent> event, EventTransformerList transformers,
                      EventStore::StoreCompletion onComplete);

  // Returns once every event sent before it has been handed to storage.
  void appWillTerminate(ApplicationInterface& application) override;

  const std::shared_ptr<platform::dispatch::Queue>& eventWritingQueue() const { return eventWritingQueue_; }

 private:
  std::shared_ptr<platform::dispatch::Queue> eventWritingQueue_;
  std::shared_ptr<ApplicationInterface> application_;
  std::shared_ptr<TargetRegistrar> registrar_;
};

}  // namespace sdk::transport

