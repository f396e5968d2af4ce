#include "sdk/analytics/engine/APMMeasurement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "sdk/analytics/engine/APMConsentSettingsUtil.h"
#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMIdentifiers.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/APMRemoteConfig.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/foundation/APMAlarm.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMFiles.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "sdk/analytics/foundation/APMUserDefaults.h"
#include "platform/foundation/UserDefaults.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using ostrel::testing::kMeasurementAppID;

class MeasurementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    APMConsentSettingsUtil::setConsentSettings(std::nullopt);
    // Started through the public interface: the engine's own app ID is the one kept.
    APMIdentifiers::sharedInstance()->setOrigin("fa");
  }
  void TearDown() override {
    for (auto& engine : engines) drain(*engine);
    sdk::analytics::IdentitySettings::setCurrent(nullptr);
    APMIdentifiers::setEngineIdentity(nullptr);
    APMConsentSettingsUtil::setConsentSettings(std::nullopt);
  }

  // An engine over the test's container, with its own worker queue; its first enable has run.
  std::shared_ptr<APMMeasurement> start(bool enabledByDefault = true, bool deactivated = false,
                                        const std::string& vmpAppID = "") {
    auto identity = APMIdentity::initWithPersistedConfig(persisted);
    if (!vmpAppID.empty()) identity->setAppIDFromVMP(vmpAppID);
    APMMeasurement::Parts parts;
    parts.persistedConfig = persisted;
    parts.scheduler = std::make_shared<APMScheduler>("test.worker");
    parts.alarm = std::make_shared<APMAlarm>(parts.scheduler->workerQueue(), APMMeasurement::kAlarmName);
    parts.identity = identity;
    auto engine = APMMeasurement::initWithParts(parts, kMeasurementAppID, enabledByDefault, deactivated, {});
    engines.push_back(engine);
    drain(*engine);
    return engine;
  }
  // Waits for what the worker queue holds, including a disable a failed start queued.
  static void drain(APMMeasurement& engine) {
    for (int i = 0; i < 2; ++i) engine.scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
  }
  std::string databasePath() const { return APMMeasurementDirectoryFilePath(APMMeasurement::kDatabaseName); }
  // A database holding one raw event, as an earlier launch left it.
  void leaveRawEvent() {
    platform::foundation::Error error;
    auto database = APMDatabase::initWithDatabaseName(APMMeasurement::kDatabaseName, persisted, &error);
    ASSERT_TRUE(database);
    // Recent, or the start's stale-data sweep would take it.
    auto event = APMEvent::create("app", false, "left_behind", environment.clock()->now(), 0, {});
    ASSERT_TRUE(database->insertRawEvent(*event, 1, false, &error));
  }
  // Whether the event an earlier launch left is still stored (a start adds its own automatic events).
  bool hasRawEvents(APMMeasurement& engine) { return !storedEvents(engine, "left_behind").empty(); }
  static std::vector<std::string> storedEvents(APMMeasurement& engine, const std::string& only = "") {
    std::vector<std::string> names;
    platform::foundation::Error error;
    auto database = engine.database();
    if (!database) return names;
    auto rows = database->store().recordsForQuery("SELECT name FROM raw_events ORDER BY rowid", {}, &error);
    for (const auto& row : rows.value_or(std::vector<platform::foundation::Dictionary>{})) {
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
  std::shared_ptr<APMPersistedConfig> persisted = std::make_shared<APMPersistedConfig>();
  std::vector<std::shared_ptr<APMMeasurement>> engines;
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
    EXPECT_EQ(engine->shouldEnableMeasurement(), c.enabled) << c.persistedState << " " << c.standardState;
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
  EXPECT_EQ(APMMeasurement::remoteConfig(), APMRemoteConfig::defaultInstance());
  engine->setEnabled(true);
  drain(*engine);
  ASSERT_TRUE(engine->isEnabled());
  EXPECT_TRUE(engine->didInitializeComponents());
  auto database = engine->database();
  ASSERT_TRUE(database);
  EXPECT_TRUE(engine->remoteConfigInstance());
  EXPECT_TRUE(engine->audience());
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
  EXPECT_EQ(engine->previousVMPAppID(), "1:1:ios:aaaa");
  EXPECT_FALSE(hasRawEvents(*engine));
  EXPECT_EQ(persisted->appIDFromVMP(), kMeasurementAppID);
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 0);
}

TEST_F(MeasurementTest, SameAppIDKeepsTheDataUnlessAWipeIsOwed) {
  persisted->setAppIDFromVMP(kMeasurementAppID);
  leaveRawEvent();
  auto engine = start(true, false, kMeasurementAppID);
  EXPECT_TRUE(hasRawEvents(*engine));
  EXPECT_TRUE(engine->hasDataToUpload());

  // A retry count of 3: an earlier wipe failed, so this start wipes although the IDs match.
  APMAnalytics::setResetRetryCount(3);
  auto restarted = start(true, false, kMeasurementAppID);
  EXPECT_FALSE(hasRawEvents(*restarted));
  // Only the first open that follows a wipe.
  EXPECT_EQ(storedEvents(*restarted), (std::vector<std::string>{"_f", "_e"}));
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 0);
}

