#include "sdk/analytics/engine/MeasurementEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/RemoteConfig.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/engine/MeasurementUploader.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/UserDefaultsSuite.h"
#include "platform/foundation/UserDefaults.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using ostrel::testing::kMeasurementAppID;

class MeasurementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ConsentSettings::setConsentSettings(std::nullopt);
    // Started through the public interface: the engine's own app ID is the one kept.
    AppIdentifiers::sharedInstance()->setOrigin("fa");
  }
  void TearDown() override {
    for (auto& engine : engines) drain(*engine);
    sdk::analytics::IdentitySettings::setCurrent(nullptr);
    AppIdentifiers::setEngineIdentity(nullptr);
    ConsentSettings::setConsentSettings(std::nullopt);
  }

  // An engine over the test's container, with its own worker queue; its first enable has run.
  std::shared_ptr<MeasurementEngine> start(bool enabledByDefault = true, bool deactivated = false,
                                        const std::string& vmpAppID = "") {
    auto identity = Identity::initWithPersistedConfig(persisted);
    if (!vmpAppID.empty()) identity->setAppIDFromVMP(vmpAppID);
    MeasurementEngine::Parts parts;
    parts.persistedConfig = persisted;
    parts.scheduler = std::make_shared<Scheduler>("test.worker");
    parts.alarm = std::make_shared<Alarm>(parts.scheduler->workerQueue(), MeasurementEngine::kAlarmName);
    parts.identity = identity;
    auto engine = MeasurementEngine::initWithParts(parts, kMeasurementAppID, enabledByDefault, deactivated, {});
    engines.push_back(engine);
    drain(*engine);
    return engine;
  }
  // Waits for what the worker queue holds, including a disable a failed start queued.
  static void drain(MeasurementEngine& engine) {
    for (int i = 0; i < 2; ++i) engine.scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
  }
  std::string databasePath() const { return measurementDirectoryFilePath(MeasurementDatabase::kDatabaseName); }
  // A database holding one raw event, as an earlier launch left it.
  void leaveRawEvent() {
    auto database = ostrel::testing::succeeded(
        MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName, persisted));
    ASSERT_TRUE(database);
    // Recent, or the start's stale-data sweep would take it.
    auto event = AnalyticsEvent::create("app", false, "left_behind", environment.clock()->now(), 0, {});
    ASSERT_TRUE(database->insertRawEvent(*event, 1, false));
  }
  // Whether the event an earlier launch left is still stored (a start adds its own automatic events).
  bool hasRawEvents(MeasurementEngine& engine) { return !storedEvents(engine, "left_behind").empty(); }
  static std::vector<std::string> storedEvents(MeasurementEngine& engine, const std::string& only = "") {
    std::vector<std::string> names;
    auto database = engine.database();
    if (!database) return names;
    auto rows = database->store().recordsForQuery("SELECT name FROM raw_events ORDER BY rowid", {});
    for (const auto& row : rows.valueOr(std::vector<platform::foundation::Dictionary>{})) {
      const std::string name = *row.at("name").string();
      if (only.empty() || name == only) names.push_back(name);
    }
    return names;
  }
  // What the database path is, as a folder with something inside: it can be neither opened nor
  // deleted.
  void blockDatabasePath() {
    std::filesystem::create_directories(databasePath());
    std::ofstream(databasePath() + "/keep") << "x";
  }

  ostrel::testing::MonitorScope scope{std::vector<std::string>{"-APMAnalyticsDebugEnabled"}};
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<PersistedConfig> persisted = std::make_shared<PersistedConfig>();
  std::vector<std::shared_ptr<MeasurementEngine>> engines;
};

