#include "sdk/analytics/engine/reporters/SessionReporter.h"

#include <thread>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/PreferencesDomain.h"
#include "platform/foundation/PropertyList.h"
#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"
#include "sdk/analytics/engine/reporters/ReporterTestSupport.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;
using ostrel::testing::ReporterTestBase;

class SessionReporterTest : public ReporterTestBase {
 protected:
  std::shared_ptr<SessionReporter> makeReporter(bool enabled = true) {
    auto reporter = SessionReporter::initWithPersistedConfig(persisted, settings);
    reporter->setReportingEnabled(enabled);
    return reporter;
  }
  const double kLongInterval = 86400;
};

TEST_F(SessionReporterTest, BecomingActiveStartsASessionOnlyAfterTheTimeout) {
  auto reporter = makeReporter();
  reporter->setTimeoutSessionInterval(1800);
  const double start = environment.clock()->now();
  persisted->setLastSessionActivityClockTime(start);
  persisted->setSessionNumber(4);

  // Exactly the timeout is still the same session: expiry needs strictly more.
  environment.clock()->advance(1800);
  reporter->handleAppDidBecomeActive();
  EXPECT_TRUE(host->named("_s").empty());
  EXPECT_TRUE(host->properties().empty());
  EXPECT_EQ(persisted->sessionNumber(), 4);

  environment.clock()->advance(1800.5);
  reporter->handleAppDidBecomeActive();
  auto starts = host->named("_s");
  ASSERT_EQ(starts.size(), 1u);
  const auto sid = static_cast<std::int64_t>(environment.clock()->now());
  EXPECT_EQ(starts[0].origin, "auto");
  EXPECT_EQ(starts[0].integer("_sid"), sid);
  EXPECT_EQ(starts[0].integer("_sno"), 5);
  // Both properties are removed, then set to the new session.
  EXPECT_EQ(host->properties(), (std::vector<std::string>{"_sid=nil auto", "_sno=nil auto",
                                                          "_sid=" + std::to_string(sid) + " auto", "_sno=5 auto"}));
  EXPECT_EQ(persisted->sessionNumber(), 5);
  EXPECT_DOUBLE_EQ(persisted->lastSessionActivityClockTime(), environment.clock()->now());
  // On disk already, with the "_s" that implies it: a kill now cannot make the next start number it again.
  const Value onDisk = platform::foundation::PropertyList::readFile(
      platform::foundation::PreferencesDomain::named(PersistedConfig::kSuiteName)->path());
  EXPECT_EQ(onDisk["/vadeze/measurement/session_number"].toInt64(), 5);
}

TEST_F(SessionReporterTest, NoSessionWhileInactiveOrDisabled) {
  auto reporter = makeReporter();
  reporter->setTimeoutSessionInterval(0);
  environment.clock()->advance(10);
  host->active = false;
  reporter->logSessionStartEvent();
  EXPECT_TRUE(scope.logged(33005));
  EXPECT_EQ(reporter->logEngagementEventAndReturnTimeWithScreen(nullptr, false), 0);
  EXPECT_TRUE(scope.logged(33006));
  host->active = true;
  reporter->setReportingEnabled(false);
  reporter->handleAppDidBecomeActive();
  EXPECT_TRUE(host->events().empty());
  EXPECT_EQ(persisted->sessionNumber(), 0);
}

TEST_F(SessionReporterTest, NegativeTimeoutReadsAsZero) {
  auto reporter = makeReporter();
  persisted->setLastSessionActivityClockTime(environment.clock()->now());
  reporter->setTimeoutSessionInterval(-5);
  EXPECT_TRUE(scope.logged(33001));
  EXPECT_EQ(reporter->timeoutSessionInterval(), 0);
  EXPECT_FALSE(reporter->isSessionExpired());
  environment.clock()->advance(0.001);
  EXPECT_TRUE(reporter->isSessionExpired());
  EXPECT_FALSE(reporter->extendSession());
  reporter->setTimeoutSessionInterval(60);
  EXPECT_TRUE(reporter->extendSession());
  EXPECT_DOUBLE_EQ(persisted->lastSessionActivityClockTime(), environment.clock()->now());
}

