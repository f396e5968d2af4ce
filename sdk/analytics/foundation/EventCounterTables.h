#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sdk/analytics/foundation/DailyCounts.h"
#include "sdk/analytics/foundation/EventAggregates.h"
#include "sdk/analytics/foundation/MeasurementStatements.h"

namespace sdk::analytics {

// The measurement database's counts: each event name's counters and the day's totals.
class EventCounterTables : protected MeasurementStatements {
 public:
  explicit EventCounterTables(std::shared_ptr<SqliteStore> store) : MeasurementStatements(std::move(store)) {}

  // Nothing, without an error, when the name has no row.
  ErrorOr<std::optional<EventAggregates>> eventAggregatesWithName(const std::string& name);
  ErrorOr<void> updateEventAggregates(const EventAggregates& aggregates);
  ErrorOr<std::vector<EventAggregates>> allEventAggregates();
  ErrorOr<void> clearCurrentSessionCounts();
  ErrorOr<std::int64_t> publicEventCount();
  ErrorOr<DailyCounts> dailyCounts();
  ErrorOr<void> updateDailyCounts(const DailyCounts& counts);
};

}  // namespace sdk::analytics
