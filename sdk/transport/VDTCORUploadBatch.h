#pragma once

#include <cstdint>
#include <string>

#include "platform/foundation/Format.h"
#include "platform/foundation/Value.h"
#include "sdk/transport/VDTCOREvent.h"

// Events moved aside under one batch ID while they are uploaded. An object, so a promise can carry it.
class VDTCORUploadBatch final : public platform::foundation::Object {
 public:
  VDTCORUploadBatch(std::uint32_t batchID, VDTCOREventSet events) : batchID_(batchID), events_(std::move(events)) {}

  std::uint32_t batchID() const { return batchID_; }
  const VDTCOREventSet& events() const { return events_; }

  std::string description() const override {
    return platform::foundation::format("<VDTCORUploadBatch %u, %zu events>", batchID_, events_.size());
  }

 private:
  std::uint32_t batchID_;
  VDTCOREventSet events_;
};