TEST_F(SessionReporterTest, EngagementIsCappedAtAnHour) {
  configure({{"measurement.session.event_user_engagement_interval", "86400000"}});
  auto reporter = makeReporter();
  environment.clock()->advance(7200);
  EXPECT_EQ(reporter->logEngagementEventAndReturnTimeWithScreen(nullptr, false), 3600000);
  auto engagements = host->named("_e");
  ASSERT_EQ(engagements.size(), 1u);
  EXPECT_EQ(engagements[0].integer("_et"), 3600000);
  // The period starts over and the session is extended.
  environment.clock()->advance(2.5);
  reporter->logUserEngagementEvent();
  EXPECT_EQ(host->named("_e").back().integer("_et"), 2500);
  EXPECT_DOUBLE_EQ(persisted->lastSessionActivityClockTime(), environment.clock()->now());
}

TEST_F(SessionReporterTest, ScreenChangeNeedsOneSecondOfEngagement) {
  configure({{"measurement.session.event_user_engagement_interval", "86400000"},
             {"measurement.collection.efficient_engagement_reporting_enabled", "0"}});
  auto reporter = makeReporter();
  AnalyticsScreen first(std::nullopt, "FirstViewController", 11);
  AnalyticsScreen second(std::nullopt, "SecondViewController", 12);
  environment.clock()->advance(0.9);
  reporter->handleScreenDidChangeFromScreen(&first, &second);
  EXPECT_TRUE(host->named("_e").empty());
  environment.clock()->advance(0.1);
  reporter->handleScreenDidChangeFromScreen(&first, &second);
  auto engagements = host->named("_e");
  ASSERT_EQ(engagements.size(), 1u);
  EXPECT_EQ(engagements[0].integer("_et"), 1000);
  EXPECT_EQ(engagements[0].integer("_si"), 11);
  EXPECT_EQ(engagements[0].parameters.at("_sc").description(), "FirstViewController");
  EXPECT_FALSE(engagements[0].has("_fr"));
  // Nothing without a previous screen.
  environment.clock()->advance(5);
  reporter->handleScreenDidChangeFromScreen(nullptr, &second);
  EXPECT_EQ(host->named("_e").size(), 1u);
}

TEST_F(SessionReporterTest, EfficientReportingWithRedundantRemovalLeavesTheTimeForTheScreenView) {
  configure({{"measurement.session.event_user_engagement_interval", "86400000"},
             {"measurement.collection.efficient_engagement_reporting_enabled", "1"},
             {"measurement.collection.redundant_engagement_removal_enabled", "1"}});
  auto reporter = makeReporter();
  AnalyticsScreen first(std::nullopt, "First", 1);
  AnalyticsScreen second(std::nullopt, "Second", 2);
  environment.clock()->advance(4);
  reporter->handleScreenDidChangeFromScreen(&first, &second);
  EXPECT_TRUE(host->named("_e").empty());
  EXPECT_EQ(reporter->cutFreerideEngagementTimeMillis(), 4000);
  EXPECT_EQ(reporter->cutFreerideEngagementTimeMillis(), 0);
}

