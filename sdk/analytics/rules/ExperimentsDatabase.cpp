#include "sdk/analytics/rules/ExperimentsDatabase.h"

#include "platform/foundation/Clock.h"
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
    monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseInvalidPath, "Cannot initialize the database with invalid path");
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
    monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseOpenFailed,
                           "Failed to open database (" + context + ")", errorText(opened.error()));
    return false;
  }
  store_ = std::move(opened).value();
  if (!ensureAllTables()) {
    monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseTablesInvalid, "Failed to create or validate required database tables (" + context + ")");
    store_.reset();
    if (auto result = deleteFileAtPath(path_); !result) {
      monitor().logWithLevel(LogLevel::kMonitoredWarning, messages::kExperimentsDatabaseFileDeleteFailed,
                             "Failed to delete old database file after failed validation. Error (" +
                                 result.error().localizedDescription() + ")");
    }
    return false;
  }
  return true;
}

bool ExperimentsDatabase::ensureAllTables() {
  for (const char* table : {kPendingTable, kActivatedTable, kLaunchedTable}) {
    if (auto result = store_->ensureTableWithName(table, columns()); !result) {
      monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseTableEnsureFailed,
                             "Failed to ensure table. Table, error", Value(table), errorText(result.error()));
      return false;
    }
  }
  return true;
}

bool ExperimentsDatabase::reset() {
  if (store_ && !store_->closeAndDeleteDatabase()) monitor().logWithLevel(LogLevel::kMonitoredWarning, messages::kExperimentsDatabaseDataDeleteFailed, "Failed to delete database data");
  store_.reset();
  if (!initializeDatabaseResourcesWithContext("Reset")) {
    monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseReinitialized, "Cannot re-initialize the database");
    return false;
  }
  return true;
}

bool ExperimentsDatabase::performTransaction(const std::function<bool()>& block) {
  if (!store_) return false;
  auto done = store_->performTransaction(block);
  if (done) return true;
  monitor().logWithLevel(LogLevel::kMonitoredError, messages::kExperimentsDatabaseTransactionFailed,
                         "Transaction failed. " + done.error().localizedDescription());
  return false;
}

