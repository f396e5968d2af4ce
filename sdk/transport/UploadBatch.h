#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/Format.h"
#include "platform/foundation/Value.h"
#include "sdk/transport/TransportEvent.h"

namespace sdk::transport {

// Events moved aside under one batch ID while they are uploaded. An object, so a promise can carry it.
class UploadBatch final : public platform::foundation::Object {
 public:
  UploadBatch(std::uint32_t batchID, EventSet events) : batchID_(batchID), events_(std::move(events)) {}

  std::uint32_t batchID() const { return batchID_; }
  const EventSet& events() const { return events_; }

  std::string description() const override {
    return platform::foundation::format("<VDTCORUploadBatch %u, %zu events>", batchID_, events_.size());
  }

 private:
  std::uint32_t batchID_;
  EventSet events_;
};

}  // namespace sdk::transport

