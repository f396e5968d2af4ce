#include "sdk/analytics/engine/EventHandler.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/Bundle.h"

#include "sdk/analytics/engine/DefaultEventParameters.h"
#include "sdk/analytics/engine/EventPipelineTestSupport.h"
#include "sdk/analytics/engine/LoggedEventRouter.h"
#include "sdk/analytics/foundation/KeychainWrapper.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/SyncCountingVfsTestSupport.h"
#include "sdk/analytics/rules/ConditionalUserPropertyController.h"
#include "sdk/analytics/rules/ScriptProgramTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;
using platform::foundation::Value;
using ostrel::testing::kRuleRegistering;
using sdk::analytics::EventHandler;

struct Stored {
  AnalyticsEvent event;
  std::int64_t fingerprint;
  bool realtime;
};

class EventHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host->database_ = ostrel::testing::succeeded(
        MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName, host->persisted));
    ASSERT_TRUE(host->database_);
    controller = std::make_shared<ConditionalUserPropertyController>(host);
    handler = std::make_unique<EventHandler>(*host, host->database_, controller, host);
    host->handler = handler.get();
  }
  void TearDown() override {
    onWorker();
    host->editing.reset();  // it holds the host
  }

  void onWorker(const std::function<void()>& work = [] {}) {
    host->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", work);
  }
  static AnalyticsEvent event(const std::string& name, Parameters parameters = {}, std::string origin = "app") {
    auto made = AnalyticsEvent::create(std::move(origin), name.front() != '_', name, 1000, 0, std::move(parameters));
    EXPECT_TRUE(made) << name;
    return *made;
  }
  void handle(const AnalyticsEvent& e) {
    onWorker([&] { handler->handleEventOnWorkerQueue(e); });
  }
  void handle(const std::string& name, Parameters parameters = {}) { handle(event(name, std::move(parameters))); }

  std::vector<Stored> stored() {
    auto rows = host->database_->store().recordsForQuery("SELECT rowid, * FROM raw_events ORDER BY rowid", {});
    EXPECT_TRUE(rows);
    std::vector<Stored> events;
    for (const auto& row : rows ? *rows : std::vector<MeasurementDatabase::Row>{}) {
      auto data = MeasurementDatabase::rawEventDataFromDictionary(row);
      EXPECT_TRUE(data);
      if (data) events.push_back({data->rawEvent, data->metadataFingerprint, row.at("realtime").toInt64() != 0});
    }
    return events;
  }
  std::vector<std::string> storedNames() {
    std::vector<std::string> names;
    for (const auto& s : stored()) names.push_back(s.event.name());
    return names;
  }
  std::vector<std::int64_t> errorCodes() {
    std::vector<std::int64_t> codes;
    for (const auto& parameters : scope.errorEvents()) codes.push_back(parameters.at("_err").int64Value());
    return codes;
  }
  DailyCounts counts() { return ostrel::testing::succeeded(host->database_->dailyCounts()); }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<ostrel::testing::PipelineHost> host = std::make_shared<ostrel::testing::PipelineHost>();
  std::shared_ptr<ConditionalUserPropertyController> controller;
  std::unique_ptr<EventHandler> handler;
};

TEST_F(EventHandlerTest, AnEventBecomesOneRawEventAndBringsTheScheduleUpToDate) {
  handle("shop", {{"item", AnalyticsValue("hat")}});
  auto events = stored();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].event.name(), "shop");
  EXPECT_EQ(events[0].event.parameters().at("item").stringValue(), "hat");
  EXPECT_FALSE(events[0].realtime);
  EXPECT_EQ(host->calls(), std::vector<std::string>{"updateSchedule"});
  EXPECT_TRUE(ostrel::testing::succeeded(host->database_->eventAggregatesWithName("shop")));
  EXPECT_EQ(counts().allEventsCount, 1);
  EXPECT_EQ(counts().publicEventsCount, 1);

  // Disabled: nothing at all.
  host->enabled = false;
  host->clearCalls();
  handle("shop");
  EXPECT_EQ(stored().size(), 1u);
  EXPECT_TRUE(host->calls().empty());
}

