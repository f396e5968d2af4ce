#include "sdk/analytics/rules/ExperimentsDatabase.h"

#include <gtest/gtest.h>

#include "sdk/analytics/foundation/EnvironmentInfo.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoExperimentMessages.h"
#include "sdk/analytics/foundation/SqliteStore.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/SyncCountingVfsTestSupport.h"
#include "sdk/analytics/rules/ExperimentRequestBuilder.h"
#include "sdk/analytics/rules/ExperimentFlag.h"
#include "testing/FileContents.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;
using platform::foundation::Value;

Experiment experiment(std::int32_t id, const std::string& flag, Value value) {
  return *Experiment::initWithExperimentID(id, {experimentFlagFromNameAndValue(Value(flag), value)});
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
class ExperimentsDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    database = ExperimentsDatabase::initWithPath(measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName));
    ASSERT_TRUE(database);
  }
  ExperimentSnapshot snapshot(const std::string& sdk, std::vector<Experiment> experiments, double timestamp,
                        bool manual = false) {
    auto s = *ExperimentSnapshot::initWithSDKName(sdk, experiments);
    s.setTimestamp(timestamp);
    s.setManuallyActivated(manual);
    return s;
  }
  std::vector<std::string> names(const platform::foundation::ErrorOr<std::vector<ExperimentSnapshot>>& snapshots) {
    std::vector<std::string> out;
    for (const auto& s : *snapshots) {
      std::string ids;
      for (const auto& e : s.experiments()) ids += ":" + std::to_string(e.experimentID());
      out.push_back(s.SDKName() + ids);
    }
    return out;
  }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<ExperimentsDatabase> database;
};
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST_F(ExperimentsDatabaseTest, ANewFileIsMadeWithItsWholeSchemaInOneCommit) {
  testing::SyncCountingVfs vfs;
  ASSERT_TRUE(database->reset());  // deletes the file and makes it again
  // The new file's first page, the new log's header, then one commit of the log for all three tables.
  EXPECT_EQ(vfs.syncs(), 3);
  for (const char* table : {ExperimentsDatabase::kPendingTable, ExperimentsDatabase::kActivatedTable,
                            ExperimentsDatabase::kLaunchedTable}) {
    EXPECT_TRUE(database->allDataTypesFromTableWithName(table, 10)) << table;
  }
  // Opening it again finds every table and writes nothing.
  vfs.reset();
  ASSERT_TRUE(ExperimentsDatabase::initWithPath(measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName)));
  EXPECT_EQ(vfs.syncs(), 0);
}

// A file whose tables cannot be validated (here a view where a table belongs, as a newer or foreign
// layout might have) is moved out of the way for a fresh one, and kept with everything it held.
TEST_F(ExperimentsDatabaseTest, AFileThatCannotBeValidatedIsKeptAsideNotDeleted) {
  const std::string path = measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName);
  database.reset();
  {
    auto store = SqliteStore::initWithDatabasePath(path);
    ASSERT_TRUE(store);
    ASSERT_TRUE((*store)->executeStatement("DROP TABLE " + std::string(ExperimentsDatabase::kPendingTable), {}));
    ASSERT_TRUE((*store)->executeStatement(
        "CREATE VIEW " + std::string(ExperimentsDatabase::kPendingTable) + " AS SELECT 'kept' AS marker", {}));
  }
  EXPECT_FALSE(ExperimentsDatabase::initWithPath(path));
  const auto kept = ostrel::testing::damagedCopiesOf(path);
  ASSERT_EQ(kept.size(), 1u);
  auto keptStore = SqliteStore::initWithDatabasePath(kept.front());
  ASSERT_TRUE(keptStore);
  auto rows = (*keptStore)->recordsForQuery("SELECT marker FROM " + std::string(ExperimentsDatabase::kPendingTable), {});
  ASSERT_TRUE(rows);
  ASSERT_EQ(rows->size(), 1u);
  EXPECT_EQ(rows->front().at("marker").toString(), "kept");
  EXPECT_TRUE(ExperimentsDatabase::initWithPath(path));
}

