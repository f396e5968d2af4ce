// Events and user properties from the facade through the engine to the measurement database.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <limits>
#include <tuple>

#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/Analytics.h"
#include "sdk/analytics/engine/ConsentSettings.h"
#include "sdk/analytics/engine/EngineMessageCodes.h"
#include "sdk/analytics/engine/AppIdentifiers.h"
#include "sdk/analytics/engine/FacadeDefaults.h"
#include "sdk/analytics/engine/Identity.h"
#include "sdk/analytics/engine/MeasurementEngine.h"
#include "sdk/analytics/engine/MeasurementEventEntries.h"
#include "sdk/analytics/engine/IdentitySettings.h"
#include "sdk/analytics/engine/IdentityTestSupport.h"
#include "sdk/analytics/engine/MeasurementConfigTestSupport.h"
#include "sdk/analytics/foundation/Alarm.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/rules/ScriptCpuDeadline.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"
#include "sdk/analytics/rules/ScriptRuntime.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Error;
using platform::foundation::Value;

using ostrel::testing::kMeasurementAppID;

class MeasurementEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = ostrel::testing::ScopedIdentitySettings::install();
    Analytics::resetForTesting();
    Analytics::installErrorEventHandler();
    AppIdentifiers::sharedInstance()->setOrigin("fa");
    installEngineAccess();
  }
  // The facade's engine: a new one at each start, over the same persisted settings and files.
  void installEngineAccess() {
    Analytics::setIdentityForTesting(Identity::initWithPersistedConfig(std::make_shared<PersistedConfig>()));
    Analytics::setEngineAccess(
        {[this](const std::string&, bool, bool, const std::vector<std::string>&) {
           MeasurementEngine::Parts parts;
           parts.persistedConfig = persisted;
           parts.scheduler = std::make_shared<Scheduler>("test.worker");
           parts.alarm = std::make_shared<Alarm>(parts.scheduler->workerQueue(), MeasurementEngine::kAlarmName);
           parts.identity = Identity::initWithPersistedConfig(persisted);
           engine = MeasurementEngine::initWithParts(parts, kMeasurementAppID, true, false, {});
         },
         [this]() -> std::shared_ptr<sdk::analytics::FacadeEngine> { return engine; }});
  }
  void TearDown() override {
    drain();
    Analytics::resetForTesting();
    AppIdentifiers::setEngineIdentity(nullptr);
    sdk::analytics::IdentitySettings::setCurrent(nullptr);
    ostrel::testing::ScopedIdentitySettings::uninstall();
  }

  void start() {
    Analytics::startWithAppID(kMeasurementAppID, "fa", {});
    drain();
  }
  // The next launch of the app: a new facade and, at its start, a new engine.
  void relaunch() {
    drain();
    Analytics::resetForTesting();
    engine.reset();
    installEngineAccess();
  }
  // The facade's queues, then the engine's worker queue, twice: error events come back through both.
  void drain() {
    for (int round = 0; round < 2; ++round) {
      Analytics::drainForTesting();
      if (engine) engine->scheduler()->dispatchSyncOnWorkerQueueBlockID("test", [] {});
    }
  }
  // What was stored, without the first open's own "_f" and "_e".
  std::vector<std::string> storedNames() {
    std::vector<std::string> names;
    auto database = engine ? engine->database() : nullptr;
    if (!database) return names;
    auto rows = database->store().recordsForQuery(
        "SELECT name FROM raw_events WHERE name NOT IN ('_f', '_e') ORDER BY rowid", {});
    for (const auto& row : *rows) names.push_back(*row.at("name").string());
    return names;
  }
  // The stored events, in order, without the first open's own "_f" and "_e".
  std::vector<AnalyticsEvent> storedEvents() {
    std::vector<AnalyticsEvent> events;
    auto database = engine ? engine->database() : nullptr;
    if (!database) return events;
    auto rows = database->store().recordsForQuery(
        "SELECT * FROM raw_events WHERE name NOT IN ('_f', '_e') ORDER BY rowid", {});
    for (const auto& row : *rows) {
      if (auto data = MeasurementDatabase::rawEventDataFromDictionary(row)) events.push_back(data->rawEvent);
    }
    return events;
  }
  // A configuration as an earlier launch stored it, read when the engine builds its settings; with
  // the activities of an event-editing program when given ("rule" registers its options' callback).
  void storeConfiguration(const std::map<std::string, std::string>& settings,
                          const std::vector<std::string>& rules = {}) {
    auto database = ostrel::testing::succeeded(
        MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName, persisted));
    ASSERT_TRUE(database);
    auto config = ostrel::testing::measurementConfig(kMeasurementAppID, settings);
    if (!rules.empty()) {
      std::vector<std::pair<std::string, std::string>> activities;
      for (const auto& rule : rules) activities.emplace_back("rule", rule);
      nanoAddMessage(*config, 8, *ostrel::testing::program(ostrel::testing::kRuleRegistering, activities));
    }
    ASSERT_TRUE(database->updateRemoteConfig(*config));
  }

  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  ostrel::testing::MonitorScope log;
  std::shared_ptr<ostrel::testing::ScopedIdentitySettings> settings;
  std::shared_ptr<PersistedConfig> persisted = std::make_shared<PersistedConfig>();
  std::shared_ptr<MeasurementEngine> engine;
};