TEST_F(EventHandlerTest, EventsOfOneRunOfWorkShareOneFlushToDiskMadeOnceTheRunIsDone) {
  testing::SyncCountingVfs vfs;  // counts the flushes of files opened from now on
  host->database_ = ostrel::testing::succeeded(
      MeasurementDatabase::initWithDatabasePath(container.pathFor("run.sql"), host->persisted));
  handler = std::make_unique<EventHandler>(*host, host->database_, controller, host);
  host->handler = handler.get();
  handle("first");
  onWorker();  // its flush, queued behind it, has run
  vfs.reset();
  onWorker([&] {
    for (const char* name : {"a", "b", "c"}) handler->handleEventOnWorkerQueue(event(name));
    EXPECT_EQ(vfs.syncs(), 0) << "nothing is flushed while the run goes on";
  });
  onWorker();
  EXPECT_EQ(vfs.syncs(), 1);
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"first", "a", "b", "c"}));
}

TEST_F(EventHandlerTest, TheSafelistMarksListedEventsAndDropsTheRest) {
  handle("before");
  host->safelist = {"shop", "_s"};
  handle("shop");
  handle("browse");
  handle(event("_s", {}, "auto"));
  auto events = stored();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].event.parameters().count("ga_safelisted"), 0u);
  EXPECT_EQ(events[1].event.name(), "shop");
  EXPECT_EQ(events[1].event.parameters().at("ga_safelisted").int64Value(), 1);
  EXPECT_EQ(events[2].event.name(), "_s");
  EXPECT_TRUE(scope.logged(23174));
}

TEST_F(EventHandlerTest, BlockedEventsAreRejectedWithAnErrorEventUnlessWholeKindsAreBlocked) {
  host->blocked = {"shop", "_err"};
  handle("shop");
  handle(event("_err", {{"_err", AnalyticsValue(std::int64_t{2})}}, "auto"));
  EXPECT_TRUE(stored().empty());
  ASSERT_EQ(scope.errorEvents().size(), 1u);
  EXPECT_EQ(scope.errorEvents()[0].at("_err").int64Value(), 11);
  EXPECT_EQ(scope.errorEvents()[0].at("_ev").stringValue(), "shop");
  // With every public event blocked, no error event tells of each one.
  host->blockPublic = true;
  handle("browse");
  EXPECT_EQ(scope.errorEvents().size(), 1u);
  EXPECT_TRUE(stored().empty());
  // Blocked events still passed the early filters.
  EXPECT_EQ(host->calls().size(), 3u);
}

TEST_F(EventHandlerTest, DailyLimitsDropCountAndStartOverOnANewDay) {
  host->maxPublicEvents = 3;
  double offset = host->persisted->midnightOffset();
  // The start of a counting day, whatever offset was drawn.
  double dayStart = (std::floor((environment.clock()->now() - offset) / 86400) + 1) * 86400 + offset;
  environment.advance(dayStart - environment.clock()->now());
  for (int i = 0; i < 4; ++i) handle("shop");
  EXPECT_EQ(stored().size(), 3u);
  EXPECT_EQ(errorCodes(), std::vector<std::int64_t>{16});
  EXPECT_TRUE(scope.logged(23057));
  // The dropped public event still counts as public, but not among all events.
  EXPECT_EQ(counts().publicEventsCount, 4);
  EXPECT_EQ(counts().allEventsCount, 3);
  // The error event itself is internal: stored, and counted as an error.
  handle(event("_err", {{"_err", AnalyticsValue(std::int64_t{16})}}, "auto"));
  EXPECT_EQ(stored().size(), 4u);
  EXPECT_EQ(counts().errorEventsCount, 1);

  environment.advance(86399);
  handle("shop");
  EXPECT_EQ(stored().size(), 4u);
  environment.advance(1);
  handle("shop");
  EXPECT_EQ(stored().size(), 5u);
  EXPECT_EQ(counts().publicEventsCount, 1);
  EXPECT_EQ(counts().allEventsCount, 1);
}