TEST_F(ExperimentsDatabaseTest, FlagsKeepTheirKindsInPrecedence) {
  auto yes = experimentFlagFromNameAndValue(Value("on"), Value(true));
  EXPECT_EQ(experimentFlagValue(yes.get()), Value(std::int64_t{1}));
  EXPECT_EQ(experimentFlagValue(experimentFlagFromNameAndValue(Value("r"), Value(2.5)).get()), Value(2.5));
  EXPECT_EQ(experimentFlagValue(experimentFlagFromNameAndValue(Value("s"), Value("x")).get()), Value("x"));
  auto both = experimentFlagFromNameAndValue(Value("n"), Value("text"));
  nanoSetInt64(*both, 1, 7);
  EXPECT_EQ(experimentFlagValue(both.get()), Value(std::int64_t{7}));
  auto onlyBool = ProtoFlag::make();
  nanoSetBool(*onlyBool, 4, true);
  EXPECT_EQ(experimentFlagValue(onlyBool.get()), Value(true));
  EXPECT_TRUE(experimentFlagValue(nullptr).isNil());
  EXPECT_FALSE(experimentFlagFromNameAndValue(Value(), Value(1)));
  EXPECT_FALSE(experimentFlagFromNameAndValue(Value(3), Value(1)));
  EXPECT_FALSE(experimentFlagFromNameAndValue(Value("a"), Value::data({1})));
  EXPECT_TRUE(scope.logged(850000));
  EXPECT_TRUE(scope.logged(850001));
  EXPECT_TRUE(scope.logged(850002));

  // Experiments key flags by name and snapshots experiments by ID; the later one wins.
  auto s = *ExperimentSnapshot::initWithSDKName("app_measurement", {experiment(3, "a", Value(1)), experiment(3, "b", Value(2))});
  ASSERT_EQ(s.experiments().size(), 1u);
  EXPECT_FALSE(s.flagByName("a"));
  s.addFlag(experimentFlagFromNameAndValue(Value("a"), Value(5)), 9);
  EXPECT_EQ(experimentFlagValue(s.flagByName("a").get()), Value(std::int64_t{5}));
  s.addFlag(nullptr, 9);
  s.addFlag(experimentFlagFromNameAndValue(Value("a"), Value(5)), std::nullopt);
  EXPECT_TRUE(scope.logged(840003));
  EXPECT_FALSE(ExperimentSnapshot::initWithSDKName("", {}));
  auto again = ExperimentSnapshot::initWithProtobuf(*ProtoSnapshot::initWithBuffer(s.proto()->protoBuffer()));
  EXPECT_EQ(again->proto()->protoBuffer(), s.proto()->protoBuffer());
}

TEST_F(ExperimentsDatabaseTest, ActivationSplitsTheLaunchedExperiment) {
  ASSERT_TRUE(database->upsertPendingExperimentSnapshots({snapshot("a", {experiment(7, "f", Value(1))}, 10)}).ok());
  ASSERT_TRUE(database->activateSnapshot(snapshot("a", {experiment(7, "f", Value(1))}, 10), 10).ok());
  // Only experiment 0: the launched row is written, the activated row of "a" stays as it was.
  ASSERT_TRUE(database->activateSnapshot(snapshot("a", {experiment(0, "g", Value(2))}, 20), 20).ok());
  EXPECT_EQ(names(database->fetchAllActivatedSnapshots()), (std::vector<std::string>{"a:7"}));
  EXPECT_EQ(names(database->fetchAllLaunchedSnapshots()), (std::vector<std::string>{"a:0"}));
  ASSERT_TRUE(database->activateSnapshot(
      snapshot("b", {experiment(0, "g", Value(2)), experiment(4, "h", Value(3))}, 20), 20).ok());
  EXPECT_EQ(names(database->fetchAllActivatedSnapshots()), (std::vector<std::string>{"a:7", "b:4"}));
  EXPECT_EQ(names(database->fetchAllLaunchedSnapshots()), (std::vector<std::string>{"a:0", "b:0"}));

  // Pending rows later than the activation time stay.
  ASSERT_TRUE(database->upsertPendingExperimentSnapshots({snapshot("c", {experiment(1, "f", Value(1))}, 50)}).ok());
  ASSERT_TRUE(database->activateSnapshot(snapshot("c", {experiment(1, "f", Value(1))}, 40), 40).ok());
  EXPECT_EQ(names(database->fetchAllPendingSnapshots()), (std::vector<std::string>{"c:1"}));
  ASSERT_TRUE(database->activateSnapshot(snapshot("c", {experiment(1, "f", Value(1))}, 50), 50).ok());
  EXPECT_TRUE(database->fetchAllPendingSnapshots()->empty());
  EXPECT_EQ(database->activateSnapshot(std::nullopt, 1).error().code, 1);
}

