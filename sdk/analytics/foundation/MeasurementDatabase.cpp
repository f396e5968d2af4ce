#include "sdk/analytics/foundation/MeasurementDatabase.h"

#include <sqlite3.h>

#include <filesystem>
#include <initializer_list>
#include <utility>

#include "platform/foundation/Clock.h"
#include "platform/foundation/DatabaseSideFiles.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/NumericUtil.h"

namespace sdk::analytics {

using platform::foundation::ErrorOr;
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
      // How many raw_events rows there are, kept by the triggers below; no row: not counted yet.
      {"raw_events_count", {{"id", "INTEGER PRIMARY KEY CHECK (id = 1)"}, {"count", "INTEGER NOT NULL"}}},
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
      // Where the next evaluation of an event name's (kind 0) or a property name's (kind 1) filters
      // starts, so that a process evaluating a few events a start still reaches the last of a list.
      {"audience_walk_starts",
       {{"kind", "INTEGER NOT NULL"}, {"name", "TEXT NOT NULL"}, {"audience_id", "INTEGER NOT NULL"},
        {"filter_id", "INTEGER NOT NULL"}, {"PRIMARY", "KEY (kind, name)"}}},
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

MeasurementDatabase::MeasurementDatabase(const std::shared_ptr<SqliteStore>& store,
                                         std::shared_ptr<PersistedConfig> persistedConfig)
    : UserAttributeTable(store),
      EventCounterTables(store),
      RawEventTables(store, Settings().maxEventsStored),
      BundleQueueTable(store),
      PurchaseTables(store),
      AppMetadataTable(store),
      RemoteConfigTable(store),
      AudienceFilterTables(store),
      ConditionalPropertyTable(store),
      statements_(store),
      persistedConfig_(std::move(persistedConfig)) {}

void MeasurementDatabase::setSettings(Settings settings) {
  settings_ = std::move(settings);
  setMaxEventsStored(settings_.maxEventsStored);
}

ErrorOr<std::shared_ptr<MeasurementDatabase>> MeasurementDatabase::initWithDatabaseName(
    const std::string& name, std::shared_ptr<PersistedConfig> persistedConfig) {
  std::string path = measurementDirectoryFilePath(name);
  if (name.empty() || path.empty()) return measurementErrorWithCode(12000, "Unable to find the database path");
  return initWithDatabasePath(path, std::move(persistedConfig));
}

ErrorOr<std::shared_ptr<MeasurementDatabase>> MeasurementDatabase::initWithDatabasePath(
    const std::string& path, std::shared_ptr<PersistedConfig> persistedConfig) {
  auto store = SqliteStore::initWithDatabasePath(path);
  if (!store) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDatabaseOpenFailed,
                                    "Unable to open database. Error", Value(store.error().localizedDescription()));
    return store.error();
  }
  std::shared_ptr<MeasurementDatabase> database(
      new MeasurementDatabase(std::move(store).value(), std::move(persistedConfig)));
  TRY(database->ensureSchema());
  // Best effort: a database that stays in backups still works.
  (void)excludePathFromBackup(path);
  return database;
}

ErrorOr<void> MeasurementDatabase::ensureSchema() {
  // One transaction: a first start creates every table and index with one sync instead of one each,
  // and a later start, which finds them all, writes nothing.
  std::optional<Error> failure;
  auto done = statements_.store().performTransaction([&] {
    auto made = ensureTablesAndIndexes();
    if (!made) failure = std::move(made).releaseError();
    return !failure;
  });
  if (failure) return *failure;
  return done;
}