TEST_F(EventHandlerTest, DropsPastTheDailyLimitsAreLoggedForTheFirstAndEveryThousandth) {
  host->maxEvents = 2;
  handle("a");
  handle("b");
  // Counts as they stand before each further event: the drop is logged at 0, 1000, 2000 past the limit.
  for (auto [count, logs] : {std::pair{2, true}, {3, false}, {1001, false}, {1002, true}, {2002, true}}) {
    DailyCounts preset = counts();
    preset.allEventsCount = count;
    ASSERT_TRUE(host->database_->updateDailyCounts(preset));
    ostrel::testing::MonitorScope local;
    handle("c");
    EXPECT_EQ(local.logged(23055), logs) << count;
    EXPECT_EQ(counts().allEventsCount, count + 1);
  }
  EXPECT_EQ(stored().size(), 2u);

  // The limit looks at the count before the event: an event with three items still fits in the
  // last place, and counts as four.
  host->maxEvents = 100000;
  host->maxPublicEvents = counts().publicEventsCount + 1;
  std::int32_t before = counts().publicEventsCount;
  std::vector<Parameters> items(3, Parameters{{"item_id", AnalyticsValue("x")}});
  handle("items", {{"items", AnalyticsValue(items)}});
  EXPECT_EQ(counts().publicEventsCount, before + 4);
  handle("shop");
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"a", "b", "items"}));
  EXPECT_EQ(errorCodes(), std::vector<std::int64_t>{16});
}

TEST_F(EventHandlerTest, ErrorEventsHaveTheirOwnDailyLimit) {
  host->maxErrorEvents = 1;
  auto error = event("_err", {{"_err", AnalyticsValue(std::int64_t{4})}}, "auto");
  handle(error);
  handle(error);
  EXPECT_EQ(stored().size(), 1u);
  EXPECT_TRUE(scope.logged(23056));
  EXPECT_EQ(counts().errorEventsCount, 2);
  EXPECT_EQ(counts().allEventsCount, 1);
}

TEST_F(EventHandlerTest, ErrorEventsRaisedInTheWriteComeAfterItsTransaction) {
  host->maxPublicEvents = 0;
  // A handler that writes at once, as a synchronous facade would: it must find no open transaction.
  setErrorEventHandler([this](const std::string& origin, const std::string& name, const Parameters& p) {
    handler->writer().writeFilteredEventOnWorkerQueue(*AnalyticsEvent::create(origin, false, name, 1000, 0, p));
  });
  handle("shop");
  EXPECT_EQ(storedNames(), std::vector<std::string>{"_err"});
}

TEST_F(EventHandlerTest, TheEventNameCardinalityLimitsOnlyNewPublicNames) {
  host->maxEventNames = 500;
  ASSERT_TRUE(host->database_->performTransaction([&] {
    for (int i = 0; i < 500; ++i) {
      if (!host->database_->updateEventAggregates(EventAggregates("name" + std::to_string(i), 0, 0, 0, 0)))
        return false;
    }
    return true;
  }));
  handle("name7");
  handle("newcomer");
  handle(event("_internal_one", {}, "auto"));
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"name7", "_internal_one"}));
  EXPECT_EQ(errorCodes(), std::vector<std::int64_t>{8});
  EXPECT_TRUE(scope.logged(23065));
  // The refused event rolled its transaction back, daily counts included.
  EXPECT_EQ(counts().allEventsCount, 2);
}

