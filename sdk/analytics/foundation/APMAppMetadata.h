#pragma once

#include <cstdint>

// Where the app's bundle sequence stands: the last bundle's index and its time span (seconds).
struct APMAppMetadata {
  std::int64_t lastBundleIndex = 0;
  double lastBundleStartTimestamp = 0;
  double lastBundleEndTimestamp = 0;

  void incrementLastBundleIndex() { ++lastBundleIndex; }
  bool operator==(const APMAppMetadata&) const = default;
};
