// Audience filters and their results.
#include "sdk/analytics/foundation/APMDatabase.h"

#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBAudience.h"

using platform::foundation::Data;
using platform::foundation::Value;

namespace {

Data blobOf(const Value& value) { return value.data() ? *value.data() : Data(); }

// Flags as the stored message has them: event filters at indices 7, 5, 6 (tags 8, 6, 7), property
// filters at 5, 3, 4 (tags 6, 4, 5): session scoped, dynamic, sequence.
template <typename Message>
void readFlags(const Data& data, int sessionIndex, int dynamicIndex, int sequenceIndex, bool& session, bool& dynamic,
               bool& sequence) {
  auto message = Message::initWithBuffer(data);
  if (!message) return;
  session = APMNanoGetBool(*message, sessionIndex);
  dynamic = APMNanoGetBool(*message, dynamicIndex);
  sequence = APMNanoGetBool(*message, sequenceIndex);
}

APMFilterResult resultFromRow(const APMSqliteStore::Row& row) {
  return {static_cast<std::int32_t>(row.at("audience_id").toInt64()), blobOf(row.at("current_results")),
          blobOf(row.at("previous_results"))};
}

}  // namespace

std::optional<std::vector<APMEventFilter>> APMDatabase::eventFiltersForEventName(const std::string& eventName,
                                                                                Error* error) {
  if (eventName.empty()) return refuse(12070, "Event name must not be empty", error), std::nullopt;
  auto rows = query("SELECT * FROM event_filters WHERE event_name = ? ORDER BY audience_id, filter_id",
                    {Value(eventName)}, 12071, "Failed to read event filters", error);
  if (!rows) return std::nullopt;
  std::vector<APMEventFilter> filters;
  for (const Row& row : *rows) {
    APMEventFilter filter{static_cast<std::int32_t>(row.at("audience_id").toInt64()),
                          static_cast<std::int32_t>(row.at("filter_id").toInt64()), row.at("event_name").toString(),
                          blobOf(row.at("data"))};
    readFlags<APMPBEventFilter>(filter.data, 7, 5, 6, filter.isSessionScoped, filter.isDynamic, filter.isSequence);
    filters.push_back(std::move(filter));
  }
  return filters;
}

std::optional<std::vector<APMPropertyFilter>> APMDatabase::propertyFiltersForPropertyName(
    const std::string& propertyName, Error* error) {
  if (propertyName.empty()) return refuse(12070, "Property name must not be empty", error), std::nullopt;
  auto rows = query("SELECT * FROM property_filters WHERE property_name = ? ORDER BY audience_id, filter_id",
                    {Value(propertyName)}, 12072, "Failed to read property filters", error);
  if (!rows) return std::nullopt;
  std::vector<APMPropertyFilter> filters;
  for (const Row& row : *rows) {
    APMPropertyFilter filter{static_cast<std::int32_t>(row.at("audience_id").toInt64()),
                             static_cast<std::int32_t>(row.at("filter_id").toInt64()),
                             row.at("property_name").toString(), blobOf(row.at("data"))};
    readFlags<APMPBPropertyFilter>(filter.data, 5, 3, 4, filter.isSessionScoped, filter.isDynamic, filter.isSequence);
    filters.push_back(std::move(filter));
  }
  return filters;
}

std::optional<APMFilterResult> APMDatabase::filterResultForAudienceID(std::int32_t audienceID, Error* error) {
  auto rows = query("SELECT * FROM audience_filter_values WHERE audience_id = ?", {Value(audienceID)}, 12073,
                    "Failed to read audience results", error);
  if (!rows || rows->empty()) return std::nullopt;
  return resultFromRow(rows->front());
}

std::optional<std::map<std::int32_t, APMFilterResult>> APMDatabase::allFilterResults(Error* error) {
  auto rows = query("SELECT * FROM audience_filter_values", {}, 12073, "Failed to read audience results", error);
  if (!rows) return std::nullopt;
  std::map<std::int32_t, APMFilterResult> results;
  for (const Row& row : *rows) {
    APMFilterResult result = resultFromRow(row);
    results.emplace(result.audienceID, std::move(result));
  }
  return results;
}

std::optional<std::vector<std::int32_t>> APMDatabase::allAudienceIDs(Error* error) {
  auto rows = query("SELECT audience_id FROM event_filters UNION SELECT audience_id FROM property_filters", {}, 12074,
                    "Failed to read audience IDs", error);
  if (!rows) return std::nullopt;
  std::vector<std::int32_t> ids;
  for (const Row& row : *rows) ids.push_back(static_cast<std::int32_t>(row.at("audience_id").toInt64()));
  return ids;
}