TEST_F(EventHandlerTest, EventsUnderOneStateShareMetadataAndAUserPropertyChangeMakesNew) {
  handle("a");
  handle("b");
  ASSERT_TRUE(host->database_->updateUserAttribute(UserAttribute("app", "tier", AnalyticsValue("gold"), 1)));
  handle("c");
  auto events = stored();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].fingerprint, events[1].fingerprint);
  EXPECT_NE(events[1].fingerprint, events[2].fingerprint);
  auto rows = host->database_->store().recordsForQuery("SELECT count(*) AS n FROM raw_events_metadata", {});
  EXPECT_EQ(rows->front().at("n").toInt64(), 2);
}

TEST_F(EventHandlerTest, PurchasesRecordLifetimeValueAndKeepTheEventWhenTheAmountCantBeUsed) {
  handle("purchase", {{"value", AnalyticsValue(9.99)}, {"currency", AnalyticsValue("usd")}});
  handle("purchase", {{"value", AnalyticsValue(1e13)}, {"currency", AnalyticsValue("usd")}});
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"purchase", "purchase"}));
  EXPECT_EQ(ostrel::testing::succeeded(host->database_->userAttributeWithName("_ltv_USD"))->value.int64Value(),
            9990000);
  EXPECT_TRUE(scope.logged(22002));
  EXPECT_FALSE(scope.logged(23053));
  // Default conversions are marked, and a conversion is real-time while there is room.
  auto events = stored();
  EXPECT_TRUE(events[0].event.isConversion());
  EXPECT_TRUE(events[0].realtime);
}

TEST_F(EventHandlerTest, RealtimeStaysWithinTheDailyCapExceptForExemptEvents) {
  host->maxRealtimeEvents = 0;
  host->customConversions = {"signup"};
  auto flagged = [](const std::string& name) {
    auto e = event(name, {}, "auto");
    e.setRealtime(true);
    return e;
  };
  handle(flagged("shop"));
  handle(flagged("_iap"));
  handle(flagged("_f"));
  handle(flagged("_fx"));
  handle("signup");
  auto events = stored();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_FALSE(events[0].realtime);
  EXPECT_FALSE(events[0].event.isRealtime());
  EXPECT_TRUE(scope.logged(23060));
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(events[i].realtime) << events[i].event.name();
  EXPECT_FALSE(events[4].realtime);

  // Room under the cap: a custom conversion is real-time, other events are not.
  host->maxRealtimeEvents = 10;
  handle("signup");
  handle("browse");
  events = stored();
  EXPECT_TRUE(events[5].realtime);
  EXPECT_FALSE(events[6].realtime);
}

TEST_F(EventHandlerTest, DebugModeMarksEveryEventDebugAndRealtime) {
  ostrel::testing::MonitorScope debug({"-APMAnalyticsDebugEnabled"});
  host->maxRealtimeEvents = 0;
  handle("browse");
  auto events = stored();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_TRUE(events[0].realtime);
  EXPECT_TRUE(events[0].event.isDebug());
}

TEST_F(EventHandlerTest, AFailingEditingProgramStoresTheUneditedEventOnce) {
  const std::string registerRule =
      "(const \"register\" (require \"internal.registerCallback\"))"
      "(defun \"rule\" (quote \"options\") (register \"rule\" (. $options \"callback\") $options))";
  const std::string failing =
      "(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\") (call $e \"getEventName\" (quote 1))))";
  host->editing = std::make_shared<EventEditing>(host);
  ASSERT_TRUE(host->editing->loadProgram(*ostrel::testing::program(registerRule, {{"rule", failing}})).ok());
  // In debug mode, where the write says it stored the event.
  Monitor::setShared(std::make_shared<Monitor>(1, std::vector<std::string>{"-APMAnalyticsDebugEnabled"}));
  handle("shop", {{"value", AnalyticsValue(2.0)}});
  Monitor::setShared(scope.monitor);
  auto events = stored();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].event.name(), "shop");
  EXPECT_EQ(events[0].event.parameters().at("value").doubleValue(), 2.0);
  // The failure is told once the event is safely written.
  std::vector<std::int64_t> told;
  for (const auto& line : scope.console.lines()) {
    for (std::int64_t code : {23072, 23223}) {
      if (line.message.find(ostrel::testing::MonitorScope::tagOf(code)) != std::string::npos) told.push_back(code);
    }
  }
  EXPECT_EQ(told, (std::vector<std::int64_t>{23072, 23223}));

  // A working program's edit and created events are all written.
  const std::string editing =
      "(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\") (call $e \"setEventName\" (quote \"checkout\"))"
      " (return 0)))";
  host->editing = std::make_shared<EventEditing>(host);
  ASSERT_TRUE(host->editing->loadProgram(*ostrel::testing::program(registerRule, {{"rule", editing}})).ok());
  handle("shop");
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"shop", "checkout"}));
}