TEST_F(MeasurementEventsTest, EventsLoggedBeforeStartAreStoredAfterItInOrder) {
  Analytics::logEventWithName("first", {{"n", Value(1)}});
  Analytics::logEventWithName("second", {});
  Analytics::logEventWithName("ga_reserved_prefix", {});
  start();
  Analytics::logEventWithName("third", {});
  drain();
  auto names = storedNames();
  // The refused name comes back as an error event through the facade.
  ASSERT_EQ(std::erase(names, "_err"), 1u);
  EXPECT_EQ(names, (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(MeasurementEventsTest, ErrorEventsRaisedInTheWriteComeBackThroughTheFacade) {
  storeConfiguration({{"measurement.upload.max_public_events_per_day", "1"}});
  start();
  Analytics::logEventWithName("shop", {});
  Analytics::logEventWithName("shop", {});
  drain();
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"shop", "_err"}));
}

// A configuration whose program marks every event, and which leaves the editing switch out: every
// event is stored marked.
TEST_F(MeasurementEventsTest, AConfigurationThatLeavesTheEditingSwitchOutEditsEveryEvent) {
  storeConfiguration({}, {"(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\")"
                          " (call $e \"setParamValue\" (quote \"edited\" 1)) (return 0)))"});
  start();
  Analytics::logEventWithName("shop", {});
  Analytics::logEventWithName("pay", {});
  drain();
  const auto events = storedEvents();
  ASSERT_EQ(events.size(), 2u);
  for (const auto& event : events) EXPECT_TRUE(event.parameters().contains("edited")) << event.name();
}

// A program that makes a public event of every event, against a public cap of one: each made event is
// refused with an error event, which is written without editing. The engine settles at one error event
// for each made event refused, where each error event made another, refused again, without end.
TEST_F(MeasurementEventsTest, ErrorEventsAboutWhatEditingMadeAreNotEditedAgain) {
  storeConfiguration({{"measurement.upload.max_public_events_per_day", "1"}},
                     {"(object \"type\" \"create\" \"callback\" (fn \"\" (quote \"e\")"
                      " (log \"made\" 1 (object \"from\" (call $e \"getEventName\" (quote))))))"});
  start();
  Analytics::logEventWithName("shop", {});
  Analytics::logEventWithName("pay", {});
  // Settled: a drain after which the day's counts, dropped events included, stand still.
  const auto counted = [&] {
    const auto counts = ostrel::testing::succeeded(engine->database()->dailyCounts());
    return std::tuple(counts.allEventsCount, counts.publicEventsCount, counts.errorEventsCount);
  };
  auto before = counted();
  int rounds = 0;
  for (drain(); counted() != before && rounds < 50; drain(), ++rounds) before = counted();
  ASSERT_LT(rounds, 50) << "the engine never settled: " << std::get<1>(counted()) << " public events, "
                        << std::get<2>(counted()) << " error events";
  // The first open's event takes the one public place. Its engagement event makes one event, refused;
  // "shop" and "pay" are refused, and each of them, and each of their own error events, makes one,
  // refused: 1 + 3 + 3 error events, none of them edited.
  std::vector<std::string> names;
  for (const auto& event : storedEvents()) {
    names.push_back(event.name());
    const auto& parameters = event.parameters();
    if (event.name() == "made") {
      EXPECT_EQ(parameters.at("from").stringValue(), "first_open");
    } else {
      EXPECT_EQ(parameters.at("_err").int64Value(), 16);
    }
  }
  EXPECT_EQ(names, (std::vector<std::string>{"made", "_err", "_err", "_err", "_err", "_err", "_err", "_err"}));
  EXPECT_EQ(counted(), std::tuple(10, 8, 7));
}

