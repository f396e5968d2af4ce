#include "sdk/analytics/foundation/MeasurementDatabase.h"

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Value;

namespace {

using Columns = std::vector<std::pair<std::string, std::string>>;

// The schema. Columns may be added to a table later: ensureTableWithName adds what an older file lacks.
const std::vector<std::pair<std::string, Columns>>& tables() {
  static const std::vector<std::pair<std::string, Columns>> all = {
      {"user_attributes",
       {{"name", "TEXT PRIMARY KEY NOT NULL"}, {"origin", "TEXT NOT NULL"}, {"set_timestamp", "REAL NOT NULL"},
        {"value", "BLOB"}}},
      {"events",
       {{"name", "TEXT PRIMARY KEY NOT NULL"}, {"lifetime_count", "INTEGER NOT NULL"},
        {"current_bundle_count", "INTEGER NOT NULL"}, {"current_session_count", "INTEGER NOT NULL"},
        {"last_fire_timestamp", "REAL NOT NULL"}, {"last_bundled_timestamp", "REAL"}, {"last_bundled_day", "INTEGER"},
        {"last_sampling_rate", "INTEGER"}, {"last_sampled_complex_event_id", "INTEGER"},
        {"last_exempt_from_sampling", "INTEGER"}}},
      {"daily_counts",
       {{"id", "INTEGER PRIMARY KEY CHECK (id = 1)"}, {"day", "INTEGER NOT NULL"}, {"conversions_count", "INTEGER"},
        {"all_events_count", "INTEGER"}, {"public_events_count", "INTEGER"}, {"error_events_count", "INTEGER"},
        {"realtime_count", "INTEGER"}}},
      {"raw_events",
       {{"name", "TEXT NOT NULL"}, {"timestamp", "REAL NOT NULL"}, {"metadata_fingerprint", "INTEGER NOT NULL"},
        {"data", "BLOB NOT NULL"}, {"realtime", "INTEGER NOT NULL"}}},
      {"raw_events_metadata", {{"metadata_fingerprint", "INTEGER PRIMARY KEY NOT NULL"}, {"metadata", "BLOB NOT NULL"}}},
      {"queue",
       {{"data", "BLOB NOT NULL"}, {"bundle_end_timestamp", "INTEGER NOT NULL"}, {"realtime", "INTEGER NOT NULL"},
        {"retry_count", "INTEGER NOT NULL DEFAULT 0"}}},
      {"purchases", {{"fingerprint", "TEXT PRIMARY KEY NOT NULL"}}},
      {"subscriptions", {{"subscription_id", "TEXT UNIQUE NOT NULL"}}},
      {"app_metadata",
       {{"id", "INTEGER PRIMARY KEY CHECK (id = 1)"}, {"last_bundle_index", "INTEGER"},
        {"last_bundle_start_timestamp", "REAL"}, {"last_bundle_end_timestamp", "REAL"}}},
      {"remote_config",
       {{"id", "INTEGER PRIMARY KEY CHECK (id = 1)"}, {"config", "BLOB"}, {"last_update_timestamp", "REAL"}}},
      {"event_filters",
       {{"audience_id", "INTEGER NOT NULL"}, {"filter_id", "INTEGER NOT NULL"}, {"event_name", "TEXT NOT NULL"},
        {"data", "BLOB NOT NULL"}, {"session_scoped", "INTEGER"}, {"PRIMARY", "KEY (audience_id, filter_id)"}}},
      {"property_filters",
       {{"audience_id", "INTEGER NOT NULL"}, {"filter_id", "INTEGER NOT NULL"}, {"property_name", "TEXT NOT NULL"},
        {"data", "BLOB NOT NULL"}, {"session_scoped", "INTEGER"}, {"PRIMARY", "KEY (audience_id, filter_id)"}}},
      {"audience_filter_values",
       {{"audience_id", "INTEGER PRIMARY KEY NOT NULL"}, {"current_results", "BLOB"}, {"previous_results", "BLOB"}}},
      {"conditional_properties",
       {{"name", "TEXT PRIMARY KEY NOT NULL"}, {"origin", "TEXT NOT NULL"}, {"value", "BLOB NOT NULL"},
        {"creation_timestamp", "REAL NOT NULL"}, {"active", "INTEGER NOT NULL"}, {"trigger_timeout", "REAL NOT NULL"},
        {"triggered_timestamp", "REAL"}, {"time_to_live", "REAL NOT NULL"}, {"trigger_event_name", "TEXT"},
        {"timed_out_event", "BLOB"}, {"triggered_event", "BLOB"}, {"expired_event", "BLOB"}}},
      {"database_metadata", {{"key", "TEXT PRIMARY KEY NOT NULL"}, {"value", "BLOB"}}},
  };
  return all;
}

}  // namespace

