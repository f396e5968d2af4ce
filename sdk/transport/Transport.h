#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sdk/transport/TransportEvent.h"
#include "sdk/transport/TransformingEventWriter.h"

namespace sdk::transport {

// A log source's way into the event transport: one per mapping ID and target. Sending copies the
// event, stamps it with the clock of the send and passes it through the source's transformers to storage.
class Transport {
 public:
  // nullptr for an empty mapping ID or a target below 1.
  static std::shared_ptr<Transport> initWithMappingID(const std::string& mappingID,
                                                            EventTransformerList transformers, std::int64_t target);

  std::shared_ptr<TransportEvent> eventForTransport() const;

  // Keeps the event's QoS tier.
  void sendDataEvent(const TransportEvent& event, EventStore::StoreCompletion onComplete = {});
  // Stores the event at the telemetry tier, whatever tier it had.
  void sendTelemetryEvent(TransportEvent& event, EventStore::StoreCompletion onComplete = {});

  const std::string& mappingID() const { return mappingID_; }
  const EventTransformerList& transformers() const { return transformers_; }
  std::int64_t target() const { return target_; }
  void setTarget(std::int64_t target) { target_ = target; }
  const std::shared_ptr<TransformingEventWriter>& transformerInstance() const { return transformerInstance_; }
  void setTransformerInstance(std::shared_ptr<TransformingEventWriter> transformer) {
    transformerInstance_ = std::move(transformer);
  }

  struct Private {
    explicit Private() = default;
  };
  Transport(Private, std::string mappingID, EventTransformerList transformers, std::int64_t target);

 private:
  void sendEvent(const TransportEvent& event, EventStore::StoreCompletion onComplete);

  std::string mappingID_;
  EventTransformerList transformers_;
  std::int64_t target_;
  std::shared_ptr<TransformingEventWriter> transformerInstance_;
};

}  // namespace sdk::transport

