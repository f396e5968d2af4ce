// Events and user properties from the facade through the engine to the measurement database.
#include <gtest/gtest.h>

#include "sdk/analytics/engine/APMAnalytics.h"
#include "sdk/analytics/engine/APMConsentSettingsUtil.h"
#include "sdk/analytics/engine/APMIdentifiers.h"
#include "sdk/analytics/engine/APMIdentity.h"
#include "sdk/analytics/engine/APMMeasurement.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/foundation/APMAlarm.h"
#include "sdk/analytics/foundation/APMDatabase.h"
#include "sdk/analytics/foundation/APMNanoAccessors.h"
#include "sdk/analytics/foundation/APMPBMeasurement.h"
#include "sdk/analytics/foundation/APMPersistedConfig.h"
#include "sdk/analytics/foundation/APMScheduler.h"
#include "sdk/analytics/foundation/APMTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;

constexpr const char* kAppID = "1:100000000001:ios:0123456789abcdef";

class MeasurementEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = ostrel::testing::ScopedIdentitySettings::install();
    APMAnalytics::resetForTesting();
    APMAnalytics::installErrorEventHandler();
    APMAnalytics::setIdentityForTesting(APMIdentity::initWithPersistedConfig(std::make_shared<APMPersistedConfig>()));
    APMIdentifiers::sharedInstance()->setOrigin("fa");
    APMAnalytics::setEngineAccess(
        {[this](const std::string&, bool, bool, const std::vector<std::string>&) {
           APMMeasurement::Parts parts;
           parts.persistedConfig = persisted;
           parts.scheduler = std::make_shared<APMScheduler>("test.worker");
           parts.alarm = std::make_shared<APMAlarm>(parts.scheduler->workerQueue(), APMMeasurement::kAlarmName);
           parts.identity = APMIdentity::initWithPersistedConfig(persisted);
           engine = APMMeasurement::initWithParts(parts, kAppID, true, false, {});
         },
         [this]() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return engine; }});
  }
  void TearDown() override {
    drain();
    APMAnalytics::resetForTesting();
    APMIdentifiers::setEngineIdentity(nullptr);
    sdk::analytics::IdentitySettings::setCurrent(nullptr);
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }

  void start() {
    APMAnalytics::startWithAppID(kAppID, "fa", {});
    drain();
  }
  // The facade's queues, then the engine's worker queue, twice: error events come back through both.
  void drain() {
    for (int round = 0; round < 2; ++round) {
      APMAnalytics::drainForTesting();
      if (engine) engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
    }
  }
  std::vector<std::string> storedNames() {
    std::vector<std::string> names;
    auto database = engine ? engine->database() : nullptr;
    if (!database) return names;
    Error error;
    auto rows = database->store().recordsForQuery("SELECT name FROM raw_events ORDER BY rowid", {}, &error);
    for (const auto& row : *rows) names.push_back(*row.at("name").string());
    return names;
  }
  // A configuration as an earlier launch stored it, read when the engine builds its settings.
  void storeConfiguration(const std::map<std::string, std::string>& settings) {
    Error error;
    auto database = APMDatabase::initWithDatabaseName(APMDatabase::kDatabaseName, persisted, &error);
    ASSERT_TRUE(database) << error;
    auto config = APMPBMeasurementConfig::make();
    APMNanoSetString(*config, 1, std::string(kAppID));
    for (const auto& [name, value] : settings) {
      auto setting = APMPBSetting::make();
      APMNanoSetString(*setting, 0, name);
      APMNanoSetString(*setting, 1, value);
      APMNanoAddMessage(*config, 3, *setting);
    }
    ASSERT_TRUE(database->updateRemoteConfig(*config, &error)) << error;
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::MonitorScope log;
  std::shared_ptr<ostrel::testing::ScopedIdentitySettings> settings;
  std::shared_ptr<APMPersistedConfig> persisted = std::make_shared<APMPersistedConfig>();
  std::shared_ptr<APMMeasurement> engine;
};

TEST_F(MeasurementEventsTest, EventsLoggedBeforeStartAreStoredAfterItInOrder) {
  APMAnalytics::logEventWithName("first", {{"n", Value(1)}});
  APMAnalytics::logEventWithName("second", {});
  APMAnalytics::logEventWithName("ga_reserved_prefix", {});
  start();
  APMAnalytics::logEventWithName("third", {});
  drain();
  auto names = storedNames();
  // The refused name comes back as an error event through the facade.
  ASSERT_EQ(std::erase(names, "_err"), 1u);
  EXPECT_EQ(names, (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(MeasurementEventsTest, ErrorEventsRaisedInTheWriteComeBackThroughTheFacade) {
  storeConfiguration({{"measurement.upload.max_public_events_per_day", "1"}});
  start();
  APMAnalytics::logEventWithName("shop", {});
  APMAnalytics::logEventWithName("shop", {});
  drain();
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"shop", "_err"}));
}

TEST_F(MeasurementEventsTest, DefaultParametersAndUserPropertiesReachTheDatabase) {
  start();
  APMAnalytics::setDefaultEventParameters(Dictionary{{"plan", Value("pro")}});
  APMAnalytics::setUserPropertyString("gold", "tier");
  APMAnalytics::logEventWithName("shop", {});
  drain();
  Error error;
  auto database = engine->database();
  ASSERT_TRUE(database);
  auto stored = database->userAttributeWithName("tier", &error);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->value.stringValue(), "gold");
  auto fingerprint = database->nextMetadataFingerprintToProcess(&error);
  ASSERT_TRUE(fingerprint);
  auto events = database->rawEventsWithMetadataFingerprint(*fingerprint, &error, nullptr);
  ASSERT_EQ(events->size(), 1u);
  EXPECT_EQ(events->front().rawEvent.parameters().at("plan").stringValue(), "pro");
  auto metadata = database->queryRawEventsMetadataWithFingerprint(*fingerprint, &error);
  EXPECT_EQ(APMNanoGetMessageArray<APMPBUserAttribute>(*metadata, 2).size(), 1u);
}

}  // namespace