MeasurementDatabase::MeasurementDatabase(std::shared_ptr<SqliteStore> store, std::shared_ptr<PersistedConfig> persistedConfig)
    : store_(std::move(store)), persistedConfig_(std::move(persistedConfig)) {}

std::shared_ptr<MeasurementDatabase> MeasurementDatabase::initWithDatabaseName(const std::string& name,
                                                               std::shared_ptr<PersistedConfig> persistedConfig,
                                                               Error* error) {
  std::string path = measurementDirectoryFilePath(name);
  if (name.empty() || path.empty()) {
    setMeasurementError(error, 12000, "Unable to find the database path");
    return nullptr;
  }
  return initWithDatabasePath(path, std::move(persistedConfig), error);
}

std::shared_ptr<MeasurementDatabase> MeasurementDatabase::initWithDatabasePath(const std::string& path,
                                                               std::shared_ptr<PersistedConfig> persistedConfig,
                                                               Error* error) {
  auto store = SqliteStore::initWithDatabasePath(path, error);
  if (!store) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDatabaseOpenFailed,
                                    "Unable to open database. Error",
                                    Value(error ? error->localizedDescription() : std::string()));
    return nullptr;
  }
  std::shared_ptr<MeasurementDatabase> database(new MeasurementDatabase(std::move(store), std::move(persistedConfig)));
  if (!database->ensureSchema(error)) return nullptr;
  excludePathFromBackup(path, nullptr);
  return database;
}

bool MeasurementDatabase::ensureSchema(Error* error) {
  // One transaction: a first start creates every table and index with one sync instead of one each,
  // and a later start, which finds them all, writes nothing.
  Error failure;
  Error transaction;
  if (store_->performTransaction([&] { return ensureTablesAndIndexes(&failure); }, &transaction)) return true;
  if (error) *error = failure.domain.empty() ? transaction : failure;
  return false;
}

bool MeasurementDatabase::ensureTablesAndIndexes(Error* error) {
  for (const auto& [table, columns] : tables()) {
    Columns plain;
    std::string constraint;
    for (const auto& column : columns) {
      if (column.first == "PRIMARY") {
        constraint = ", PRIMARY " + column.second;
      } else {
        plain.push_back(column);
      }
    }
    // A table-level key goes at the end of the first column list.
    if (!constraint.empty()) plain.back().second += constraint;
    if (!store_->ensureTableWithName(table, plain, error)) {
      Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDatabaseTableCreationFailed,
                                      "Unable to create table. Table, error", Value(table),
                                      Value(error ? error->localizedDescription() : std::string()));
      return false;
    }
  }
  // The upload schedule asks after every stored event for the newest raw event and for real-time
  // ones, and bundling reads each group by its metadata fingerprint and asks whether any are left:
  // without these each question reads the whole table, so storing and bundling events grew
  // quadratic. Created here, they also reach databases made before they existed.
  for (const char* index :
       {"CREATE INDEX IF NOT EXISTS raw_events_timestamp ON raw_events (timestamp)",
        "CREATE INDEX IF NOT EXISTS raw_events_realtime ON raw_events (realtime) WHERE realtime = 1",
        "CREATE INDEX IF NOT EXISTS raw_events_metadata_fingerprint ON raw_events (metadata_fingerprint)"}) {
    if (!store_->executeStatement(index, {}, error)) {
      Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDatabaseTableCreationFailed,
                                      "Unable to create table. Table, error", Value("raw_events"),
                                      Value(error ? error->localizedDescription() : std::string()));
      return false;
    }
  }
  return true;
}

std::optional<std::vector<MeasurementDatabase::Row>> MeasurementDatabase::query(const std::string& sql, const std::vector<Value>& params,
                                                                std::int64_t code, const char* what, Error* error) {
  Error failure;
  auto rows = store_->recordsForQuery(sql, params, &failure);
  if (!rows) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, code, std::string(what) + ". Error", Value(failure.localizedDescription()));
    setMeasurementError(error, code, std::string(what) + ": " + failure.localizedDescription());
  }
  return rows;
}