TEST_F(MeasurementEventsTest, DefaultParametersAndUserPropertiesReachTheDatabase) {
  start();
  Analytics::setDefaultEventParameters(Dictionary{{"plan", Value("pro")}});
  Analytics::setUserPropertyString("gold", "tier");
  Analytics::logEventWithName("shop", {});
  drain();
  auto database = engine->database();
  ASSERT_TRUE(database);
  auto stored = ostrel::testing::succeeded(database->userAttributeWithName("tier"));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->value.stringValue(), "gold");
  auto rows = database->store().recordsForQuery("SELECT metadata_fingerprint FROM raw_events WHERE name = 'shop'", {});
  ASSERT_TRUE(rows && rows->size() == 1u);
  const std::int64_t fingerprint = rows->front().at("metadata_fingerprint").toInt64();
  auto events = database->rawEventsWithMetadataFingerprint(fingerprint, nullptr);
  ASSERT_TRUE(events);
  auto shop = std::find_if(events->begin(), events->end(),
                           [](const auto& stored) { return stored.rawEvent.name() == "shop"; });
  ASSERT_NE(shop, events->end());
  EXPECT_EQ(shop->rawEvent.parameters().at("plan").stringValue(), "pro");
  // Beside the first open's own properties.
  auto metadata = ostrel::testing::succeeded(database->queryRawEventsMetadataWithFingerprint(fingerprint));
  std::vector<std::string> properties;
  for (const auto& attribute : nanoGetMessageArray<ProtoUserAttribute>(*metadata, 2)) {
    properties.push_back(nanoGetString(*attribute, 1).value_or(""));
  }
  EXPECT_EQ(std::count(properties.begin(), properties.end(), "tier"), 1);
}

TEST_F(MeasurementEventsTest, TheEnginesEntriesRefuseMissingArgumentsAndFallSilentAtTheProcessEnd) {
  start();
  engine->entries().logEvent(std::optional<AnalyticsEvent>());
  EXPECT_TRUE(log.logged(23048));
  engine->entries().userAttributeWithName("tier", nullptr);
  EXPECT_TRUE(log.logged(23088));
  engine->entries().logEvent(AnalyticsEvent::create("auto", false, "_built", environment.clock()->now(), 0, {}));
  Analytics::setUserPropertyString("gold", "tier");
  drain();
  std::promise<std::optional<UserAttribute>> stored;
  engine->entries().userAttributeWithName("tier", [&](const std::optional<UserAttribute>& found) { stored.set_value(found); });
  auto tier = stored.get_future().get();
  ASSERT_TRUE(tier);
  EXPECT_EQ(tier->value.stringValue(), "gold");

  // Told the app terminates, the engine still stores what it is handed: the app may log on its way out.
  platform::foundation::NotificationCenter::defaultCenter().post("UIApplicationWillTerminateNotification");
  engine->entries().logEvent(AnalyticsEvent::create("auto", false, "_last", environment.clock()->now(), 0, {}));
  // Stopped at the process end, it lets that work run and drops what comes later without a word.
  engine->stopAtProcessEnd();
  sdk::analytics::LoggedEvent late;
  late.origin = "app";
  late.isPublicEvent = true;
  late.name = "late";
  late.enabled = true;
  engine->entries().logEvent(late);
  engine->setUserAttribute(UserAttribute("app", "plan", AnalyticsValue("pro"), 1));
  drain();
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"_built", "_last"}));
  EXPECT_FALSE(log.logged(23049));
  EXPECT_FALSE(log.logged(23081));
  EXPECT_FALSE(ostrel::testing::succeeded(engine->database()->userAttributeWithName("plan")));
}

