#pragma once

#include <cstdint>

namespace sdk::analytics {

// The event counts of one day. Every increment names the current day; a day other than the stored
// one starts the counts over for that day first.
struct DailyCounts {
  std::int64_t day = 0;
  std::int32_t conversionsCount = 0;
  std::int32_t allEventsCount = 0;
  std::int32_t publicEventsCount = 0;
  std::int32_t errorEventsCount = 0;
  std::int32_t realtimeCount = 0;

  void resetWithNewDay(std::int64_t newDay);
  void incrementCountsForCurrentDay(std::int64_t currentDay, bool isPublicEvent, bool isConversion,
                                    std::int32_t effectiveEventCount = 1);
  void incrementErrorEventsCountForCurrentDay(std::int64_t currentDay);
  void incrementRealtimeCountsForCurrentDay(std::int64_t currentDay);
  void decrementAllEventsCount();
  bool operator==(const DailyCounts&) const = default;

 private:
  void moveToDay(std::int64_t currentDay);
};

}  // namespace sdk::analytics