std::optional<std::map<std::int32_t, std::vector<std::int32_t>>> APMDatabase::allSessionScopedFilters(Error* error) {
  auto rows = query(
      "SELECT audience_id, filter_id FROM event_filters WHERE session_scoped = 1 "
      "UNION ALL SELECT audience_id, filter_id FROM property_filters WHERE session_scoped = 1",
      {}, 12075, "Failed to read session-scoped filters", error);
  if (!rows) return std::nullopt;
  std::map<std::int32_t, std::vector<std::int32_t>> filters;
  for (const Row& row : *rows) {
    filters[static_cast<std::int32_t>(row.at("audience_id").toInt64())].push_back(
        static_cast<std::int32_t>(row.at("filter_id").toInt64()));
  }
  return filters;
}

bool APMDatabase::updateFilterResults(const std::vector<APMFilterResult>& results, Error* error) {
  if (results.empty()) return refuse(12076, "No audience results to store", error);
  return performTransaction([&] {
    for (const APMFilterResult& result : results) {
      if (!execute("INSERT OR REPLACE INTO audience_filter_values (audience_id, current_results, previous_results) "
                   "VALUES (?, ?, ?)",
                   {Value(result.audienceID), Value::data(result.currentResults), Value::data(result.previousResults)},
                   12076, "Failed to store audience results", error)) {
        return false;
      }
    }
    return true;
  });
}

bool APMDatabase::deleteFilterResults(const std::vector<APMFilterResult>& results, Error* error) {
  return performTransaction([&] {
    for (const APMFilterResult& result : results) {
      if (!execute("DELETE FROM audience_filter_values WHERE audience_id = ?", {Value(result.audienceID)}, 12077,
                   "Failed to delete audience results", error)) {
        return false;
      }
    }
    return true;
  });
}

bool APMDatabase::updateEventFilters(const std::vector<APMEventFilter>& filters, Error* error) {
  FiltersChange change{filterWrites_};
  if (filters.empty()) return refuse(12078, "No event filters to store", error);
  for (const APMEventFilter& filter : filters) {
    if (filter.eventName.empty() || filter.data.empty()) return refuse(12078, "Event filter without name or data", error);
  }
  return performTransaction([&] {
    for (const APMEventFilter& f : filters) {
      if (!execute("INSERT OR REPLACE INTO event_filters (audience_id, filter_id, event_name, data, session_scoped) "
                   "VALUES (?, ?, ?, ?, ?)",
                   {Value(f.audienceID), Value(f.filterID), Value(f.eventName), Value::data(f.data),
                    Value(std::int64_t{f.isSessionScoped})},
                   12078, "Failed to store event filters", error)) {
        return false;
      }
    }
    return true;
  });
}

bool APMDatabase::updatePropertyFilters(const std::vector<APMPropertyFilter>& filters, Error* error) {
  FiltersChange change{filterWrites_};
  if (filters.empty()) return refuse(12079, "No property filters to store", error);
  for (const APMPropertyFilter& filter : filters) {
    if (filter.propertyName.empty() || filter.data.empty()) {
      return refuse(12079, "Property filter without name or data", error);
    }
  }
  return performTransaction([&] {
    for (const APMPropertyFilter& f : filters) {
      if (!execute("INSERT OR REPLACE INTO property_filters (audience_id, filter_id, property_name, data, "
                   "session_scoped) VALUES (?, ?, ?, ?, ?)",
                   {Value(f.audienceID), Value(f.filterID), Value(f.propertyName), Value::data(f.data),
                    Value(std::int64_t{f.isSessionScoped})},
                   12079, "Failed to store property filters", error)) {
        return false;
      }
    }
    return true;
  });
}

bool APMDatabase::deleteAllEventFilters(Error* error) {
  FiltersChange change{filterWrites_};
  return execute("DELETE FROM event_filters", {}, 12080, "Failed to delete event filters", error).has_value();
}

bool APMDatabase::deleteAllPropertyFilters(Error* error) {
  FiltersChange change{filterWrites_};
  return execute("DELETE FROM property_filters", {}, 12080, "Failed to delete property filters", error).has_value();
}

std::uint64_t APMDatabase::audienceFiltersVersion() const {
  return filterWrites_.load(std::memory_order_relaxed) + store_->rollbackCount();
}
