#pragma once

#include <cstdint>

namespace sdk::analytics {

// Where the app's bundle sequence stands: the last bundle's index and its time span (seconds).
struct AppMetadata {
  std::int64_t lastBundleIndex = 0;
  double lastBundleStartTimestamp = 0;
  double lastBundleEndTimestamp = 0;

  void incrementLastBundleIndex() { ++lastBundleIndex; }
  bool operator==(const AppMetadata&) const = default;
};

}  // namespace sdk::analytics