TEST_F(MeasurementTest, AWipeThatCannotDeleteTheDatabaseFailsAndIsTriedAgain) {
  persisted->setAppIDFromVMP("1:1:ios:aaaa");
  blockDatabasePath();
  auto engine = start(true, false, "1:1:ios:bbbb");
  EXPECT_TRUE(scope.logged(23014));
  EXPECT_TRUE(scope.logged(23208));
  EXPECT_FALSE(engine->isEnabled());
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 1);

  // The next launch owes the wipe even though the app IDs now agree.
  std::filesystem::remove_all(databasePath());
  leaveRawEvent();
  ASSERT_EQ(persisted->appIDFromVMP(), kMeasurementAppID);
  auto next = start(true, false, kMeasurementAppID);
  EXPECT_TRUE(next->isEnabled());
  EXPECT_FALSE(hasRawEvents(*next));
  EXPECT_EQ(APMAnalytics::resetRetryCount(), 0);
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
  engine->setUserAttribute(APMUserAttribute("app", "plan", APMValue("pro"), environment.clock()->now()));
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
  engine->removeUserAttribute(APMUserAttribute("app", "plan", APMValue("pro"), environment.clock()->now()));
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
    EXPECT_EQ(engine->shouldWipeDataWithAppID(c.a, c.G, c.M, c.PG, c.PM), c.wipe)
        << c.a << "|" << c.G << "|" << c.M << "|" << c.PG << "|" << c.PM;
  }
  for (std::int64_t retries : {1, 9}) {
    APMAnalytics::setResetRetryCount(retries);
    EXPECT_TRUE(engine->shouldWipeDataWithAppID("a", "G", "", "G", "")) << retries;
  }
  APMAnalytics::setResetRetryCount(10);
  EXPECT_FALSE(engine->shouldWipeDataWithAppID("a", "G", "", "G", ""));
  APMAnalytics::setResetRetryCount(0);
}

TEST_F(MeasurementTest, ResetWithANewAppInstanceID) {
  auto engine = start();
  leaveRawEvent();
  EXPECT_FALSE(engine->resetAnalyticsDataWithAppInstanceID(std::string()));
  EXPECT_TRUE(scope.logged(23167));
  ASSERT_TRUE(engine->resetAnalyticsDataWithAppInstanceID("0123456789abcdef0123456789abcdef"));
  EXPECT_TRUE(scope.logged(23168));
  EXPECT_EQ(persisted->appInstanceID(), "0123456789abcdef0123456789abcdef");
  EXPECT_FALSE(hasRawEvents(*engine));
  EXPECT_TRUE(engine->isEnabled());

  // With analytics storage denied an empty ID is what a reset leaves.
  APMConsentSettingsUtil::setConsentSettings(platform::foundation::Dictionary{{"analytics_storage", "denied"}});
  EXPECT_TRUE(engine->resetAnalyticsDataWithAppInstanceID(std::string()));
  EXPECT_TRUE(scope.logged(23218));
}

TEST_F(MeasurementTest, NetworkLinesReachTheMonitorAtMappedLevels) {
  const std::pair<int, int> levels[] = {{3, 1}, {4, 4}, {5, 3}, {6, 6}, {7, 7}, {0, 3}, {9, 3}};
  for (auto [network, monitor] : levels) EXPECT_EQ(APMMeasurement::monitorLevelForNetworkLevel(network), monitor);
  auto engine = start(false);
  engine->ZURAridire_logWithLevel(kZURAridireLogLevelError, 1234, "Lost", platform::foundation::Value("ctx"));
  EXPECT_TRUE(scope.logged(1234));
}

TEST_F(MeasurementTest, SharedInstanceIsCreatedOnceAndNeverWithoutAnAppID) {
  APMMeasurement::resetSharedInstanceForTesting();
  APMMeasurement::initializeSharedInstanceWithAppID("", true, false, {});
  EXPECT_FALSE(APMMeasurement::hasSharedInstance());
  APMMeasurement::initializeSharedInstanceWithAppID(kMeasurementAppID, true, false, {});
  EXPECT_FALSE(APMMeasurement::hasSharedInstance());
  EXPECT_FALSE(APMMeasurement::sharedInstance());
  EXPECT_EQ(APMMeasurement::remoteConfig(), APMRemoteConfig::defaultInstance());

  APMMeasurement::resetSharedInstanceForTesting();
  APMMeasurement::initializeSharedInstanceWithAppID(kMeasurementAppID, false, false, {"_e"});
  auto first = APMMeasurement::sharedInstance();
  ASSERT_TRUE(first);
  engines.push_back(first);
  APMMeasurement::initializeSharedInstanceWithAppID("1:2:ios:ffff", false, false, {});
  EXPECT_EQ(APMMeasurement::sharedInstance(), first);
  EXPECT_EQ(first->appID(), kMeasurementAppID);
  EXPECT_EQ(first->safelistedEvents(), std::vector<std::string>{"_e"});
  drain(*first);
  APMMeasurement::resetSharedInstanceForTesting();
}

}  // namespace