std::optional<std::vector<ExperimentSnapshot>> ExperimentsDatabase::snapshotsFromRows(const std::vector<Dictionary>& rows,
                                                                         Error* error) {
  std::vector<ExperimentSnapshot> snapshots;
  for (const Dictionary& row : rows) {
    auto found = row.find("snapshotProto");
    const platform::foundation::Data* data = found == row.end() ? nullptr : found->second.data();
    auto message = data ? ProtoSnapshot::initWithBuffer(*data) : nullptr;
    auto snapshot = message ? ExperimentSnapshot::initWithProtobuf(*message) : std::nullopt;
    if (!snapshot) {
      setMeasurementError(error, kInvalidData, "Received an invalid snapshot from database");
      return std::nullopt;
    }
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

std::optional<std::vector<ExperimentSnapshot>> ExperimentsDatabase::fetchSnapshots(const std::string& table, Error* error) {
  if (!store_) return std::nullopt;
  auto rows = store_->recordsForQuery(
      "SELECT rowid, * FROM " + table + " ORDER BY rowid LIMIT " + std::to_string(kFetchLimit), {});
  if (!rows) platform::foundation::report(error, rows.error());
  if (!rows) return std::nullopt;
  return snapshotsFromRows(*rows, error);
}

std::optional<std::vector<ExperimentSnapshot>> ExperimentsDatabase::fetchAllActivatedSnapshots(Error* error) {
  return fetchSnapshots(kActivatedTable, error);
}
std::optional<std::vector<ExperimentSnapshot>> ExperimentsDatabase::fetchAllPendingSnapshots(Error* error) {
  return fetchSnapshots(kPendingTable, error);
}
std::optional<std::vector<ExperimentSnapshot>> ExperimentsDatabase::fetchAllLaunchedSnapshots(Error* error) {
  return fetchSnapshots(kLaunchedTable, error);
}

bool ExperimentsDatabase::upsertSnapshot(const ProtoSnapshot& snapshot, const std::string& table, double timestamp,
                                  std::optional<bool> manuallyActivated, Error* error) {
  if (!store_) return false;
  Dictionary record{{"sdk_name", Value(nanoGetString(snapshot, 0).value_or(""))},
                    {"timestamp", Value(timestamp)},
                    {"snapshotProto", Value::data(snapshot.protoBuffer())}};
  if (manuallyActivated) record["manually_activated"] = Value(static_cast<std::int64_t>(*manuallyActivated));
  auto stored = store_->upsertRecord(record, table);
  if (!stored) platform::foundation::report(error, stored.error());
  return stored.ok();
}

bool ExperimentsDatabase::upsertPendingExperimentSnapshots(const std::vector<ExperimentSnapshot>& snapshots, Error* error) {
  for (const ExperimentSnapshot& snapshot : snapshots) {
    if (!upsertSnapshot(*snapshot.proto(), kPendingTable, snapshot.timestamp(), snapshot.manuallyActivated(), error)) {
      return false;
    }
  }
  return true;
}

bool ExperimentsDatabase::activateSnapshot(const std::optional<ExperimentSnapshot>& pending, double timestamp, Error* error) {
  if (!pending) {
    setMeasurementError(error, kBadArgument, "Received nil pending snapshot");
    return false;
  }
  if (!store_) return false;
  std::optional<Experiment> launched;
  std::vector<Experiment> others;
  for (const Experiment& experiment : pending->experiments()) {
    if (experiment.experimentID() == 0) {
      launched = experiment;
    } else {
      others.push_back(experiment);
    }
  }
  if (launched) {
    auto snapshot = ExperimentSnapshot::initWithSDKName(pending->SDKName(), {*launched});
    if (!snapshot || !upsertSnapshot(*snapshot->proto(), kLaunchedTable, timestamp, std::nullopt, error)) return false;
  }
  if (!others.empty()) {
    auto snapshot = ExperimentSnapshot::initWithSDKName(pending->SDKName(), others);
    if (!snapshot || !upsertSnapshot(*snapshot->proto(), kActivatedTable, timestamp, std::nullopt, error)) return false;
  }
  auto deleted = store_->deleteRecordsFromTableWithName(kPendingTable, "sdk_name = ? AND timestamp <= ?",
                                                        {Value(pending->SDKName()), Value(timestamp)});
  if (!deleted) platform::foundation::report(error, deleted.error());
  return deleted.ok();
}

bool ExperimentsDatabase::activatePendingSnapshotsAutomatically(Error* error) {
  if (!store_) return false;
  auto rows = store_->recordsForQuery(
      std::string("SELECT rowid,* FROM ") + kPendingTable + " WHERE NOT manually_activated = ? ORDER BY rowid",
      {Value(std::int64_t{1})});
  if (!rows) {
    platform::foundation::report(error, rows.error());
    return false;
  }
  for (const Dictionary& row : *rows) {
    auto snapshots = snapshotsFromRows({row}, error);
    if (!snapshots) return false;
    const ExperimentSnapshot& snapshot = snapshots->front();
    if (!activateSnapshot(snapshot, snapshot.timestamp(), error)) return false;
    if (!deletePendingExperimentsOfSDKName(snapshot.SDKName(), error)) return false;
  }
  return true;
}

bool ExperimentsDatabase::deleteStaleActivatedSnapshots(Error* error) {
  if (!store_) return false;
  double cutoff = platform::foundation::Clock::current()->now() - kStaleActivatedAge;
  auto deleted = store_->deleteRecordsFromTableWithName(kActivatedTable, "timestamp <= ?", {Value(cutoff)});
  if (!deleted) platform::foundation::report(error, deleted.error());
  return deleted.ok();
}

bool ExperimentsDatabase::deleteExperimentsOfSDKName(const std::string& sdkName, const std::string& table, Error* error) {
  if (sdkName.empty()) {
    setMeasurementError(error, kBadArgument, "Received empty SDK Name");
    return false;
  }
  if (!store_) {
    setMeasurementError(error, kFailed, "The experiments database is not open");
    return false;
  }
  auto deleted = store_->deleteRecordFromTableWithName(table, "sdk_name", Value(sdkName));
  if (!deleted) platform::foundation::report(error, deleted.error());
  return deleted.ok();
}

bool ExperimentsDatabase::deleteActivatedExperimentsOfSDKName(const std::string& sdkName, Error* error) {
  return deleteExperimentsOfSDKName(sdkName, kActivatedTable, error);
}
bool ExperimentsDatabase::deletePendingExperimentsOfSDKName(const std::string& sdkName, Error* error) {
  return deleteExperimentsOfSDKName(sdkName, kPendingTable, error);
}
bool ExperimentsDatabase::deleteLaunchedExperimentSDKName(const std::string& sdkName, Error* error) {
  return deleteExperimentsOfSDKName(sdkName, kLaunchedTable, error);
}

std::optional<std::vector<Dictionary>> ExperimentsDatabase::allDataTypesFromTableWithName(const std::string& table,
                                                                                   std::int64_t tableLimit,
                                                                                   Error* error) {
  if (!store_) return std::nullopt;
  auto rows = store_->recordsForQuery("SELECT rowid, * FROM " + table + " ORDER BY rowid LIMIT ?", {Value(tableLimit)});
  if (!rows) {
    platform::foundation::report(error, rows.error());
    return std::nullopt;
  }
  return std::move(rows).value();
}

}  // namespace sdk::analytics

