#pragma once

#include <cstdint>

#include "sdk/analytics/foundation/AnalyticsEvent.h"

namespace sdk::analytics {

// One stored raw event with its row and the fingerprint of the metadata it was written under.
struct RawEventData {
  RawEventData(AnalyticsEvent rawEvent, std::int64_t rowID, std::int64_t metadataFingerprint)
      : rawEvent(std::move(rawEvent)), rowID(rowID), metadataFingerprint(metadataFingerprint) {}

  AnalyticsEvent rawEvent;
  std::int64_t rowID = 0;
  std::int64_t metadataFingerprint = 0;
};

}  // namespace sdk::analytics