// An event editing makes is stored under its own name: a made "screen_view" is a public event, counted
// as one in the day's public events and in the names the cardinality limit allows, never the screen
// views' internal twin. Only the edited event takes the internal name of its public one.
TEST_F(EventHandlerTest, EventsEditingMakesKeepTheirOwnNames) {
  const std::string rules[] = {
      "(object \"type\" \"create\" \"callback\" (fn \"\" (quote \"e\") (log \"screen_view\" 1000 (object))))",
      "(object \"type\" \"edit\" \"callback\" (fn \"\" (quote \"e\")"
      " (if (=== (call $e \"getEventName\" (quote)) \"rename\") (quote (call $e \"setEventName\" (quote \"app_update\"))))"
      " (return 0)))"};
  host->editing = std::make_shared<EventEditing>(host);
  ASSERT_TRUE(host->editing->loadProgram(*ostrel::testing::program(kRuleRegistering, {{"rule", rules[0]}, {"rule", rules[1]}})).ok());
  handle(event("_internal", {}, "auto"));
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"_internal", "screen_view"}));
  EXPECT_EQ(counts().publicEventsCount, 1);
  handle(event("rename", {}, "auto"));
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"_internal", "screen_view", "_au", "screen_view"}));

  // With every name the limit allows taken, a made public name is refused as any new public name is.
  host->maxEventNames = 1;
  host->editing = std::make_shared<EventEditing>(host);
  const std::string madeAnew =
      "(object \"type\" \"create\" \"callback\" (fn \"\" (quote \"e\") (log \"made_anew\" 1000 (object))))";
  ASSERT_TRUE(host->editing->loadProgram(*ostrel::testing::program(kRuleRegistering, {{"rule", madeAnew}})).ok());
  handle(event("_internal", {}, "auto"));
  EXPECT_EQ(storedNames().back(), "_internal");
  EXPECT_EQ(errorCodes(), std::vector<std::int64_t>{8});
}

TEST_F(EventHandlerTest, RolloutSessionStartsAreDedupedAgainstTheStoredRollouts) {
  auto ssr = [](std::optional<AnalyticsValue> rollouts) {
    Parameters parameters;
    if (rollouts) parameters.emplace("_ffr", *rollouts);
    return event("_ssr", parameters, "auto");
  };
  handle(ssr(std::nullopt));         // nothing stored, nothing given: a duplicate
  handle(ssr(AnalyticsValue("")));         // the same
  handle(ssr(AnalyticsValue("r1")));       // stored now
  handle(ssr(AnalyticsValue("r1")));       // duplicate
  handle(event("_ae", {}, "auto"));  // carries the stored rollouts
  handle(event("_s", {}, "auto"));   // followed by a rollout session start
  handle(ssr(AnalyticsValue(std::int64_t{3})));  // not a string: logged, and clears the stored value
  handle(ssr(std::nullopt));
  auto events = stored();
  std::vector<std::string> names;
  for (const auto& s : events) names.push_back(s.event.name());
  EXPECT_EQ(names, (std::vector<std::string>{"_ssr", "_ae", "_s", "_ssr", "_ssr"}));
  EXPECT_EQ(events[1].event.parameters().at("_ffr").stringValue(), "r1");
  EXPECT_EQ(events[3].event.parameters().at("_ffr").stringValue(), "r1");
  EXPECT_TRUE(scope.logged(23190));
  EXPECT_TRUE(host->persisted->featureRollouts().isNil());
}