TEST_F(SessionReporterTest, ResignActiveMatrix) {
  struct Case {
    const char* background;
    const char* efficient;
    const char* redundantRemoval;
    std::vector<std::string> events;
    std::int64_t backgroundTime;  // "_et" of "_ab"; -1 when absent
    bool redundantMark;           // "_fr" on "_e"
  };
  const Case cases[] = {
      {"1", "0", "0", {"_e", "_ab"}, -1, false},
      {"1", "1", "0", {"_e", "_ab"}, 3000, true},
      {"1", "1", "1", {"_ab"}, 3000, false},
      {"0", "1", "1", {"_e"}, -1, false},
      {"0", "0", "0", {"_e"}, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("background ") + c.background + " efficient " + c.efficient + " removal " +
                 c.redundantRemoval);
    configure({{"measurement.session.event_user_engagement_interval", "86400000"},
               {"measurement.lifecycle.app_backgrounded_tracking", c.background},
               {"measurement.collection.efficient_engagement_reporting_enabled", c.efficient},
               {"measurement.collection.redundant_engagement_removal_enabled", c.redundantRemoval}});
    host->clear();
    auto reporter = makeReporter();
    AnalyticsScreen screen("Home", "HomeViewController", 7);
    environment.clock()->advance(3);
    reporter->handleAppWillResignActiveWithScreen(&screen);
    EXPECT_EQ(host->eventNames(), c.events);
    for (const auto& event : host->events()) {
      if (event.name == "_ab") { EXPECT_EQ(event.integer("_et"), c.backgroundTime); }
      if (event.name == "_e") {
        EXPECT_EQ(event.integer("_et"), 3000);
        EXPECT_EQ(event.has("_fr"), c.redundantMark);
        EXPECT_EQ(event.parameters.at("_sn").description(), "Home");
      }
    }
    EXPECT_FALSE(reporter->engagementTimerScheduledTimestamp());
  }
}

// A first start ended at once (a SIGTERM): the app resigns and goes to the background while the engine
// is still starting, in any order against the engine's steps (its reporter made, its first open asking
// whether a session runs, reporting switched on). However they fall, the first open finds no session
// running, and only engagement the engine reports extends one.
TEST_F(SessionReporterTest, WhatComesBeforeTheEngineReportsNeverHoldsBackTheFirstSession) {
  configure({{"measurement.session.event_user_engagement_interval", "86400000"}});
  AnalyticsScreen screen("Home", "HomeViewController", 7);
  enum Step { kResign, kBackground, kReporterMade, kFirstOpen, kReporting };
  const std::vector<std::vector<Step>> orders = {
      {kResign, kBackground, kReporterMade, kFirstOpen, kReporting},
      {kReporterMade, kResign, kBackground, kFirstOpen, kReporting},
      {kReporterMade, kResign, kFirstOpen, kBackground, kReporting},
      {kReporterMade, kFirstOpen, kResign, kReporting, kBackground},
      {kReporterMade, kFirstOpen, kReporting, kResign, kBackground},
  };
  for (std::size_t order = 0; order < orders.size(); ++order) {
    SCOPED_TRACE("order " + std::to_string(order));
    persisted->clearValues();
    host->clear();
    host->active = true;
    // Before the engine makes its own, a reporter that does not report yet (as one left by a wipe).
    auto reporter = makeReporter(false);
    double sessionStart = 0, reportedEngagement = 0;
    for (Step step : orders[order]) {
      environment.clock()->advance(0.02);
      const double now = environment.clock()->now();
      switch (step) {
        case kResign:
          reporter->handleAppWillResignActiveWithScreen(&screen);
          if (reporter->isReportingEnabled()) reportedEngagement = now;
          break;
        case kBackground: host->active = false; break;
        case kReporterMade: reporter = makeReporter(false); break;
        case kFirstOpen:
          EXPECT_TRUE(reporter->isSessionExpired()) << "the first open finds a session running";
          reporter->updatePropertiesForNewSessionStart();
          sessionStart = now;
          break;
        case kReporting: reporter->setReportingEnabled(true); break;
      }
    }
    EXPECT_EQ(persisted->sessionNumber(), 1);
    EXPECT_EQ(host->named("_e").size(), reportedEngagement > 0 ? 1u : 0u);
    // The last activity is the session's start, or the engagement reported after it.
    EXPECT_DOUBLE_EQ(persisted->lastSessionActivityClockTime(), std::max(sessionStart, reportedEngagement));
  }
}