TEST_F(MeasurementTest, EnabledStateChoice) {
  struct Case {
    std::int64_t persistedState;
    std::int64_t standardState;  // what the SDK core stored in the standard defaults
    bool appDefault;
    bool deactivated;
    bool enabled;
  };
  const Case cases[] = {
      {2, 0, true, false, false}, {1, 0, false, false, true}, {0, 0, true, false, true},
      {0, 0, false, false, false}, {1, 0, true, true, false}, {0, 2, true, false, false},
      {0, 1, false, false, true},  {1, 2, false, false, true},
  };
  for (const Case& c : cases) {
    persisted->setMeasurementEnabledState(c.persistedState);
    platform::foundation::UserDefaults::standard()->setInteger(c.standardState, "/vadeze/measurement/measurement_enabled_state");
    auto engine = start(c.appDefault, c.deactivated);
    EXPECT_EQ(engine->collection().shouldEnableMeasurement(), c.enabled) << c.persistedState << " " << c.standardState;
    EXPECT_EQ(engine->isEnabled(), c.enabled) << c.persistedState << " " << c.standardState;
    EXPECT_EQ(engine->wasEnabledDuringInitialization(), c.enabled);
  }
  platform::foundation::UserDefaults::standard()->removeObjectForKey("/vadeze/measurement/measurement_enabled_state");
}

TEST_F(MeasurementTest, DeactivatedRefusesEnablingButDisables) {
  auto engine = start(true, true);
  EXPECT_TRUE(scope.logged(23013));
  engine->setEnabled(true);
  drain(*engine);
  EXPECT_TRUE(scope.logged(23206));
  EXPECT_FALSE(engine->isEnabled());
  EXPECT_FALSE(engine->didInitializeComponents());
  engine->setEnabled(false);
  drain(*engine);
  EXPECT_TRUE(scope.logged(23013));
}

TEST_F(MeasurementTest, ComponentsAreBuiltOnceOnTheFirstEnable) {
  auto engine = start(false);
  EXPECT_FALSE(engine->didInitializeComponents());
  EXPECT_FALSE(engine->database());
  EXPECT_EQ(MeasurementEngine::remoteConfig(), RemoteConfig::defaultInstance());
  engine->setEnabled(true);
  drain(*engine);
  ASSERT_TRUE(engine->isEnabled());
  EXPECT_TRUE(engine->didInitializeComponents());
  auto database = engine->database();
  ASSERT_TRUE(database);
  EXPECT_TRUE(engine->components().remoteConfig());
  EXPECT_TRUE(engine->components().audience());
  EXPECT_TRUE(scope.logged(23012));
  engine->setEnabled(false);
  engine->setEnabled(true);
  drain(*engine);
  EXPECT_EQ(engine->database(), database);
  // The engine answers the rules' settings through its own.
  EXPECT_EQ(engine->integerSetting("measurement.audience.max_count", 50, 0, 500), 50);
  EXPECT_TRUE(engine->boolSetting("measurement.ees_feature_enabled", true));
}

TEST_F(MeasurementTest, AnUnopenableDatabaseLeavesTheEngineDisabledUntilAnEnableSucceeds) {
  blockDatabasePath();
  auto engine = start();
  EXPECT_TRUE(scope.logged(23011));
  EXPECT_FALSE(engine->isEnabled());
  EXPECT_FALSE(engine->didInitializeComponents());
  std::filesystem::remove_all(databasePath());
  engine->setEnabled(true);
  drain(*engine);
  EXPECT_TRUE(engine->isEnabled());
  EXPECT_TRUE(engine->database());
}

TEST_F(MeasurementTest, AChangedAppIDWipesAndKeepsTheOldOne) {
  persisted->setAppIDFromVMP("1:1:ios:aaaa");
  leaveRawEvent();
  auto engine = start(true, false, "1:1:ios:bbbb");
  ASSERT_TRUE(engine->isEnabled());
  EXPECT_TRUE(scope.logged(23171));
  EXPECT_EQ(engine->dataWipe().previousVMPAppID(), "1:1:ios:aaaa");
  EXPECT_FALSE(hasRawEvents(*engine));
  EXPECT_EQ(persisted->appIDFromVMP(), kMeasurementAppID);
  EXPECT_EQ(FacadeDefaults::resetRetryCount(), 0);
}

