#include "sdk/analytics/rules/ExperimentsDatabase.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DamagedFile.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Monitor.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/SqliteStore.h"
#include "sdk/analytics/foundation/EngineShortcuts.h"
#include "sdk/analytics/rules/RulesMessageCodes.h"

namespace sdk::analytics {

using platform::foundation::Dictionary;
using platform::foundation::ErrorOr;
using platform::foundation::Value;

using sdk::analytics::errorText;
using sdk::analytics::monitor;

namespace {

constexpr std::int64_t kBadArgument = 1, kInvalidData = 2, kFailed = 3;

const std::vector<std::pair<std::string, std::string>>& columns() {
  static const std::vector<std::pair<std::string, std::string>> all = {
      {"sdk_name", "TEXT NOT NULL PRIMARY KEY"},
      {"snapshotProto", "BLOB NOT NULL"},
      {"timestamp", "REAL NOT NULL"},
      {"manually_activated", "INTEGER"},
  };
  return all;
}

}  // namespace

std::shared_ptr<ExperimentsDatabase> ExperimentsDatabase::initWithPath(const std::string& path) {
  if (path.empty()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseInvalidPath, "Cannot initialize the database with invalid path");
    return nullptr;
  }
  std::shared_ptr<ExperimentsDatabase> database(new ExperimentsDatabase(path));
  if (!database->initializeDatabaseResourcesWithContext("Init")) return nullptr;
  return database;
}

bool ExperimentsDatabase::initializeDatabaseResourcesWithContext(const std::string& context) {
  auto opened = SqliteStore::initWithDatabasePath(path_);
  if (!opened) {
    store_.reset();
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseOpenFailed,
                           "Failed to open database (" + context + ")", errorText(opened.error()));
    return false;
  }
  store_ = std::move(opened).value();
  if (!ensureAllTables()) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseTablesInvalid, "Failed to create or validate required database tables (" + context + ")");
    store_.reset();
    // Out of the way for a fresh file, but kept: what could not be validated may be a newer layout or a
    // damaged page, and the experiments it holds are not this run's to throw away.
    const auto kept = platform::foundation::DamagedFile::keepAside(path_);
    if (!kept.ok() && platform::foundation::AtomicFile::anythingAt(path_)) {
      monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kExperimentsDatabaseFileDeleteFailed,
                             "Failed to delete old database file after failed validation. Error (it could not be "
                             "kept aside: it is " + platform::foundation::AtomicFile::whatStandsAt(path_).words() + ")");
    } else if (kept.ok()) {
      platform::foundation::DamagedFile::reportKept(path_, kept, "experiments database",
                                                    "a fresh one takes its place when it is next opened");
    }
    return false;
  }
  return true;
}

bool ExperimentsDatabase::ensureAllTables() {
  // One commit for the whole schema: a new file is made with one flush of its log instead of one per table.
  auto ensured = store_->performTransaction([&] {
    for (const char* table : {kPendingTable, kActivatedTable, kLaunchedTable}) {
      if (auto result = store_->ensureTableWithName(table, columns()); !result) {
        monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseTableEnsureFailed,
                               "Failed to ensure table. Table, error", Value(table), errorText(result.error()));
        return false;
      }
    }
    return true;
  });
  return ensured.ok();
}

bool ExperimentsDatabase::reset() {
  if (store_ && !store_->closeAndDeleteDatabase()) monitor()->logWithLevel(LogLevel::kMonitoredWarning, messages::kExperimentsDatabaseDataDeleteFailed, "Failed to delete database data");
  store_.reset();
  if (!initializeDatabaseResourcesWithContext("Reset")) {
    monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseReinitialized, "Cannot re-initialize the database");
    return false;
  }
  return true;
}

bool ExperimentsDatabase::performTransaction(const std::function<bool()>& block) {
  if (!store_) return false;
  auto done = store_->performTransaction(block);
  if (done) return true;
  monitor()->logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseTransactionFailed,
                         "Transaction failed. " + done.error().localizedDescription());
  return false;
}

ErrorOr<SqliteStore*> ExperimentsDatabase::openStore() const {
  if (!store_) return measurementErrorWithCode(kFailed, "The experiments database is not open");
  return store_.get();
}

ErrorOr<std::vector<ExperimentSnapshot>> ExperimentsDatabase::snapshotsFromRows(const std::vector<Dictionary>& rows) {
  std::vector<ExperimentSnapshot> snapshots;
  for (const Dictionary& row : rows) {
    auto found = row.find("snapshotProto");
    const platform::foundation::Data* data = found == row.end() ? nullptr : found->second.data();
    auto message = data ? ProtoSnapshot::initWithBuffer(*data) : nullptr;
    auto snapshot = message ? ExperimentSnapshot::initWithProtobuf(*message) : std::nullopt;
    if (!snapshot) return measurementErrorWithCode(kInvalidData, "Received an invalid snapshot from database");
    if (auto timestamp = row.find("timestamp"); timestamp != row.end()) {
      snapshot->setTimestamp(timestamp->second.toDouble());
    }
    if (auto manual = row.find("manually_activated"); manual != row.end() && manual->second.isNumber()) {
      snapshot->setManuallyActivated(manual->second.toBool());
    }
    snapshots.push_back(std::move(*snapshot));
  }
  return snapshots;
}

ErrorOr<std::vector<ExperimentSnapshot>> ExperimentsDatabase::fetchSnapshots(const std::string& table) {
  auto* store = TRY(openStore());
  auto rows = TRY(store->recordsForQuery(
      "SELECT rowid, * FROM " + table + " ORDER BY rowid LIMIT " + std::to_string(kFetchLimit), {}));
  return snapshotsFromRows(rows);
}

