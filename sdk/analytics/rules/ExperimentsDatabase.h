#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.h"
#include "platform/foundation/Value.h"
#include "sdk/analytics/rules/ExperimentSnapshot.h"

namespace sdk::analytics {

class SqliteStore;

// The experiments database: pending (fetched), activated (in force) and launched (experiment ID 0)
// snapshots, one row per SDK in each table. Used only on the experiments worker queue.
class ExperimentsDatabase {
 public:
  using Error = platform::foundation::Error;

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

  std::optional<std::vector<ExperimentSnapshot>> fetchAllActivatedSnapshots(Error* error);
  std::optional<std::vector<ExperimentSnapshot>> fetchAllPendingSnapshots(Error* error);
  std::optional<std::vector<ExperimentSnapshot>> fetchAllLaunchedSnapshots(Error* error);

  [[nodiscard]] bool upsertSnapshot(const ProtoSnapshot& snapshot, const std::string& table, double timestamp,
                                    std::optional<bool> manuallyActivated, Error* error);
  [[nodiscard]] bool upsertPendingExperimentSnapshots(const std::vector<ExperimentSnapshot>& snapshots, Error* error);
  // Moves a pending snapshot into force: experiment 0 to the launched table, the others to the
  // activated table; the SDK's pending rows up to `timestamp` go.
  [[nodiscard]] bool activateSnapshot(const std::optional<ExperimentSnapshot>& pending, double timestamp, Error* error);
  // Activates, in fetch order, the pending snapshots of SDKs that do not activate by themselves.
  [[nodiscard]] bool activatePendingSnapshotsAutomatically(Error* error);
  [[nodiscard]] bool deleteStaleActivatedSnapshots(Error* error);
  [[nodiscard]] bool deleteActivatedExperimentsOfSDKName(const std::string& sdkName, Error* error);
  [[nodiscard]] bool deletePendingExperimentsOfSDKName(const std::string& sdkName, Error* error);
  [[nodiscard]] bool deleteLaunchedExperimentSDKName(const std::string& sdkName, Error* error);
  std::optional<std::vector<platform::foundation::Dictionary>> allDataTypesFromTableWithName(const std::string& table,
                                                                                             std::int64_t tableLimit,
                                                                                             Error* error);

 private:
  explicit ExperimentsDatabase(std::string path) : path_(std::move(path)) {}
  bool initializeDatabaseResourcesWithContext(const std::string& context);
  bool ensureAllTables();
  std::optional<std::vector<ExperimentSnapshot>> fetchSnapshots(const std::string& table, Error* error);
  std::optional<std::vector<ExperimentSnapshot>> snapshotsFromRows(const std::vector<platform::foundation::Dictionary>& rows,
                                                             Error* error);
  bool deleteExperimentsOfSDKName(const std::string& sdkName, const std::string& table, Error* error);

  std::string path_;
  std::shared_ptr<SqliteStore> store_;
};

}  // namespace sdk::analytics