TEST_F(MeasurementTest, SameAppIDKeepsTheDataUnlessAWipeIsOwed) {
  persisted->setAppIDFromVMP(kMeasurementAppID);
  leaveRawEvent();
  auto engine = start(true, false, kMeasurementAppID);
  EXPECT_TRUE(hasRawEvents(*engine));
  EXPECT_TRUE(engine->components().uploader()->hasDataToUpload());

  // A retry count of 3: an earlier wipe failed, so this start wipes although the IDs match.
  FacadeDefaults::setResetRetryCount(3);
  auto restarted = start(true, false, kMeasurementAppID);
  EXPECT_FALSE(hasRawEvents(*restarted));
  // Only the first open that follows a wipe.
  EXPECT_EQ(storedEvents(*restarted), (std::vector<std::string>{"_f", "_e"}));
  EXPECT_EQ(FacadeDefaults::resetRetryCount(), 0);
}

TEST_F(MeasurementTest, AWipeThatCannotDeleteTheDatabaseFailsAndIsTriedAgain) {
  persisted->setAppIDFromVMP("1:1:ios:aaaa");
  blockDatabasePath();
  auto engine = start(true, false, "1:1:ios:bbbb");
  EXPECT_TRUE(scope.logged(23014));
  EXPECT_TRUE(scope.logged(23208));
  EXPECT_FALSE(engine->isEnabled());
  EXPECT_EQ(FacadeDefaults::resetRetryCount(), 1);

  // The next launch owes the wipe even though the app IDs now agree.
  std::filesystem::remove_all(databasePath());
  leaveRawEvent();
  ASSERT_EQ(persisted->appIDFromVMP(), kMeasurementAppID);
  auto next = start(true, false, kMeasurementAppID);
  EXPECT_TRUE(next->isEnabled());
  EXPECT_FALSE(hasRawEvents(*next));
  EXPECT_EQ(FacadeDefaults::resetRetryCount(), 0);
}

TEST_F(MeasurementTest, LoggedEventsAndUserPropertiesReachTheDatabase) {
  auto engine = start();
  ASSERT_TRUE(engine->isEnabled());
  sdk::analytics::LoggedEvent logged;
  logged.origin = "app";
  logged.isPublicEvent = true;
  logged.name = "level_up";
  logged.parameters = platform::foundation::Dictionary{{"level", 3}};
  logged.timestamp = environment.clock()->now();
  logged.enabled = true;
  engine->logEvent(logged);
  engine->setUserAttribute(UserAttribute("app", "plan", AnalyticsValue("pro"), environment.clock()->now()));
  drain(*engine);
  EXPECT_EQ(storedEvents(*engine, "level_up").size(), 1u);

  std::promise<platform::foundation::Dictionary> properties;
  engine->userPropertiesIncludingInternal(false, [&](const platform::foundation::Dictionary& found) {
    properties.set_value(found);
  });
  EXPECT_EQ(properties.get_future().get(), (platform::foundation::Dictionary{{"plan", "pro"}}));
  std::promise<std::int64_t> limit;
  engine->maxUserPropertiesForOrigin("app", [&](std::int64_t value) { limit.set_value(value); });
  EXPECT_EQ(limit.get_future().get(), 25);

  // Switched off, the worker queue drops what comes.
  engine->setEnabled(false);
  engine->removeUserAttribute(UserAttribute("app", "plan", AnalyticsValue("pro"), environment.clock()->now()));
  drain(*engine);
  std::promise<platform::foundation::Dictionary> kept;
  engine->userPropertiesIncludingInternal(false, [&](const platform::foundation::Dictionary& found) {
    kept.set_value(found);
  });
  EXPECT_EQ(kept.get_future().get().size(), 1u);
}