ErrorOr<std::vector<ExperimentSnapshot>> ExperimentsDatabase::fetchAllActivatedSnapshots() {
  return fetchSnapshots(kActivatedTable);
}
ErrorOr<std::vector<ExperimentSnapshot>> ExperimentsDatabase::fetchAllPendingSnapshots() {
  return fetchSnapshots(kPendingTable);
}
ErrorOr<std::vector<ExperimentSnapshot>> ExperimentsDatabase::fetchAllLaunchedSnapshots() {
  return fetchSnapshots(kLaunchedTable);
}

ErrorOr<void> ExperimentsDatabase::upsertSnapshot(const ProtoSnapshot& snapshot, const std::string& table, double timestamp,
                                                  std::optional<bool> manuallyActivated) {
  auto* store = TRY(openStore());
  Dictionary record{{"sdk_name", Value(nanoGetString(snapshot, 0).value_or(""))},
                    {"timestamp", Value(timestamp)},
                    {"snapshotProto", Value::data(snapshot.protoBuffer())}};
  if (manuallyActivated) record["manually_activated"] = Value(static_cast<std::int64_t>(*manuallyActivated));
  return store->upsertRecord(record, table);
}

ErrorOr<void> ExperimentsDatabase::upsertPendingExperimentSnapshots(const std::vector<ExperimentSnapshot>& snapshots) {
  for (const ExperimentSnapshot& snapshot : snapshots) {
    TRY(upsertSnapshot(*snapshot.proto(), kPendingTable, snapshot.timestamp(), snapshot.manuallyActivated()));
  }
  return {};
}

ErrorOr<void> ExperimentsDatabase::activateSnapshot(const std::optional<ExperimentSnapshot>& pending, double timestamp) {
  if (!pending) return measurementErrorWithCode(kBadArgument, "Received nil pending snapshot");
  auto* store = TRY(openStore());
  std::optional<Experiment> launched;
  std::vector<Experiment> others;
  for (const Experiment& experiment : pending->experiments()) {
    if (experiment.experimentID() == 0) {
      launched = experiment;
    } else {
      others.push_back(experiment);
    }
  }
  // A part that cannot be made a snapshot of its own (the SDK name is logged as invalid) stops the
  // activation with the reason the log gives.
  auto part = [&](std::vector<Experiment> experiments, const char* table) -> ErrorOr<void> {
    auto snapshot = ExperimentSnapshot::initWithSDKName(pending->SDKName(), std::move(experiments));
    if (!snapshot) return measurementErrorWithCode(kInvalidData, "Cannot create snapshot with an invalid SDK name");
    return upsertSnapshot(*snapshot->proto(), table, timestamp, std::nullopt);
  };
  if (launched) TRY(part({*launched}, kLaunchedTable));
  if (!others.empty()) TRY(part(others, kActivatedTable));
  TRY(store->deleteRecordsFromTableWithName(kPendingTable, "sdk_name = ? AND timestamp <= ?",
                                            {Value(pending->SDKName()), Value(timestamp)}));
  return {};
}

ErrorOr<void> ExperimentsDatabase::activatePendingSnapshotsAutomatically() {
  auto* store = TRY(openStore());
  auto rows = TRY(store->recordsForQuery(
      std::string("SELECT rowid,* FROM ") + kPendingTable + " WHERE NOT manually_activated = ? ORDER BY rowid",
      {Value(std::int64_t{1})}));
  for (const Dictionary& row : rows) {
    auto snapshots = TRY(snapshotsFromRows({row}));
    const ExperimentSnapshot& snapshot = snapshots.front();
    TRY(activateSnapshot(snapshot, snapshot.timestamp()));
    TRY(deletePendingExperimentsOfSDKName(snapshot.SDKName()));
  }
  return {};
}

ErrorOr<void> ExperimentsDatabase::deleteStaleActivatedSnapshots() {
  auto* store = TRY(openStore());
  double cutoff = platform::foundation::Clock::current()->now() - kStaleActivatedAge;
  TRY(store->deleteRecordsFromTableWithName(kActivatedTable, "timestamp <= ?", {Value(cutoff)}));
  return {};
}

ErrorOr<void> ExperimentsDatabase::deleteExperimentsOfSDKName(const std::string& sdkName, const std::string& table) {
  if (sdkName.empty()) return measurementErrorWithCode(kBadArgument, "Received empty SDK Name");
  auto* store = TRY(openStore());
  return store->deleteRecordFromTableWithName(table, "sdk_name", Value(sdkName));
}

ErrorOr<void> ExperimentsDatabase::deleteActivatedExperimentsOfSDKName(const std::string& sdkName) {
  return deleteExperimentsOfSDKName(sdkName, kActivatedTable);
}
ErrorOr<void> ExperimentsDatabase::deletePendingExperimentsOfSDKName(const std::string& sdkName) {
  return deleteExperimentsOfSDKName(sdkName, kPendingTable);
}
ErrorOr<void> ExperimentsDatabase::deleteLaunchedExperimentSDKName(const std::string& sdkName) {
  return deleteExperimentsOfSDKName(sdkName, kLaunchedTable);
}

ErrorOr<std::vector<Dictionary>> ExperimentsDatabase::allDataTypesFromTableWithName(const std::string& table,
                                                                                   std::int64_t tableLimit) {
  auto* store = TRY(openStore());
  return store->recordsForQuery("SELECT rowid, * FROM " + table + " ORDER BY rowid LIMIT ?", {Value(tableLimit)});
}

}  // namespace sdk::analytics