ErrorOr<void> MeasurementDatabase::ensureTablesAndIndexes() {
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
    if (auto made = statements_.store().ensureTableWithName(table, plain); !made) {
      Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDatabaseTableCreationFailed,
                                      "Unable to create table. Table, error", Value(table),
                                      Value(made.error().localizedDescription()));
      return made;
    }
  }
  // The upload schedule asks after every stored event for the newest raw event and bundle and for
  // real-time ones, and bundling reads each group by its metadata fingerprint and asks whether any
  // are left: without these each question reads the whole table, so storing and bundling events grew
  // quadratic (a queued bundle's columns sit behind its data, so a scan of the queue read every
  // bundle waiting for a connection). Created here, they also reach databases made before they existed.
  for (const auto& [table, statement] : std::initializer_list<std::pair<const char*, const char*>>{
           {"raw_events", "CREATE INDEX IF NOT EXISTS raw_events_timestamp ON raw_events (timestamp)"},
           {"raw_events", "CREATE INDEX IF NOT EXISTS raw_events_realtime ON raw_events (realtime) WHERE realtime = 1"},
           {"raw_events",
            "CREATE INDEX IF NOT EXISTS raw_events_metadata_fingerprint ON raw_events (metadata_fingerprint)"},
           {"queue", "CREATE INDEX IF NOT EXISTS queue_bundle_end_timestamp ON queue (bundle_end_timestamp)"},
           {"queue", "CREATE INDEX IF NOT EXISTS queue_realtime ON queue (realtime) WHERE realtime = 1"},
           // The storage cap needs the number of raw events before every insert, and counting them
           // reads the whole table. Kept by triggers, the count follows every insert and delete,
           // whoever makes it, and a rollback takes its changes back with the rows'.
           {"raw_events_count",
            "CREATE TRIGGER IF NOT EXISTS raw_events_counted_insert AFTER INSERT ON raw_events BEGIN "
            "UPDATE raw_events_count SET count = count + 1 WHERE id = 1; END"},
           {"raw_events_count",
            "CREATE TRIGGER IF NOT EXISTS raw_events_counted_delete AFTER DELETE ON raw_events BEGIN "
            "UPDATE raw_events_count SET count = count - 1 WHERE id = 1; END"}}) {
    if (auto made = statements_.store().executeStatement(statement, {}); !made) {
      Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kDatabaseTableCreationFailed,
                                      "Unable to create table. Table, error", Value(table),
                                      Value(made.error().localizedDescription()));
      return made.error();
    }
  }
  return {};
}

ErrorOr<void> MeasurementDatabase::reset() {
  FiltersChange change{filterWrites_};
  return statements_.inTransaction([&]() -> ErrorOr<void> {
    for (const auto& [table, _] : tables()) {
      TRY(statements_.run("DELETE FROM " + table, {}, messages::kDatabaseResetFailed, "Failed to reset database"));
    }
    return {};
  });
}

bool MeasurementDatabase::performTransaction(const std::function<bool()>& block) {
  return statements_.transaction(block).ok();
}

bool MeasurementDatabase::performTransactionFlushedLater(const std::function<bool()>& block) {
  auto done = statements_.store().performTransactionFlushedLater(block);
  if (!done) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionFailed,
                                    "Transaction failed. " + done.error().localizedDescription());
  }
  return done.ok();
}

void MeasurementDatabase::flushLog() {
  if (auto flushed = statements_.store().flushLog(); !flushed) {
    Monitor::shared()->logWithLevel(LogLevel::kMonitoredError, messages::kTransactionFailed,
                                    "Transaction failed. " + flushed.error().localizedDescription());
  }
}