TEST_F(MeasurementTest, WipeDecisionTable) {
  auto engine = start(false);
  struct Case {
    const char *a, *G, *M, *PG, *PM;
    bool wipe;
  };
  const Case cases[] = {
      {"a", "G", "", "G", "", false},  {"a", "G", "", "P", "", true},   {"a", "G", "", "", "PM", true},
      {"a", "G", "M", "", "M", false}, {"a", "G", "M", "", "PM", true}, {"a", "", "M", "PG", "", true},
      {"", "", "M", "PG", "", false},  {"a", "", "", "", "PM", true},   {"PM", "", "", "", "PM", false},
      {"", "", "", "", "PM", false},   {"a", "", "", "", "", false},    {"a", "G", "", "", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnalyticsDataWipe::shouldWipeDataWithAppID(c.a, c.G, c.M, c.PG, c.PM), c.wipe)
        << c.a << "|" << c.G << "|" << c.M << "|" << c.PG << "|" << c.PM;
  }
  for (std::int64_t retries : {1, 9}) {
    FacadeDefaults::setResetRetryCount(retries);
    EXPECT_TRUE(AnalyticsDataWipe::shouldWipeDataWithAppID("a", "G", "", "G", "")) << retries;
  }
  FacadeDefaults::setResetRetryCount(10);
  EXPECT_FALSE(AnalyticsDataWipe::shouldWipeDataWithAppID("a", "G", "", "G", ""));
  FacadeDefaults::setResetRetryCount(0);
}

TEST_F(MeasurementTest, ResetWithANewAppInstanceID) {
  auto engine = start();
  leaveRawEvent();
  // The facade asks for a reset from its own queue, as an operation of its.
  auto reset = [&](const std::string& appInstanceID) {
    bool done = false;
    Analytics::queue()->sync([&] { done = engine->resetAnalyticsDataWithAppInstanceID(appInstanceID); });
    return done;
  };
  EXPECT_FALSE(reset(std::string()));
  EXPECT_TRUE(scope.logged(23167));
  ASSERT_TRUE(reset("0123456789abcdef0123456789abcdef"));
  EXPECT_TRUE(scope.logged(23168));
  EXPECT_EQ(persisted->appInstanceID(), "0123456789abcdef0123456789abcdef");
  EXPECT_FALSE(hasRawEvents(*engine));
  EXPECT_TRUE(engine->isEnabled());

  // With analytics storage denied an empty ID is what a reset leaves.
  ConsentSettings::setConsentSettings(platform::foundation::Dictionary{{"analytics_storage", "denied"}});
  EXPECT_TRUE(reset(std::string()));
  EXPECT_TRUE(scope.logged(23218));
}

TEST_F(MeasurementTest, NetworkLinesReachTheMonitorAtMappedLevels) {
  const std::pair<int, int> levels[] = {{3, 1}, {4, 4}, {5, 3}, {6, 6}, {7, 7}, {0, 3}, {9, 3}};
  for (auto [network, monitor] : levels) EXPECT_EQ(MeasurementEngine::monitorLevelForNetworkLevel(network), monitor);
  auto engine = start(false);
  engine->logWithLevel(sdk::utilities::kHTTPClientLogLevelError, 1234, "Lost", platform::foundation::Value("ctx"));
  EXPECT_TRUE(scope.logged(1234));
}

TEST_F(MeasurementTest, SharedInstanceIsCreatedOnceAndNeverWithoutAnAppID) {
  MeasurementEngine::resetSharedInstanceForTesting();
  MeasurementEngine::initializeSharedInstanceWithAppID("", true, false, {});
  EXPECT_FALSE(MeasurementEngine::hasSharedInstance());
  MeasurementEngine::initializeSharedInstanceWithAppID(kMeasurementAppID, true, false, {});
  EXPECT_FALSE(MeasurementEngine::hasSharedInstance());
  EXPECT_FALSE(MeasurementEngine::sharedInstance());
  EXPECT_EQ(MeasurementEngine::remoteConfig(), RemoteConfig::defaultInstance());

  MeasurementEngine::resetSharedInstanceForTesting();
  MeasurementEngine::initializeSharedInstanceWithAppID(kMeasurementAppID, false, false, {"_e"});
  auto first = MeasurementEngine::sharedInstance();
  ASSERT_TRUE(first);
  engines.push_back(first);
  MeasurementEngine::initializeSharedInstanceWithAppID("1:2:ios:ffff", false, false, {});
  EXPECT_EQ(MeasurementEngine::sharedInstance(), first);
  EXPECT_EQ(first->appID(), kMeasurementAppID);
  EXPECT_EQ(first->safelistedEvents(), std::vector<std::string>{"_e"});
  drain(*first);
  MeasurementEngine::resetSharedInstanceForTesting();
}

}  // namespace

}  // namespace sdk::analytics

