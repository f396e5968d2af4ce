#include "sdk/analytics/foundation/EventCounterTables.h"

#include "sdk/analytics/foundation/FoundationMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;
using platform::foundation::Value;

namespace {

EventAggregates aggregatesFromRow(const SqliteStore::Row& row) {
  EventAggregates aggregates(row.at("name").toString(), row.at("lifetime_count").toInt64(),
                                row.at("current_bundle_count").toInt64(), row.at("current_session_count").toInt64(),
                                row.at("last_fire_timestamp").toDouble());
  aggregates.lastBundledTimestamp = row.at("last_bundled_timestamp").toDouble();
  aggregates.lastBundledDay = row.at("last_bundled_day").toInt64();
  aggregates.lastSamplingRate = row.at("last_sampling_rate").toInt64();
  aggregates.lastSampledComplexEventID = row.at("last_sampled_complex_event_id").toInt64();
  aggregates.lastExemptFromSampling = row.at("last_exempt_from_sampling").toBool();
  return aggregates;
}

}  // namespace

ErrorOr<std::optional<EventAggregates>> EventCounterTables::eventAggregatesWithName(const std::string& name) {
  auto rows = query("SELECT * FROM events WHERE name = ?", {Value(name)}, messages::kEventAggregatesQueryFailed,
                    "Failed to query event aggregates");
  if (!rows) return rows.error();
  if (rows->empty()) return std::nullopt;
  return aggregatesFromRow(rows->front());
}

ErrorOr<void> EventCounterTables::updateEventAggregates(const EventAggregates& a) {
  if (a.name.empty()) return refuse(messages::kEventAggregatesUpdateFailed, "Event aggregates must have a name");
  return run(
      "INSERT OR REPLACE INTO events (name, lifetime_count, current_bundle_count, current_session_count, "
      "last_fire_timestamp, last_bundled_timestamp, last_bundled_day, last_sampling_rate, "
      "last_sampled_complex_event_id, last_exempt_from_sampling) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {Value(a.name), Value(a.lifetimeCount), Value(a.currentBundleCount), Value(a.currentSessionCount),
       Value(a.lastFireTimestamp), Value(a.lastBundledTimestamp), Value(a.lastBundledDay), Value(a.lastSamplingRate),
       Value(a.lastSampledComplexEventID), Value(std::int64_t{a.lastExemptFromSampling})},
      messages::kEventAggregatesUpdateFailed, "Failed to update event aggregates");
}

ErrorOr<std::vector<EventAggregates>> EventCounterTables::allEventAggregates() {
  auto rows = query("SELECT * FROM events ORDER BY rowid", {}, messages::kEventAggregatesQueryFailed,
                    "Failed to read event aggregates");
  if (!rows) return rows.error();
  std::vector<EventAggregates> all;
  for (const auto& row : *rows) all.push_back(aggregatesFromRow(row));
  return all;
}

ErrorOr<void> EventCounterTables::clearCurrentSessionCounts() {
  return run("UPDATE events SET current_session_count = 0", {}, messages::kSessionCountsClearFailed,
             "Failed to clear session counts");
}

ErrorOr<std::int64_t> EventCounterTables::publicEventCount() {
  return scalar("SELECT count(*) FROM events WHERE substr(name, 1, 1) != '_'", {}, messages::kEventCountFailed,
                "Failed to count events");
}

ErrorOr<DailyCounts> EventCounterTables::dailyCounts() {
  auto rows = query("SELECT * FROM daily_counts WHERE id = 1", {}, messages::kDailyCountsReadFailed,
                    "Failed to read daily counts");
  if (!rows) return rows.error();
  DailyCounts counts;
  if (rows->empty()) return counts;
  const Row& row = rows->front();
  counts.day = row.at("day").toInt64();
  counts.conversionsCount = static_cast<std::int32_t>(row.at("conversions_count").toInt64());
  counts.allEventsCount = static_cast<std::int32_t>(row.at("all_events_count").toInt64());
  counts.publicEventsCount = static_cast<std::int32_t>(row.at("public_events_count").toInt64());
  counts.errorEventsCount = static_cast<std::int32_t>(row.at("error_events_count").toInt64());
  counts.realtimeCount = static_cast<std::int32_t>(row.at("realtime_count").toInt64());
  return counts;
}

ErrorOr<void> EventCounterTables::updateDailyCounts(const DailyCounts& c) {
  return run(
      "INSERT OR REPLACE INTO daily_counts (id, day, conversions_count, all_events_count, public_events_count, "
      "error_events_count, realtime_count) VALUES (1, ?, ?, ?, ?, ?, ?)",
      {Value(c.day), Value(c.conversionsCount), Value(c.allEventsCount), Value(c.publicEventsCount),
       Value(c.errorEventsCount), Value(c.realtimeCount)},
      messages::kDailyCountsUpdateFailed, "Failed to update daily counts");
}

}  // namespace sdk::analytics