ErrorOr<std::int64_t> MeasurementDatabase::maybeDeleteStaleData() {
  double now = platform::foundation::Clock::current()->now();
  auto rows = TRY(statements_.query("SELECT value FROM database_metadata WHERE key = 'last_stale_data_deletion'", {},
                                    messages::kStaleDataDeletionTimeReadFailed,
                                    "Failed to read the last stale data deletion time"));
  double last = rows.empty() ? 0 : rows.front().at("value").toDouble();
  // A time in the future (the clock was set back) does not postpone the look for ever.
  if (last > 0 && last <= now && now - last < settings_.staleDataDeletionInterval()) return std::int64_t{0};
  double cutoff = now - settings_.maxQueueTime();
  std::int64_t staleBundles = 0, staleEvents = 0;
  TRY(statements_.inTransaction([&]() -> ErrorOr<void> {
    // All three run even when one fails, as each reports its own failure.
    auto bundles = statements_.execute("DELETE FROM queue WHERE bundle_end_timestamp < ?",
                                       {Value(NumericUtil::millisecondsFromSeconds(cutoff))},
                                       messages::kStaleDataDeletionFailed, "Failed to delete stale bundles");
    auto events = statements_.execute("DELETE FROM raw_events WHERE timestamp < ?", {Value(cutoff)},
                                      messages::kStaleDataDeletionFailed, "Failed to delete stale raw events");
    auto metadata = statements_.execute(
        "DELETE FROM raw_events_metadata WHERE metadata_fingerprint NOT IN (SELECT metadata_fingerprint FROM "
        "raw_events)",
        {}, messages::kStaleDataDeletionFailed, "Failed to delete stale raw event metadata");
    if (!metadata) return metadata.error();
    if (!events) return events.error();
    if (!bundles) return bundles.error();
    staleBundles = *bundles;
    staleEvents = *events;
    return statements_.run(
        "INSERT OR REPLACE INTO database_metadata (key, value) VALUES ('last_stale_data_deletion', ?)", {Value(now)},
        messages::kStaleDataDeletionFailed, "Failed to record the stale data deletion time");
  }));
  const std::int64_t deleted = staleBundles + staleEvents;
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

ErrorOr<MeasurementDatabase::StoredDataSummary> MeasurementDatabase::storedDataSummary() {
  auto rows = TRY(statements_.query(
      "SELECT EXISTS (SELECT 1 FROM queue) AS bundles, EXISTS (SELECT 1 FROM raw_events) AS events, "
      "(SELECT MAX(timestamp) FROM raw_events) AS latest_event, (SELECT MAX(bundle_end_timestamp) FROM queue) AS "
      "latest_bundle, EXISTS (SELECT 1 FROM queue WHERE realtime = 1) AS realtime_bundles, EXISTS (SELECT 1 FROM "
      "raw_events WHERE realtime = 1) AS realtime_events",
      {}, messages::kStoredDataSummaryQueryFailed, "Failed to query the stored data"));
  StoredDataSummary summary;
  if (rows.empty()) return summary;
  const Row& row = rows.front();
  summary.hasQueuedBundles = row.at("bundles").toBool();
  summary.hasRawEvents = row.at("events").toBool();
  if (row.at("latest_event").isNumber()) summary.latestRawEventTime = row.at("latest_event").toDouble();
  if (row.at("latest_bundle").isNumber()) summary.latestBundleTime = row.at("latest_bundle").toInt64();
  summary.hasRealtimeBundles = row.at("realtime_bundles").toBool();
  summary.hasRealtimeRawEvents = row.at("realtime_events").toBool();
  return summary;
}

std::optional<double> MeasurementDatabase::latestEventTimeInFile(const std::string& path, double bound) {
  std::error_code missing;
  if (!std::filesystem::is_regular_file(path, missing)) return std::nullopt;  // never made by a read
  // SQLite would wait on a FIFO at the journal for ever; the store's own open names what stands there.
  if (!platform::foundation::DatabaseSideFiles::strangersBeside(path).empty()) return std::nullopt;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(db);
    return std::nullopt;
  }
  sqlite3_busy_timeout(db, 1000);
  // Each on its own: a table an older file lacks, or a damaged page, costs only its own answer.
  static constexpr const char* kLatestTimes[] = {
      "SELECT MAX(timestamp) FROM raw_events WHERE timestamp <= ?1",
      "SELECT MAX(bundle_end_timestamp) / 1000.0 FROM queue WHERE bundle_end_timestamp <= ?1 * 1000",
      "SELECT MAX(last_fire_timestamp) FROM events WHERE last_fire_timestamp <= ?1",
      "SELECT MAX(last_bundle_end_timestamp) FROM app_metadata WHERE last_bundle_end_timestamp <= ?1",
  };
  std::optional<double> latest;
  for (const char* sql : kLatestTimes) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_bind_double(statement, 1, bound) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW &&
        sqlite3_column_type(statement, 0) != SQLITE_NULL) {
      const double time = sqlite3_column_double(statement, 0);
      if (time <= bound && (!latest || time > *latest)) latest = time;
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close_v2(db);
  return latest;
}

}  // namespace sdk::analytics
