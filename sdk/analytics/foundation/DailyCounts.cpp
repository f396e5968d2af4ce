#include "sdk/analytics/foundation/DailyCounts.h"

#include <limits>

namespace sdk::analytics {

namespace {

// Counts saturate: a wrapped count would read as room under every daily limit.
void add(std::int32_t& count, std::int64_t amount) {
  std::int64_t sum = static_cast<std::int64_t>(count) + amount;
  if (sum > std::numeric_limits<std::int32_t>::max()) sum = std::numeric_limits<std::int32_t>::max();
  if (sum < 0) sum = 0;
  count = static_cast<std::int32_t>(sum);
}

}  // namespace

void DailyCounts::resetWithNewDay(std::int64_t newDay) {
  *this = DailyCounts{};
  day = newDay;
}

void DailyCounts::moveToDay(std::int64_t currentDay) {
  if (currentDay != day) resetWithNewDay(currentDay);
}

void DailyCounts::incrementCountsForCurrentDay(std::int64_t currentDay, bool isPublicEvent, bool isConversion,
                                                  std::int32_t effectiveEventCount) {
  moveToDay(currentDay);
  add(conversionsCount, isConversion ? 1 : 0);
  add(allEventsCount, effectiveEventCount);
  if (isPublicEvent) add(publicEventsCount, effectiveEventCount);
}

void DailyCounts::incrementErrorEventsCountForCurrentDay(std::int64_t currentDay) {
  moveToDay(currentDay);
  add(allEventsCount, 1);
  add(errorEventsCount, 1);
}

void DailyCounts::incrementRealtimeCountsForCurrentDay(std::int64_t currentDay) {
  moveToDay(currentDay);
  add(realtimeCount, 1);
}

void DailyCounts::decrementAllEventsCount() {
  if (allEventsCount > 0) --allEventsCount;
}

}  // namespace sdk::analytics

