#pragma once

#include <memory>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "sdk/transport/VDTCOREvent.h"
#include "sdk/transport/VDTCORLifecycleProtocol.h"
#include "sdk/transport/VDTCORRegistrar.h"
#include "sdk/transport/VDTCORStorageProtocol.h"

// Changes or drops an event before it is stored: one event in, one event (or nullptr, dropping it) out.
class VDTCOREventTransformer {
 public:
  virtual ~VDTCOREventTransformer() = default;
  virtual std::shared_ptr<VDTCOREvent> transformVDTEvent(std::shared_ptr<VDTCOREvent> event) = 0;
};

using VDTCORTransformerList = std::vector<std::shared_ptr<VDTCOREventTransformer>>;

// Runs a source's transformers over each sent event, in sending order on its own queue, and hands the
// result to the storage registered for the event's target. A background task covers each event from
// sending until its storage has answered.
class VDTCORTransformer final : public VDTCORLifecycleProtocol,
                                public std::enable_shared_from_this<VDTCORTransformer> {
 public:
  static constexpr const char* kErrorDomain = "VDTCORTransformer";
  enum ErrorCode : std::int64_t { kNoStorageForTarget = 1 };

  static std::shared_ptr<VDTCORTransformer> sharedInstance();
  VDTCORTransformer(std::shared_ptr<VDTCORApplicationProtocol> application, std::shared_ptr<VDTCORRegistrar> registrar);

  // Each transformer gets the previous one's result; an empty entry or a nullptr result drops the event
  // and completes with (false, nullopt).
  void transformEvent(std::shared_ptr<VDTCOREvent> event, VDTCORTransformerList transformers,
                      VDTCORStorageProtocol::StoreCompletion onComplete);

  // Returns once every event sent before it has been handed to storage.
  void appWillTerminate(VDTCORApplicationProtocol& application) override;

  const std::shared_ptr<platform::dispatch::Queue>& eventWritingQueue() const { return eventWritingQueue_; }

 private:
  std::shared_ptr<platform::dispatch::Queue> eventWritingQueue_;
  std::shared_ptr<VDTCORApplicationProtocol> application_;
  std::shared_ptr<VDTCORRegistrar> registrar_;
};
