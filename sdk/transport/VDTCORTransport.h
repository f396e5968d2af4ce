#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sdk/transport/VDTCOREvent.h"
#include "sdk/transport/VDTCORTransformer.h"

// A log source's way into the event transport: one per mapping ID and target. Sending copies the
// event, stamps it with the clock of the send and passes it through the source's transformers to storage.
class VDTCORTransport {
 public:
  // nullptr for an empty mapping ID or a target below 1.
  static std::shared_ptr<VDTCORTransport> initWithMappingID(const std::string& mappingID,
                                                            VDTCORTransformerList transformers, std::int64_t target);

  std::shared_ptr<VDTCOREvent> eventForTransport() const;

  // Keeps the event's QoS tier.
  void sendDataEvent(const VDTCOREvent& event, VDTCORStorageProtocol::StoreCompletion onComplete = {});
  // Stores the event at the telemetry tier, whatever tier it had.
  void sendTelemetryEvent(VDTCOREvent& event, VDTCORStorageProtocol::StoreCompletion onComplete = {});

  const std::string& mappingID() const { return mappingID_; }
  const VDTCORTransformerList& transformers() const { return transformers_; }
  std::int64_t target() const { return target_; }
  void setTarget(std::int64_t target) { target_ = target; }
  const std::shared_ptr<VDTCORTransformer>& transformerInstance() const { return transformerInstance_; }
  void setTransformerInstance(std::shared_ptr<VDTCORTransformer> transformer) {
    transformerInstance_ = std::move(transformer);
  }

  struct Private {
    explicit Private() = default;
  };
  VDTCORTransport(Private, std::string mappingID, VDTCORTransformerList transformers, std::int64_t target);

 private:
  void sendEvent(const VDTCOREvent& event, VDTCORStorageProtocol::StoreCompletion onComplete);

  std::string mappingID_;
  VDTCORTransformerList transformers_;
  std::int64_t target_;
  std::shared_ptr<VDTCORTransformer> transformerInstance_;
};
