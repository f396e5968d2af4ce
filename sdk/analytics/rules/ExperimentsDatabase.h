#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/ErrorOr.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/rules/ExperimentSnapshot.h"

namespace sdk::analytics {

class SqliteStore;

// The experiments database: pending (fetched), activated (in force) and launched (experiment ID 0)
// snapshots, one row per SDK in each table. Used only on the experiments worker queue.
class ExperimentsDatabase {
 public:
  using Error = platform::foundation::Error;
  template <typename T>
  using ErrorOr = platform::foundation::ErrorOr<T>;

  static constexpr const char* kDatabaseName = "vadeze_experimentation_database.sql";
  static constexpr const char* kPendingTable = "pending_snapshot_table";
  static constexpr const char* kActivatedTable = "activated_snapshot_table";
  static constexpr const char* kLaunchedTable = "launched_snapshot_table";
  static constexpr double kStaleActivatedAge = 259200;  // 3 days
  static constexpr std::int64_t kFetchLimit = 100000;

  // Nothing, logged, for an empty path or a database whose tables cannot be made (then deleted).
  static std::shared_ptr<ExperimentsDatabase> initWithPath(const std::string& path);

  [[nodiscard]] bool reset();
  // One exclusive transaction; nested calls join the outer one.
  [[nodiscard]] bool performTransaction(const std::function<bool()>& block);

  // Every call fails, with "The experiments database is not open", once a reset could not open it
  // again.
  ErrorOr<std::vector<ExperimentSnapshot>> fetchAllActivatedSnapshots();
  ErrorOr<std::vector<ExperimentSnapshot>> fetchAllPendingSnapshots();
  ErrorOr<std::vector<ExperimentSnapshot>> fetchAllLaunchedSnapshots();

  ErrorOr<void> upsertSnapshot(const ProtoSnapshot& snapshot, const std::string& table, double timestamp,
                               std::optional<bool> manuallyActivated);
  ErrorOr<void> upsertPendingExperimentSnapshots(const std::vector<ExperimentSnapshot>& snapshots);
  // Moves a pending snapshot into force: experiment 0 to the launched table, the others to the
  // activated table; the SDK's pending rows up to `timestamp` go.
  ErrorOr<void> activateSnapshot(const std::optional<ExperimentSnapshot>& pending, double timestamp);
  // Activates, in fetch order, the pending snapshots of SDKs that do not activate by themselves.
  ErrorOr<void> activatePendingSnapshotsAutomatically();
  ErrorOr<void> deleteStaleActivatedSnapshots();
  ErrorOr<void> deleteActivatedExperimentsOfSDKName(const std::string& sdkName);
  ErrorOr<void> deletePendingExperimentsOfSDKName(const std::string& sdkName);
  ErrorOr<void> deleteLaunchedExperimentSDKName(const std::string& sdkName);
  ErrorOr<std::vector<platform::foundation::Dictionary>> allDataTypesFromTableWithName(const std::string& table,
                                                                                       std::int64_t tableLimit);

 private:
  explicit ExperimentsDatabase(std::string path) : path_(std::move(path)) {}
  [[nodiscard]] bool initializeDatabaseResourcesWithContext(const std::string& context);
  [[nodiscard]] bool ensureAllTables();
  ErrorOr<std::vector<ExperimentSnapshot>> fetchSnapshots(const std::string& table);
  ErrorOr<std::vector<ExperimentSnapshot>> snapshotsFromRows(const std::vector<platform::foundation::Dictionary>& rows);
  ErrorOr<void> deleteExperimentsOfSDKName(const std::string& sdkName, const std::string& table);
  // The open store, or why there is none.
  ErrorOr<SqliteStore*> openStore() const;

  std::string path_;
  std::shared_ptr<SqliteStore> store_;
};

}  // namespace sdk::analytics