TEST_F(EventHandlerTest, DuplicateSubscriptionsAreDropped) {
  auto renew = [](std::int64_t id) {
    return event("_assr", {{"_did", AnalyticsValue(id)}, {"product_id", AnalyticsValue("gold")}}, "auto");
  };
  handle(renew(7));
  handle(renew(7));
  handle(renew(8));
  handle(event("_assr", {{"_did", AnalyticsValue("7")}}, "auto"));  // not an integer: not de-duplicated
  EXPECT_EQ(stored().size(), 3u);
  EXPECT_TRUE(scope.logged(23182));
}

TEST_F(EventHandlerTest, BackgroundEventsExtendOrStartSessionsAndExpiryRemovesSessionProperties) {
  for (const char* name : {"_sid", "_sno", "_se"}) {
    ASSERT_TRUE(host->database_->updateUserAttribute(UserAttribute("auto", name, AnalyticsValue(std::int64_t{1}), 1)));
  }
  // In the foreground nothing happens to sessions.
  host->sessionExpired = true;
  handle("a", {{"extend_session", AnalyticsValue(std::int64_t{1})}});
  EXPECT_TRUE(ostrel::testing::succeeded(host->database_->userAttributeWithName("_sid")));

  host->appActive = false;
  host->sessionExpired = false;
  host->clearCalls();
  handle("b", {{"extend_session", AnalyticsValue(std::int64_t{1})}});
  handle("c", {{"extend_session", AnalyticsValue("1")}});
  EXPECT_TRUE(scope.logged(23179));
  host->sessionExpired = true;
  handle("d", {{"extend_session", AnalyticsValue(std::int64_t{1})}});
  EXPECT_EQ(host->calls(), (std::vector<std::string>{"extendSession", "updateSchedule", "updateSchedule",
                                                      "sessionStartInBackground", "updateSchedule"}));
  for (const char* name : {"_sid", "_sno", "_se"})
    EXPECT_FALSE(ostrel::testing::succeeded(host->database_->userAttributeWithName(name)));
}

TEST_F(EventHandlerTest, TriggeredConditionalUserPropertiesFollowTheirEvent) {
  ConditionalUserProperty p;
  p.name = "tier";
  p.origin = "fcm";
  p.value = AnalyticsValue("gold");
  p.triggerEventName = "shop";
  p.triggerTimeout = 60;
  p.timeToLive = 100;
  p.creationTimestamp = environment.clock()->now();
  p.triggeredEvent = event("tier_set");
  ASSERT_TRUE(host->database_->updateConditionalUserProperty(p));
  handle("shop");
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"shop", "tier_set"}));
}

TEST_F(EventHandlerTest, InternalEventsTakeDefaultParametersAndReachTheListeners) {
  host->persisted->setDefaultEventParameters(platform::foundation::Dictionary{{"plan", Value("pro")}});
  onWorker([&] {
    handler->handleInternalEventOnWorkerQueue(event("_s", {}, "auto"));
    handler->handleInternalEventOnWorkerQueue(event("_err", {{"_err", AnalyticsValue(std::int64_t{2})}}, "auto"));
  });
  auto events = stored();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].event.parameters().at("plan").stringValue(), "pro");
  EXPECT_EQ(events[1].event.parameters().count("plan"), 0u);
  auto calls = host->calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "listeners:_s"), 1);
}