TEST_F(SessionReporterTest, EngagementTimerFiresOnTheMainQueueAndTellsObservers) {
  configure({{"measurement.session.event_user_engagement_interval", "10000"}});
  int fired = 0;
  auto observation = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      SessionReporter::kEngagementTimerDidFireNotification, [&](const auto&) { ++fired; });
  auto reporter = makeReporter();
  ASSERT_TRUE(reporter->engagementTimerScheduledTimestamp());
  environment.advance(9.5);
  EXPECT_TRUE(host->named("_e").empty());
  environment.advance(0.5);
  EXPECT_EQ(fired, 1);
  ASSERT_EQ(host->named("_e").size(), 1u);
  EXPECT_EQ(host->named("_e")[0].integer("_et"), 10000);
  // The report arms the next run.
  environment.advance(10);
  EXPECT_EQ(fired, 2);
  reporter->setReportingEnabled(false);
  EXPECT_FALSE(reporter->engagementTimerScheduledTimestamp());
  environment.advance(30);
  EXPECT_EQ(fired, 2);
}

TEST_F(SessionReporterTest, PropertiesAndTheEnginesSessionStart) {
  auto reporter = makeReporter();
  persisted->setSessionNumber(9);
  const auto sid = reporter->sessionIDPropertyWithTimestamp(1700000123.75);
  EXPECT_EQ(sid, UserAttribute("auto", "_sid", AnalyticsValue(std::int64_t{1700000123}), 1700000123.75));
  EXPECT_EQ(reporter->sessionNumberProperty(),
            UserAttribute("auto", "_sno", AnalyticsValue(std::int64_t{9}), environment.clock()->now()));

  auto background = sdk::analytics::sessionStartEvent(Value(std::int64_t{3}), true, 1700000050.5);
  ASSERT_TRUE(background);
  EXPECT_EQ(background->name(), "_s");
  EXPECT_EQ(background->origin(), "auto");
  EXPECT_FALSE(background->isPublic());
  EXPECT_EQ(background->parameters().at("_sid"), AnalyticsValue(std::int64_t{1700000050}));
  EXPECT_EQ(background->parameters().at("_sno"), AnalyticsValue(std::int64_t{3}));
  EXPECT_EQ(background->parameters().at("_aib"), AnalyticsValue(std::int64_t{1}));
  auto foreground = sdk::analytics::sessionStartEvent(Value(std::int64_t{3}), false, 1700000050.5);
  EXPECT_FALSE(foreground->parameters().contains("_aib"));
}

TEST_F(SessionReporterTest, TheEngineMakesItsReporterThroughTheFactory) {
  sdk::analytics::SessionReporting::setFactory(nullptr);
  EXPECT_FALSE(sdk::analytics::SessionReporting::create(persisted, settings));
  SessionReporter::installFactory();
  auto made = sdk::analytics::SessionReporting::create(persisted, settings);
  ASSERT_TRUE(std::dynamic_pointer_cast<SessionReporter>(made));
  EXPECT_FALSE(made->isReportingEnabled());
}

// The worker queue asks about the session while the main thread reports engagement.
TEST_F(SessionReporterTest, WorkerQueueAndMainThreadShareTheReporter) {
  configure({{"measurement.session.event_user_engagement_interval", "86400000"},
             {"measurement.collection.efficient_engagement_reporting_enabled", "1"}});
  auto reporter = makeReporter();
  reporter->setTimeoutSessionInterval(1e9);
  auto worker = platform::dispatch::Queue::serial("test.worker");
  for (int i = 0; i < 200; ++i) {
    worker->async([reporter] {
      (void)reporter->extendSession();
      reporter->updatePropertiesForNewSessionStart();
      reporter->setTimeoutSessionInterval(1e9);
    });
  }
  for (int i = 0; i < 200; ++i) {
    reporter->logUserEngagementEvent();
    reporter->cutFreerideEngagementTimeMillis();
  }
  worker->sync([] {});
  EXPECT_EQ(persisted->sessionNumber(), 200);
  EXPECT_EQ(host->named("_e").size(), 200u);
}

}  // namespace

}  // namespace sdk::analytics

