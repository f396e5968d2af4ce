// User properties, event counters and daily counts.
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"

#include "sdk/analytics/foundation/MeasurementError.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;
using platform::foundation::Value;

namespace {

Value storedCounterValue(const AnalyticsValue& value) {
  if (value.isString()) return Value(value.stringValue());
  if (value.isDouble()) return Value(value.doubleValue());
  return Value(value.int64Value());
}

std::optional<AnalyticsValue> valueFromColumn(const Value& column) {
  if (column.isInteger()) return AnalyticsValue(column.toInt64());
  if (column.isReal()) return AnalyticsValue(column.toDouble());
  if (column.isString()) return AnalyticsValue(*column.string());
  return std::nullopt;
}

std::optional<UserAttribute> attributeFromRow(const SqliteStore::Row& row) {
  auto value = valueFromColumn(row.at("value"));
  if (!value) return std::nullopt;
  return UserAttribute(row.at("origin").toString(), row.at("name").toString(), std::move(*value),
                          row.at("set_timestamp").toDouble());
}

std::vector<UserAttribute> attributesFromRows(const std::vector<SqliteStore::Row>& rows) {
  std::vector<UserAttribute> attributes;
  for (const auto& row : rows) {
    if (auto attribute = attributeFromRow(row)) attributes.push_back(std::move(*attribute));
  }
  return attributes;
}

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

ErrorOr<bool> MeasurementDatabase::containsUserAttributeWithName(const std::string& name) {
  auto count = scalar("SELECT count(*) FROM user_attributes WHERE name = ?", {Value(name)},
                      messages::kUserPropertyQueryFailed, "Failed to query user property");
  if (!count) return count.error();
  return *count > 0;
}

ErrorOr<std::optional<UserAttribute>> MeasurementDatabase::userAttributeWithName(const std::string& name) {
  auto rows = query("SELECT * FROM user_attributes WHERE name = ?", {Value(name)}, messages::kUserPropertyQueryFailed,
                    "Failed to query user property");
  if (!rows) return rows.error();
  if (rows->empty()) return std::nullopt;
  return attributeFromRow(rows->front());
}

ErrorOr<void> MeasurementDatabase::updateUserAttribute(const UserAttribute& attribute) {
  if (attribute.name.empty() || attribute.origin.empty()) {
    return refuse(messages::kUserPropertyUpdateFailed, "User property must have a name and an origin");
  }
  return run("INSERT OR REPLACE INTO user_attributes (name, origin, set_timestamp, value) VALUES (?, ?, ?, ?)",
             {Value(attribute.name), Value(attribute.origin), Value(attribute.lastSetTimestamp),
              storedCounterValue(attribute.value)},
             messages::kUserPropertyUpdateFailed, "Failed to update user property");
}

ErrorOr<void> MeasurementDatabase::deleteUserAttributeWithName(const std::string& name) {
  return run("DELETE FROM user_attributes WHERE name = ?", {Value(name)}, messages::kUserPropertyDeletionFailed,
             "Failed to delete user property");
}

ErrorOr<std::int64_t> MeasurementDatabase::publicUserAttributeCount() {
  return scalar("SELECT count(*) FROM user_attributes WHERE substr(name, 1, 1) != '_'", {},
                messages::kUserPropertyCountFailed, "Failed to count user properties");
}

ErrorOr<std::int64_t> MeasurementDatabase::userAttributeCountForOrigin(const std::string& origin) {
  return scalar("SELECT count(*) FROM user_attributes WHERE origin = ?", {Value(origin)},
                messages::kUserPropertyCountFailed, "Failed to count user properties");
}

ErrorOr<std::vector<UserAttribute>> MeasurementDatabase::userAttributesIncludingInternal(bool includingInternal) {
  auto rows = query(includingInternal ? "SELECT * FROM user_attributes ORDER BY rowid"
                                      : "SELECT * FROM user_attributes WHERE substr(name, 1, 1) != '_' ORDER BY rowid",
                    {}, messages::kUserPropertiesReadFailed, "Failed to read user properties");
  if (!rows) return rows.error();
  return attributesFromRows(*rows);
}

ErrorOr<std::vector<UserAttribute>> MeasurementDatabase::allLifetimeValueUserAttributes() {
  auto rows = query("SELECT * FROM user_attributes WHERE substr(name, 1, 5) = '_ltv_' ORDER BY set_timestamp DESC", {},
                    messages::kUserPropertiesReadFailed, "Failed to read lifetime value user properties");
  if (!rows) return rows.error();
  return attributesFromRows(*rows);
}

ErrorOr<std::optional<EventAggregates>> MeasurementDatabase::eventAggregatesWithName(const std::string& name) {
  auto rows = query("SELECT * FROM events WHERE name = ?", {Value(name)}, messages::kEventAggregatesQueryFailed,
                    "Failed to query event aggregates");
  if (!rows) return rows.error();
  if (rows->empty()) return std::nullopt;
  return aggregatesFromRow(rows->front());
}

ErrorOr<void> MeasurementDatabase::updateEventAggregates(const EventAggregates& a) {
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

ErrorOr<std::vector<EventAggregates>> MeasurementDatabase::allEventAggregates() {
  auto rows = query("SELECT * FROM events ORDER BY rowid", {}, messages::kEventAggregatesQueryFailed,
                    "Failed to read event aggregates");
  if (!rows) return rows.error();
  std::vector<EventAggregates> all;
  for (const auto& row : *rows) all.push_back(aggregatesFromRow(row));
  return all;
}

ErrorOr<void> MeasurementDatabase::clearCurrentSessionCounts() {
  return run("UPDATE events SET current_session_count = 0", {}, messages::kSessionCountsClearFailed,
             "Failed to clear session counts");
}

ErrorOr<std::int64_t> MeasurementDatabase::publicEventCount() {
  return scalar("SELECT count(*) FROM events WHERE substr(name, 1, 1) != '_'", {}, messages::kEventCountFailed,
                "Failed to count events");
}

ErrorOr<DailyCounts> MeasurementDatabase::dailyCounts() {
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

ErrorOr<void> MeasurementDatabase::updateDailyCounts(const DailyCounts& c) {
  return run(
      "INSERT OR REPLACE INTO daily_counts (id, day, conversions_count, all_events_count, public_events_count, "
      "error_events_count, realtime_count) VALUES (1, ?, ?, ?, ?, ?, ?)",
      {Value(c.day), Value(c.conversionsCount), Value(c.allEventsCount), Value(c.publicEventsCount),
       Value(c.errorEventsCount), Value(c.realtimeCount)},
      messages::kDailyCountsUpdateFailed, "Failed to update daily counts");
}

}  // namespace sdk::analytics