std::optional<std::int64_t> MeasurementDatabase::execute(const std::string& sql, const std::vector<Value>& params,
                                                 std::int64_t code, const char* what, Error* error) {
  Error failure;
  auto changed = store_->executeStatement(sql, params, &failure);
  if (!changed) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, code, std::string(what) + ". Error", Value(failure.localizedDescription()));
    setMeasurementError(error, code, std::string(what) + ": " + failure.localizedDescription());
  }
  return changed;
}

std::optional<std::int64_t> MeasurementDatabase::scalar(const std::string& sql, const std::vector<Value>& params,
                                                std::int64_t code, const char* what, Error* error) {
  auto rows = query(sql, params, code, what, error);
  if (!rows) return std::nullopt;
  if (rows->empty() || rows->front().empty()) return std::int64_t{0};
  return rows->front().begin()->second.toInt64();
}

bool MeasurementDatabase::refuse(std::int64_t code, const std::string& description, Error* error) {
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, code, description);
  setMeasurementError(error, code, description);
  return false;
}

void MeasurementDatabase::dropUnreadableRow(const char* table, std::int64_t rowID, const std::string& reason) {
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kUnreadableRowDeleted,
                                  std::string("Data loss. Deleting unreadable row. Table, row, reason"), Value(table),
                                  Value(rowID), Value(reason));
  store_->executeStatement(std::string("DELETE FROM ") + table + " WHERE rowid = ?", {Value(rowID)}, nullptr);
}

bool MeasurementDatabase::reset(Error* error) {
  FiltersChange change{filterWrites_};
  return performTransaction([&] {
    for (const auto& [table, _] : tables()) {
      if (!execute("DELETE FROM " + table, {}, messages::kDatabaseResetFailed, "Failed to reset database", error))
        return false;
    }
    return true;
  });
}

bool MeasurementDatabase::performTransaction(const std::function<bool()>& block) {
  Error error;
  if (store_->performTransaction(block, &error)) return true;
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionFailed,
                                  "Transaction failed. " + error.localizedDescription());
  return false;
}

std::optional<std::int64_t> MeasurementDatabase::maybeDeleteStaleData(Error* error) {
  double now = platform::foundation::Clock::current()->now();
  auto rows =
      query("SELECT value FROM database_metadata WHERE key = 'last_stale_data_deletion'", {},
            messages::kStaleDataDeletionTimeReadFailed, "Failed to read the last stale data deletion time", error);
  if (!rows) return std::nullopt;
  double last = rows->empty() ? 0 : rows->front().at("value").toDouble();
  // A time in the future (the clock was set back) does not postpone the look for ever.
  if (last > 0 && last <= now && now - last < settings_.staleDataDeletionInterval()) return std::int64_t{0};
  double cutoff = now - settings_.maxQueueTime();
  std::int64_t deleted = 0, staleBundles = 0, staleEvents = 0;
  bool ok = performTransaction([&] {
    auto bundles =
        execute("DELETE FROM queue WHERE bundle_end_timestamp < ?", {Value(static_cast<std::int64_t>(cutoff * 1000))},
                messages::kStaleDataDeletionFailed, "Failed to delete stale bundles", error);
    auto events = execute("DELETE FROM raw_events WHERE timestamp < ?", {Value(cutoff)},
                          messages::kStaleDataDeletionFailed, "Failed to delete stale raw events", error);
    auto metadata = execute(
        "DELETE FROM raw_events_metadata WHERE metadata_fingerprint NOT IN (SELECT metadata_fingerprint FROM "
        "raw_events)",
        {}, messages::kStaleDataDeletionFailed, "Failed to delete stale raw event metadata", error);
    if (!bundles || !events || !metadata) return false;
    deleted = *bundles + *events;
    staleBundles = *bundles;
    staleEvents = *events;
    return execute("INSERT OR REPLACE INTO database_metadata (key, value) VALUES ('last_stale_data_deletion', ?)",
                   {Value(now)}, messages::kStaleDataDeletionFailed, "Failed to record the stale data deletion time",
                   error)
        .has_value();
  });
  if (!ok) return std::nullopt;
  // Data that never went out is gone for good: the person running the app should learn of it.
  if (deleted > 0) {
    Monitor::shared()->logWithLevel(LogLevel::kWarning, messages::kDataOlderThanUploadWaitDeleted,
                                    "Deleted analytics data older than the longest time it may wait for upload. "
                                    "Bundles, raw events, days",
                                    Value(staleBundles), Value(staleEvents),
                                    Value(static_cast<std::int64_t>(settings_.maxQueueTime() / 86400)));
  }
  return deleted;
}

}  // namespace sdk::analytics

