#include "sdk/analytics/foundation/AudienceFilterTables.h"

#include "sdk/analytics/foundation/AudienceFieldIndices.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"

namespace sdk::analytics {

using platform::foundation::Data;
using platform::foundation::ErrorOr;
using platform::foundation::Value;

namespace {

Data blobOf(const Value& value) { return value.data() ? *value.data() : Data(); }

// Flags as the stored message has them (the rows keep none of their own): session scoped, dynamic, sequence.
template <typename Message>
void readFlags(const Data& data, int sessionIndex, int dynamicIndex, int sequenceIndex, bool& session, bool& dynamic,
               bool& sequence) {
  auto message = Message::initWithBuffer(data);
  if (!message) return;
  session = nanoGetBool(*message, sessionIndex);
  dynamic = nanoGetBool(*message, dynamicIndex);
  sequence = nanoGetBool(*message, sequenceIndex);
}

StoredFilterResults resultFromRow(const SqliteStore::Row& row) {
  return {static_cast<std::int32_t>(row.at("audience_id").toInt64()), blobOf(row.at("current_results")),
          blobOf(row.at("previous_results"))};
}

}  // namespace

ErrorOr<std::vector<StoredEventFilter>> AudienceFilterTables::eventFiltersForEventName(const std::string& eventName) {
  if (eventName.empty()) return refuse(messages::kFilterNameEmpty, "Event name must not be empty");
  auto rows = query("SELECT * FROM event_filters WHERE event_name = ? ORDER BY audience_id, filter_id",
                    {Value(eventName)}, messages::kEventFiltersReadFailed, "Failed to read event filters");
  if (!rows) return rows.error();
  std::vector<StoredEventFilter> filters;
  for (const Row& row : *rows) {
    StoredEventFilter filter{static_cast<std::int32_t>(row.at("audience_id").toInt64()),
                          static_cast<std::int32_t>(row.at("filter_id").toInt64()), row.at("event_name").toString(),
                          blobOf(row.at("data"))};
    readFlags<ProtoEventFilter>(filter.data, audience_fields::kEventFilterSessionScoped, audience_fields::kEventFilterDynamic,
                                audience_fields::kEventFilterSequence, filter.isSessionScoped, filter.isDynamic,
                                filter.isSequence);
    filters.push_back(std::move(filter));
  }
  return filters;
}

ErrorOr<std::vector<StoredPropertyFilter>> AudienceFilterTables::propertyFiltersForPropertyName(
    const std::string& propertyName) {
  if (propertyName.empty()) return refuse(messages::kFilterNameEmpty, "Property name must not be empty");
  auto rows = query("SELECT * FROM property_filters WHERE property_name = ? ORDER BY audience_id, filter_id",
                    {Value(propertyName)}, messages::kPropertyFiltersReadFailed, "Failed to read property filters");
  if (!rows) return rows.error();
  std::vector<StoredPropertyFilter> filters;
  for (const Row& row : *rows) {
    StoredPropertyFilter filter{static_cast<std::int32_t>(row.at("audience_id").toInt64()),
                             static_cast<std::int32_t>(row.at("filter_id").toInt64()),
                             row.at("property_name").toString(), blobOf(row.at("data"))};
    readFlags<ProtoPropertyFilter>(filter.data, audience_fields::kPropertyFilterSessionScoped,
                                   audience_fields::kPropertyFilterDynamic, audience_fields::kPropertyFilterSequence,
                                   filter.isSessionScoped, filter.isDynamic, filter.isSequence);
    filters.push_back(std::move(filter));
  }
  return filters;
}

ErrorOr<std::optional<StoredFilterResults>> AudienceFilterTables::filterResultForAudienceID(std::int32_t audienceID) {
  auto rows = query("SELECT * FROM audience_filter_values WHERE audience_id = ?", {Value(audienceID)},
                    messages::kAudienceResultsReadFailed, "Failed to read audience results");
  if (!rows) return rows.error();
  if (rows->empty()) return std::nullopt;
  return resultFromRow(rows->front());
}

ErrorOr<std::map<std::int32_t, StoredFilterResults>> AudienceFilterTables::allFilterResults() {
  auto rows = query("SELECT * FROM audience_filter_values", {}, messages::kAudienceResultsReadFailed,
                    "Failed to read audience results");
  if (!rows) return rows.error();
  std::map<std::int32_t, StoredFilterResults> results;
  for (const Row& row : *rows) {
    StoredFilterResults result = resultFromRow(row);
    results.emplace(result.audienceID, std::move(result));
  }
  return results;
}

ErrorOr<std::vector<std::int32_t>> AudienceFilterTables::allAudienceIDs() {
  auto rows = query("SELECT audience_id FROM event_filters UNION SELECT audience_id FROM property_filters", {},
                    messages::kAudienceIDsReadFailed, "Failed to read audience IDs");
  if (!rows) return rows.error();
  std::vector<std::int32_t> ids;
  for (const Row& row : *rows) ids.push_back(static_cast<std::int32_t>(row.at("audience_id").toInt64()));
  return ids;
}

ErrorOr<std::map<std::int32_t, std::vector<std::int32_t>>> AudienceFilterTables::allSessionScopedFilters() {
  auto rows = query(
      "SELECT audience_id, filter_id FROM event_filters WHERE session_scoped = 1 "
      "UNION ALL SELECT audience_id, filter_id FROM property_filters WHERE session_scoped = 1",
      {}, messages::kSessionScopedFiltersReadFailed, "Failed to read session-scoped filters");
  if (!rows) return rows.error();
  std::map<std::int32_t, std::vector<std::int32_t>> filters;
  for (const Row& row : *rows) {
    filters[static_cast<std::int32_t>(row.at("audience_id").toInt64())].push_back(
        static_cast<std::int32_t>(row.at("filter_id").toInt64()));
  }
  return filters;
}

ErrorOr<void> AudienceFilterTables::updateFilterResults(const std::vector<StoredFilterResults>& results) {
  if (results.empty()) return refuse(messages::kAudienceResultsStoreFailed, "No audience results to store");
  return inTransaction([&]() -> ErrorOr<void> {
    for (const StoredFilterResults& result : results) {
      TRY(
          execute("INSERT OR REPLACE INTO audience_filter_values (audience_id, current_results, previous_results) "
                  "VALUES (?, ?, ?)",
                  {Value(result.audienceID), Value::data(result.currentResults), Value::data(result.previousResults)},
                  messages::kAudienceResultsStoreFailed, "Failed to store audience results"));
    }
    return {};
  });
}

ErrorOr<std::optional<AudienceWalkStart>> AudienceFilterTables::audienceWalkStart(AudienceFilterKind kind,
                                                                                 const std::string& name) {
  auto rows = query("SELECT audience_id, filter_id FROM audience_walk_starts WHERE kind = ? AND name = ?",
                    {Value(static_cast<std::int64_t>(kind)), Value(name)},
                    kind == AudienceFilterKind::Event ? messages::kEventFiltersReadFailed : messages::kPropertyFiltersReadFailed,
                    "Failed to read where audience evaluation starts");
  if (!rows) return rows.error();
  if (rows->empty()) return std::nullopt;
  const Row& row = rows->front();
  return AudienceWalkStart{static_cast<std::int32_t>(row.at("audience_id").toInt64()),
                           static_cast<std::int32_t>(row.at("filter_id").toInt64())};
}

ErrorOr<void> AudienceFilterTables::updateFilterResultsAndWalkStart(const std::vector<StoredFilterResults>& results,
                                                                   AudienceFilterKind kind, const std::string& name,
                                                                   const AudienceWalkStart& start) {
  return inTransaction([&]() -> ErrorOr<void> {
    if (!results.empty()) TRY(updateFilterResults(results));
    TRY(execute("INSERT OR REPLACE INTO audience_walk_starts (kind, name, audience_id, filter_id) VALUES (?, ?, ?, ?)",
                {Value(static_cast<std::int64_t>(kind)), Value(name), Value(start.audienceID), Value(start.filterID)},
                messages::kAudienceResultsStoreFailed, "Failed to store where audience evaluation starts"));
    return {};
  });
}

ErrorOr<void> AudienceFilterTables::deleteFilterResults(const std::vector<StoredFilterResults>& results) {
  return inTransaction([&]() -> ErrorOr<void> {
    for (const StoredFilterResults& result : results) {
      TRY(execute("DELETE FROM audience_filter_values WHERE audience_id = ?", {Value(result.audienceID)},
                  messages::kAudienceResultsDeletionFailed, "Failed to delete audience results"));
    }
    return {};
  });
}

ErrorOr<void> AudienceFilterTables::updateEventFilters(const std::vector<StoredEventFilter>& filters) {
  FiltersChange change{filterWrites_};
  if (filters.empty()) return refuse(messages::kEventFiltersStoreFailed, "No event filters to store");
  for (const StoredEventFilter& filter : filters) {
    if (filter.eventName.empty() || filter.data.empty())
      return refuse(messages::kEventFiltersStoreFailed, "Event filter without name or data");
  }
  return inTransaction([&]() -> ErrorOr<void> {
    for (const StoredEventFilter& f : filters) {
      TRY(
          execute("INSERT OR REPLACE INTO event_filters (audience_id, filter_id, event_name, data, session_scoped) "
                  "VALUES (?, ?, ?, ?, ?)",
                  {Value(f.audienceID), Value(f.filterID), Value(f.eventName), Value::data(f.data),
                   Value(std::int64_t{f.isSessionScoped})},
                  messages::kEventFiltersStoreFailed, "Failed to store event filters"));
    }
    TRY(execute("DELETE FROM audience_walk_starts WHERE kind = 0 AND name NOT IN (SELECT event_name FROM event_filters)",
                {}, messages::kEventFiltersStoreFailed, "Failed to store event filters"));
    return {};
  });
}

ErrorOr<void> AudienceFilterTables::updatePropertyFilters(const std::vector<StoredPropertyFilter>& filters) {
  FiltersChange change{filterWrites_};
  if (filters.empty()) return refuse(messages::kPropertyFiltersStoreFailed, "No property filters to store");
  for (const StoredPropertyFilter& filter : filters) {
    if (filter.propertyName.empty() || filter.data.empty()) {
      return refuse(messages::kPropertyFiltersStoreFailed, "Property filter without name or data");
    }
  }
  return inTransaction([&]() -> ErrorOr<void> {
    for (const StoredPropertyFilter& f : filters) {
      TRY(
          execute("INSERT OR REPLACE INTO property_filters (audience_id, filter_id, property_name, data, "
                  "session_scoped) VALUES (?, ?, ?, ?, ?)",
                  {Value(f.audienceID), Value(f.filterID), Value(f.propertyName), Value::data(f.data),
                   Value(std::int64_t{f.isSessionScoped})},
                  messages::kPropertyFiltersStoreFailed, "Failed to store property filters"));
    }
    TRY(execute("DELETE FROM audience_walk_starts WHERE kind = 1 AND name NOT IN (SELECT property_name FROM property_filters)",
                {}, messages::kPropertyFiltersStoreFailed, "Failed to store property filters"));
    return {};
  });
}

ErrorOr<void> AudienceFilterTables::deleteAllEventFilters() {
  FiltersChange change{filterWrites_};
  return run("DELETE FROM event_filters", {}, messages::kFiltersDeletionFailed, "Failed to delete event filters");
}

ErrorOr<void> AudienceFilterTables::deleteAllPropertyFilters() {
  FiltersChange change{filterWrites_};
  return run("DELETE FROM property_filters", {}, messages::kFiltersDeletionFailed, "Failed to delete property filters");
}

std::uint64_t AudienceFilterTables::audienceFiltersVersion() const {
  return filterWrites_.load(std::memory_order_relaxed) + store().rollbackCount();
}

}  // namespace sdk::analytics
