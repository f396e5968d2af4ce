#pragma once

#include <cstdint>
#include <string>

namespace sdk::analytics {

// The stored counters of one event name.
struct EventAggregates {
  EventAggregates(std::string name, std::int64_t lifetimeCount, std::int64_t currentBundleCount,
                     std::int64_t currentSessionCount, double lastFireTimestamp)
      : name(std::move(name)),
        lifetimeCount(lifetimeCount),
        currentBundleCount(currentBundleCount),
        currentSessionCount(currentSessionCount),
        lastFireTimestamp(lastFireTimestamp) {}

  std::string name;
  std::int64_t lifetimeCount = 0;
  std::int64_t currentBundleCount = 0;
  std::int64_t currentSessionCount = 0;
  double lastFireTimestamp = 0;
  double lastBundledTimestamp = 0;
  std::int64_t lastBundledDay = 0;
  std::int64_t lastSamplingRate = 0;
  std::int64_t lastSampledComplexEventID = 0;
  bool lastExemptFromSampling = false;

  void incrementLifetimeCount() { ++lifetimeCount; }
  void incrementCurrentBundleCount() { ++currentBundleCount; }
  void incrementCurrentSessionCount() { ++currentSessionCount; }
  bool operator==(const EventAggregates&) const = default;
};

}  // namespace sdk::analytics