TEST_F(ExperimentsDatabaseTest, AutomaticActivationAndStaleRows) {
  ASSERT_TRUE(database->upsertPendingExperimentSnapshots(
      {snapshot("auto", {experiment(2, "f", Value(1))}, 5), snapshot("manual", {experiment(3, "f", Value(1))}, 5, true)}).ok());
  ASSERT_TRUE(database->upsertSnapshot(*snapshot("unflagged", {experiment(4, "f", Value(1))}, 5).proto(),
                                       ExperimentsDatabase::kPendingTable, 5, std::nullopt).ok());
  ASSERT_TRUE(database->performTransaction([&] { return database->activatePendingSnapshotsAutomatically().ok(); }));
  EXPECT_EQ(names(database->fetchAllActivatedSnapshots()), (std::vector<std::string>{"auto:2"}));
  auto pending = database->fetchAllPendingSnapshots();
  EXPECT_EQ(names(pending), (std::vector<std::string>{"manual:3", "unflagged:4"}));
  EXPECT_TRUE(pending->front().manuallyActivated());

  double now = environment.clock()->now();
  ASSERT_TRUE(database->upsertSnapshot(*snapshot("old", {experiment(1, "f", Value(1))}, 0).proto(),
                                       ExperimentsDatabase::kActivatedTable, now - 259200, std::nullopt).ok());
  ASSERT_TRUE(database->upsertSnapshot(*snapshot("young", {experiment(1, "f", Value(1))}, 0).proto(),
                                       ExperimentsDatabase::kActivatedTable, now - 259199, std::nullopt).ok());
  ASSERT_TRUE(database->deleteStaleActivatedSnapshots().ok());
  auto left = names(database->fetchAllActivatedSnapshots());
  EXPECT_EQ(std::count(left.begin(), left.end(), "old:1"), 0);
  EXPECT_EQ(std::count(left.begin(), left.end(), "young:1"), 1);

  EXPECT_FALSE(database->deletePendingExperimentsOfSDKName("").ok());
  ASSERT_TRUE(database->deletePendingExperimentsOfSDKName("manual").ok());
  EXPECT_EQ(database->allDataTypesFromTableWithName(ExperimentsDatabase::kPendingTable, 10)->size(), 1u);

  // A row that does not decode spoils the whole read, never a crash.
  ASSERT_TRUE(database->upsertSnapshot(*snapshot("z", {}, 0).proto(), ExperimentsDatabase::kLaunchedTable, 1, std::nullopt).ok());
  auto store = SqliteStore::initWithDatabasePath(measurementDirectoryFilePath(ExperimentsDatabase::kDatabaseName));
  ASSERT_TRUE(store);
  ASSERT_TRUE((*store)->executeStatement("UPDATE launched_snapshot_table SET snapshotProto = x'ffff'", {}));
  EXPECT_EQ(database->fetchAllLaunchedSnapshots().error().code, 2);
  ASSERT_TRUE(database->reset());
  EXPECT_TRUE(database->fetchAllLaunchedSnapshots()->empty());
}

TEST_F(ExperimentsDatabaseTest, TheRequestCarriesTheAppAndRegisteredSDKs) {
  EnvironmentInfo facts;
  facts.deviceModel = "x86_64";
  facts.deviceOSVersion = "6.1";
  facts.userDefaultLanguage = "en-US";
  EnvironmentInfo::setShared(facts);
  ExperimentRequestBuilder builder;
  auto keyed = std::make_shared<ExperimentsSDKProperty>("app_measurement");
  keyed->diversionKey = "key";
  keyed->version = 3;
  keyed->customProperties = {{"a", "1"}, {"b", "2"}};
  struct Provider : ExperimentsSDKPropertyProviderDelegate {
    std::map<std::string, std::string> dynamicCustomPropertiesForSDKProperty(const ExperimentsSDKProperty&) override {
      return {{"b", "dynamic"}};
    }
  };
  auto provider = std::make_shared<Provider>();
  keyed->delegate = provider;
  builder.addSDKProperty(keyed);
  builder.addSDKProperty(std::make_shared<ExperimentsSDKProperty>("keyless"));
  builder.addSDKProperty(nullptr);
  EXPECT_TRUE(scope.logged(880000));

  auto request = builder.request(std::nullopt);
  auto app = nanoGetMessage<ProtoAppProperty>(*request, 0);
  EXPECT_EQ(nanoGetString(*app, 0), "ios");
  EXPECT_EQ(nanoGetString(*app, 3), "en-us");
  EXPECT_EQ(nanoGetInt64(*app, 6), 10000);
  auto clients = nanoGetMessageArray<ProtoClientProperty>(*request, 1);
  ASSERT_EQ(clients.size(), 1u);  // no diversion key and no app instance ID: left out
  EXPECT_TRUE(scope.logged(860001));
  EXPECT_EQ(nanoGetString(*clients[0], 1), md5HexString("key-app_measurement"));
  auto custom = nanoGetMessageArray<ProtoCustomProperty>(*clients[0], 4);
  ASSERT_EQ(custom.size(), 2u);
  EXPECT_EQ(nanoGetString(*custom[1], 1), "dynamic");
  EXPECT_EQ(nanoGetMessageArray<ProtoClientProperty>(*builder.request("aiid"), 1).size(), 2u);
  EnvironmentInfo::setShared(std::nullopt);
}

}  // namespace

}  // namespace sdk::analytics

