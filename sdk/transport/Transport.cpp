#include "sdk/transport/Transport.h"

namespace sdk::transport {

std::shared_ptr<Transport> Transport::initWithMappingID(const std::string& mappingID,
                                                                    EventTransformerList transformers,
                                                                    std::int64_t target) {
  if (mappingID.empty() || target < 1) return nullptr;
  return std::make_shared<Transport>(Private(), mappingID, std::move(transformers), target);
}

Transport::Transport(Private, std::string mappingID, EventTransformerList transformers, std::int64_t target)
    : mappingID_(std::move(mappingID)),
      transformers_(std::move(transformers)),
      target_(target),
      transformerInstance_(TransformingEventWriter::sharedInstance()) {}

std::shared_ptr<TransportEvent> Transport::eventForTransport() const {
  return TransportEvent::initWithMappingIDTarget(mappingID_, target_);
}

void Transport::sendDataEvent(const TransportEvent& event, EventStore::StoreCompletion onComplete) {
  sendEvent(event, std::move(onComplete));
}

void Transport::sendTelemetryEvent(TransportEvent& event, EventStore::StoreCompletion onComplete) {
  event.setQosTier(TransportEvent::kTelemetryQoSTier);
  sendEvent(event, std::move(onComplete));
}

void Transport::sendEvent(const TransportEvent& event, EventStore::StoreCompletion onComplete) {
  auto copy = event.copy();
  copy->setClockSnapshot(ClockSnapshot::snapshot());
  transformerInstance_->transformEvent(std::move(copy), transformers_, std::move(onComplete));
}

}  // namespace sdk::transport

