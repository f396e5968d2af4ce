#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/engine/RemoteConfigExperimentsAdapter.h"

#include <gtest/gtest.h>

#include "platform/dispatch/Queue.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/rules/ExperimentsManager.h"
#include "sdk/analytics/rules/ExperimentsTestSupport.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;
using platform::foundation::Value;
using ostrel::testing::snapshotMessage;

using ostrel::testing::kMeasurementAppID;
constexpr const char* kBackgroundSessions = "network_background_session_enabled";

ExperimentSnapshot snapshot(const std::string& sdkName, std::int32_t experimentID, std::map<std::string, Value> flags) {
  return *ExperimentSnapshot::initWithProtobuf(*snapshotMessage(sdkName, {{experimentID, std::move(flags)}}));
}

// The measurement settings over the real experiments manager and its task manager's database.
class RemoteConfigExperimentsTest : public ::testing::Test, public ostrel::testing::TaskManagerEnvironment {
 protected:
  void SetUp() override {
    makeTaskManager();
    manager = ExperimentsManager::initWithTaskManager(taskManager);
    taskManager->startTaskManager();
    settle();
    database = ostrel::testing::succeeded(MeasurementDatabase::initWithDatabaseName(
        MeasurementDatabase::kDatabaseName, std::make_shared<PersistedConfig>()));
    ASSERT_TRUE(database);
    context.isMeasurementEnabled = [this] { return measurementEnabled.load(); };
    context.libraryVersion = 80700;
    config = made();
    ASSERT_TRUE(config);
  }
  // The settings are made, stored and read back on the engine's worker queue; a test does that there.
  std::shared_ptr<RemoteConfig> made() {
    std::shared_ptr<RemoteConfig> settings;
    worker->sync([&] {
      settings = RemoteConfig::initWithAppID(
          kMeasurementAppID, database, std::make_shared<sdk::analytics::RemoteConfigExperimentsAdapter>(manager), context);
    });
    return settings;
  }
  void configure(const std::map<std::string, std::string>& settings) {
    bool stored = false;
    worker->sync([&] {
      stored = config->updateMeasurementConfig(ostrel::testing::measurementConfig(kMeasurementAppID, settings));
    });
    ASSERT_TRUE(stored);
  }
  // A fetched snapshot for the settings: told on the main queue, then activated by them.
  bool fetchAndActivate(const ExperimentSnapshot& fetched) {
    manager->taskManagerDidFinishFetchingExperimentSnapshots(*taskManager, {fetched}, {});
    return until([&] { return config->activateNewSnapshot(); });
  }

  std::atomic<bool> measurementEnabled{true};
  std::shared_ptr<platform::dispatch::Queue> worker = platform::dispatch::Queue::serial("test.worker");
  std::shared_ptr<ExperimentsManager> manager;
  std::shared_ptr<MeasurementDatabase> database;
  RemoteConfig::Context context;
  std::shared_ptr<RemoteConfig> config;
};

TEST_F(RemoteConfigExperimentsTest, ExperimentsOverrideTheirSettingsOnlyWhileASnapshotSetsTheFlag) {
  configure({{"measurement.network.background_session_enabled", "1"},
             {"measurement.collection.redundant_engagement_removal_enabled", "1"}});
  // Registered, but no experiment yet: the registered default must not hide the setting.
  ASSERT_TRUE(manager->clientForSDKName(RemoteConfig::kSDKPropertyName));
  EXPECT_EQ(manager->flagValueForFlagName(kBackgroundSessions, RemoteConfig::kSDKPropertyName), Value(0));
  EXPECT_TRUE(config->isNetworkBackgroundSessionEnabled());
  EXPECT_FALSE(config->efficientEngagementReportingEnabled());

  ASSERT_TRUE(fetchAndActivate(snapshot(RemoteConfig::kSDKPropertyName, 12, {{kBackgroundSessions, Value(0)}})));
  EXPECT_FALSE(config->isNetworkBackgroundSessionEnabled());
  EXPECT_TRUE(config->redundantEngagementRemovalEnabled()) << "a flag the snapshot leaves out keeps its setting";
  EXPECT_EQ(config->experimentIDs(), (std::vector<std::int64_t>{12}));

  ASSERT_TRUE(fetchAndActivate(snapshot(RemoteConfig::kSDKPropertyName, 13,
                                        {{"efficient_engagement_reporting_enabled", Value("true")}})));
  EXPECT_TRUE(config->efficientEngagementReportingEnabled()) << "a flag carried as text";
  EXPECT_TRUE(config->isNetworkBackgroundSessionEnabled()) << "the new snapshot replaced the one that set it";

  // The settings' reset forgets every experiment.
  config->reset();
  configure({});
  EXPECT_FALSE(config->efficientEngagementReportingEnabled());
  EXPECT_TRUE(config->experimentIDs().empty());
}

TEST_F(RemoteConfigExperimentsTest, TheManagerFetchesWhileMeasurementIsEnabledAndErrorsReachTheLog) {
  ASSERT_TRUE(manager->clientForSDKName(RemoteConfig::kSDKPropertyName));
  EXPECT_TRUE(manager->taskManagerShouldFetchExperiments(*taskManager));
  measurementEnabled = false;
  EXPECT_FALSE(manager->taskManagerShouldFetchExperiments(*taskManager));

  manager->taskManagerDidFinishFetchingExperimentSnapshots(
      *taskManager, {}, {{RemoteConfig::kSDKPropertyName, Error{"test", 2, {}}}});
  EXPECT_TRUE(until([&] { return scope.logged(29025); }));
  EXPECT_FALSE(config->activateNewSnapshot()) << "an error is not a snapshot";
}

TEST_F(RemoteConfigExperimentsTest, ASnapshotLeftPendingIsActivatedByTheNextSettingsAndNoneIsNoWarning) {
  EXPECT_FALSE(scope.logged(800023)) << "nothing pending at start is the usual case";
  // What an earlier process fetched and never activated, as the task manager reads it back at start.
  manager->taskManagerDidStartWithActivatedSnapshots(
      *taskManager, {}, {snapshot(RemoteConfig::kSDKPropertyName, 21, {{kBackgroundSessions, Value(1)}})}, {});
  auto next = made();
  ASSERT_TRUE(next);
  EXPECT_TRUE(next->isNetworkBackgroundSessionEnabled());
  EXPECT_EQ(next->experimentIDs(), (std::vector<std::int64_t>{21}));
}

}  // namespace

}  // namespace sdk::analytics

