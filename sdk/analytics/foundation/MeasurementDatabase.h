#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "sdk/analytics/foundation/AppMetadataTable.h"
#include "sdk/analytics/foundation/AudienceFilterTables.h"
#include "sdk/analytics/foundation/BundleQueueTable.h"
#include "sdk/analytics/foundation/ConditionalPropertyTable.h"
#include "sdk/analytics/foundation/EventCounterTables.h"
#include "sdk/analytics/foundation/MeasurementStatements.h"
#include "sdk/analytics/foundation/PurchaseTables.h"
#include "sdk/analytics/foundation/RawEventTables.h"
#include "sdk/analytics/foundation/RemoteConfigTable.h"
#include "sdk/analytics/foundation/SqliteStore.h"
#include "sdk/analytics/foundation/UserAttributeTable.h"

namespace sdk::analytics {

class PersistedConfig;

// The measurement database: one SQLite file in the measurement folder, made of its table groups
// (user properties, event counters, raw events and their metadata, the upload queue, purchase and
// subscription marks, app metadata, the remote configuration, audience filters and results, and
// conditional user properties). It owns the schema, the transactions and what spans the tables.
// Every operation that fails logs a line and returns its error (measurement domain); a look-up that
// finds nothing is not a failure but an empty result.
//
// Rows that can no longer be read (a raw event or queued bundle that does not decode or gunzip) are
// deleted with a data-loss log line as they are met, so one bad row cannot stop the pipeline.
class MeasurementDatabase : public UserAttributeTable,
                            public EventCounterTables,
                            public RawEventTables,
                            public BundleQueueTable,
                            public PurchaseTables,
                            public AppMetadataTable,
                            public RemoteConfigTable,
                            public AudienceFilterTables,
                            public ConditionalPropertyTable {
 public:
  using Error = platform::foundation::Error;
  template <typename T>
  using ErrorOr = platform::foundation::ErrorOr<T>;
  using Row = SqliteStore::Row;

  static constexpr const char* kDatabaseName = "vadeze-app-measurement.sql";

  // The measurement settings the database obeys; the engine installs readers of its own settings.
  struct Settings {
    std::function<std::int64_t()> maxEventsStored = [] { return std::int64_t{100000}; };
    // How often stale data is looked for, and how long a row may wait before it is stale (seconds).
    std::function<double()> staleDataDeletionInterval = [] { return 86400.0; };
    std::function<double()> maxQueueTime = [] { return 2419200.0; };
  };

  // Opens (or makes) the database `name` in the measurement folder.
  static ErrorOr<std::shared_ptr<MeasurementDatabase>> initWithDatabaseName(
      const std::string& name, std::shared_ptr<PersistedConfig> persistedConfig);
  // The same at an explicit path.
  static ErrorOr<std::shared_ptr<MeasurementDatabase>> initWithDatabasePath(
      const std::string& path, std::shared_ptr<PersistedConfig> persistedConfig);
  // The latest time the database file at `path` holds for an event (waiting to be bundled, bundled
  // and queued, or the last time each event name fired) that is not after `bound`; nothing when there is
  // none or the file cannot be read. Read only, with a connection of its own that it closes: it may run
  // before the database is opened.
  static std::optional<double> latestEventTimeInFile(const std::string& path, double bound);

  void setSettings(Settings settings);
  const std::string& databasePath() const { return statements_.store().databasePath(); }
  SqliteStore& store() { return statements_.store(); }

  // --- life and transactions
  ErrorOr<void> reset();
  // The number of stale rows deleted (0 when the interval has not passed since the last look).
  ErrorOr<std::int64_t> maybeDeleteStaleData();
  // Commits when the block returns true; rolls back when it returns false or throws (rethrown).
  // Nests: an inner transaction joins the outer one as a savepoint.
  [[nodiscard]] bool performTransaction(const std::function<bool()>& block);
  // As performTransaction, but the commit reaches the disk with the next flushLog() (or the next
  // commit made with performTransaction), so that a run of commits shares one flush.
  [[nodiscard]] bool performTransactionFlushedLater(const std::function<bool()>& block);
  // Makes every commit so far durable; a failure is logged and the next flush tries again.
  void flushLog();

  // What the upload schedule asks of the stored data after every event, in one read of the database
  // instead of one for each question (the raw events' and the queue's own questions answer each alone).
  struct StoredDataSummary {
    bool hasQueuedBundles = false;
    bool hasRawEvents = false;
    std::optional<double> latestRawEventTime;      // seconds since 1970
    std::optional<std::int64_t> latestBundleTime;  // milliseconds since 1970
    bool hasRealtimeBundles = false;
    bool hasRealtimeRawEvents = false;
  };
  ErrorOr<StoredDataSummary> storedDataSummary();

 private:
  MeasurementDatabase(const std::shared_ptr<SqliteStore>& store, std::shared_ptr<PersistedConfig> persistedConfig);
  ErrorOr<void> ensureSchema();
  ErrorOr<void> ensureTablesAndIndexes();

  MeasurementStatements statements_;
  std::shared_ptr<PersistedConfig> persistedConfig_;
  Settings settings_;
};

}  // namespace sdk::analytics