TEST_F(EventHandlerTest, FirstOpenCountsInTheKeychainAndWaitsForTheAdvertisingIdentifier) {
  std::string appID = platform::foundation::Bundle::main()->bundleIdentifier();
  handle(event("_f", {}, "auto"));
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", appID), "1");
  EXPECT_TRUE(host->persisted->unmatchedFirstOpenWithoutIDFA());
  // The next event written with the identifier brings a consented first open.
  host->advertisingID = "AD-ID";
  handle("shop");
  onWorker();
  EXPECT_EQ(storedNames(), (std::vector<std::string>{"_f", "shop", "_fx"}));
  EXPECT_TRUE(stored()[2].realtime);
  EXPECT_FALSE(host->persisted->unmatchedFirstOpenWithoutIDFA());

  // The counter stops at the largest value; garbage counts as none.
  ASSERT_TRUE(KeychainWrapper::upsertKeychainValue("9223372036854775807", "_pfo", appID));
  handle(event("_f", {}, "auto"));
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", appID), "9223372036854775807");
  ASSERT_TRUE(KeychainWrapper::upsertKeychainValue("many", "_pfo", appID));
  handle(event("_f", {}, "auto"));
  EXPECT_EQ(KeychainWrapper::keychainValueWithIdentifier("_pfo", appID), "1");
}

TEST_F(EventHandlerTest, LoggedEventsTakeDefaultsAndGoToTheInterceptorOrTheListeners) {
  sdk::analytics::DefaultEventParameters defaults(host->persisted);
  sdk::analytics::LoggedEventRouter router(*host, *handler, defaults);
  host->persisted->setDefaultEventParameters(platform::foundation::Dictionary{{"plan", Value("pro")}});
  std::vector<std::string> intercepted;
  auto log = [&](std::string name, bool isPublic, bool ignoreInterceptor = false, bool withInterceptor = false,
                 std::string origin = "app", bool enabled = true) {
    sdk::analytics::LoggedEvent logged;
    logged.origin = std::move(origin);
    logged.isPublicEvent = isPublic;
    logged.name = std::move(name);
    logged.parameters = {{"n", Value(1)}};
    logged.timestamp = 1000;
    logged.enabled = enabled;
    logged.ignoreInterceptor = ignoreInterceptor;
    logged.addedScreenParameters = {{"_si", AnalyticsValue(std::int64_t{7})}, {"_sn", AnalyticsValue("Home")}};
    if (withInterceptor) {
      logged.interceptor = [&](const std::string& o, const std::string& n, const platform::foundation::Dictionary& p,
                               double t) {
        intercepted.push_back(o + "/" + n + "/" + Value(p).description() + "/" + std::to_string(int(t)));
      };
    }
    onWorker([&] { router.logEventOnWorkerQueue(logged); });
  };
  log("shop", true);
  log("_err", false);
  log("quiet", true, /*ignoreInterceptor=*/true, /*withInterceptor=*/true);
  log("caught", true, false, true);
  log("_xa", false, false, false, "auto");
  log("bad name", true);
  log("off", true, false, false, "app", /*enabled=*/false);
  EXPECT_TRUE(scope.logged(23219));

  auto events = stored();
  std::vector<std::string> names;
  for (const auto& s : events) names.push_back(s.event.name());
  EXPECT_EQ(names, (std::vector<std::string>{"shop", "_err", "quiet", "_xa", "off"}));
  EXPECT_EQ(events[0].event.parameters().at("plan").stringValue(), "pro");
  EXPECT_EQ(events[0].event.parameters().at("_si").int64Value(), 7);
  EXPECT_EQ(events[1].event.parameters().count("plan"), 0u);
  EXPECT_EQ(events[2].event.parameters().count("plan"), 0u);
  ASSERT_EQ(intercepted.size(), 1u);
  EXPECT_NE(intercepted[0].find("app/caught/"), std::string::npos);
  EXPECT_NE(intercepted[0].find("Home"), std::string::npos);
  EXPECT_NE(intercepted[0].find("plan"), std::string::npos);
  auto calls = host->calls();
  std::vector<std::string> told;
  for (const auto& call : calls) {
    if (call.starts_with("listeners:")) told.push_back(call.substr(10));
  }
  EXPECT_EQ(told, (std::vector<std::string>{"shop", "_err", "quiet"}));
}

}  // namespace

}  // namespace sdk::analytics