// However long the worker's current work would run (here a script with no count to stop it, as an
// event whose editing takes its whole budget), the end waits for it only within its own bound: then
// the work is cut short at its next look at the time, and the end goes on, the event queued behind
// it stored.
TEST_F(MeasurementEventsTest, AtTheEndTheWorkersWorkIsCutPastTheEndsWait) {
  start();
  std::promise<void> running;
  std::atomic<std::int64_t> stoppedWith{0};
  engine->scheduler()->scheduleOnWorkerQueueBlockID("test:busy", [&] {
    ScriptLimits unbounded;
    unbounded.instructions = unbounded.cpuNanoseconds = std::numeric_limits<std::int64_t>::max() / 2;
    ScriptRuntime runtime(unbounded);
    running.set_value();
    const auto result = runtime.executeStatements(ostrel::testing::parse("(loop true 0 false (quote))"));
    stoppedWith = result.ok() ? 0 : result.error().code;
  });
  running.get_future().wait();
  Analytics::logEventWithName("queued", {});
  engine->stopAtProcessEnd();
  ScriptCpuDeadline::uncutForTesting();
  EXPECT_EQ(stoppedWith.load(), kScriptErrorLimitReached);
  EXPECT_TRUE(log.logged(messages::kWorkerCutAtExit));
  EXPECT_FALSE(log.logged(messages::kWorkerLeftAtExit));
  EXPECT_EQ(storedNames(), std::vector<std::string>{"queued"});
}

// Work that nothing can cut (held here until the test lets it go) does not hold the end either: it
// goes on without the worker, says so, and what the worker reaches afterwards is dropped.
TEST_F(MeasurementEventsTest, AtTheEndAWorkerThatCannotBeCutIsLeftBehind) {
  start();
  std::promise<void> running, release;
  engine->scheduler()->scheduleOnWorkerQueueBlockID("test:held", [&, released = release.get_future().share()] {
    running.set_value();
    released.wait();
  });
  running.get_future().wait();
  Analytics::logEventWithName("behind", {});
  engine->stopAtProcessEnd();
  ScriptCpuDeadline::uncutForTesting();
  EXPECT_TRUE(log.logged(messages::kWorkerCutAtExit));
  EXPECT_TRUE(log.logged(messages::kWorkerLeftAtExit));
  release.set_value();
  drain();
  EXPECT_TRUE(storedNames().empty());
}

TEST_F(MeasurementEventsTest, ConsentWithdrawnBeforeTheEngineStartsWipesItsDataAtTheStart) {
  start();
  Analytics::logEventWithName("before", {});
  drain();
  ASSERT_EQ(storedNames(), (std::vector<std::string>{"before"}));
  const auto firstID = engine->appInstanceID();
  ASSERT_TRUE(firstID);

  relaunch();
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("granted")}});
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("denied")}});
  EXPECT_TRUE(FacadeDefaults::deferredResetOnDeniedConsent()) << "no engine to reset yet";
  start();
  EXPECT_TRUE(log.logged(23171)) << "the start wiped";
  EXPECT_FALSE(FacadeDefaults::deferredResetOnDeniedConsent());
  EXPECT_TRUE(storedNames().empty());
  EXPECT_FALSE(engine->appInstanceID()) << "no instance ID while analytics storage is denied";

  // Granted again, the app gets an instance ID of its own, never the withdrawn one.
  Analytics::setConsent(Dictionary{{"analytics_storage", Value("granted")}});
  drain();
  const auto nextID = engine->appInstanceID();
  ASSERT_TRUE(nextID);
  EXPECT_NE(nextID, firstID);
  ConsentSettings::setConsentSettings(std::nullopt);
}

}  // namespace

}  // namespace sdk::analytics

