#include "sdk/transport/VDTCORTransport.h"

std::shared_ptr<VDTCORTransport> VDTCORTransport::initWithMappingID(const std::string& mappingID,
                                                                    VDTCORTransformerList transformers,
                                                                    std::int64_t target) {
  if (mappingID.empty() || target < 1) return nullptr;
  return std::make_shared<VDTCORTransport>(Private(), mappingID, std::move(transformers), target);
}

VDTCORTransport::VDTCORTransport(Private, std::string mappingID, VDTCORTransformerList transformers, std::int64_t target)
    : mappingID_(std::move(mappingID)),
      transformers_(std::move(transformers)),
      target_(target),
      transformerInstance_(VDTCORTransformer::sharedInstance()) {}

std::shared_ptr<VDTCOREvent> VDTCORTransport::eventForTransport() const {
  return VDTCOREvent::initWithMappingIDTarget(mappingID_, target_);
}

void VDTCORTransport::sendDataEvent(const VDTCOREvent& event, VDTCORStorageProtocol::StoreCompletion onComplete) {
  sendEvent(event, std::move(onComplete));
}

void VDTCORTransport::sendTelemetryEvent(VDTCOREvent& event, VDTCORStorageProtocol::StoreCompletion onComplete) {
  event.setQosTier(VDTCOREvent::kTelemetryQoSTier);
  sendEvent(event, std::move(onComplete));
}

void VDTCORTransport::sendEvent(const VDTCOREvent& event, VDTCORStorageProtocol::StoreCompletion onComplete) {
  auto copy = event.copy();
  copy->setClockSnapshot(VDTCORClock::snapshot());
  transformerInstance_->transformEvent(std::move(copy), transformers_, std::move(onComplete));
}
