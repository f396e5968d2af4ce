#include "sdk/analytics/engine/reporters/AdExposureReporter.h"

#include <thread>

#include "platform/foundation/NotificationCenter.h"
#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"
#include "sdk/analytics/engine/reporters/SessionReporter.h"
#include "sdk/analytics/engine/reporters/ReporterTestSupport.h"

namespace sdk::analytics {

namespace {

using ostrel::testing::ReporterTestBase;

class AdExposureReporterTest : public ReporterTestBase {
 protected:
  void advance(double seconds) { environment.clock()->advance(seconds); }
  std::shared_ptr<AdExposureReporter> reporter = AdExposureReporter::create();
};

TEST_F(AdExposureReporterTest, OverlappingUnitsAndTheAnyAdPeriod) {
  reporter->beginAdUnitExposure("banner");
  advance(5);
  reporter->beginAdUnitExposure("interstitial");
  advance(5);
  reporter->endAdUnitExposure("banner");
  advance(5);
  reporter->endAdUnitExposure("interstitial");

  auto events = host->events();
  ASSERT_EQ(host->eventNames(), (std::vector<std::string>{"_xu", "_xu", "_xa"}));
  for (const auto& event : events) EXPECT_EQ(event.origin, "am");
  EXPECT_EQ(events[0].parameters.at("_ai").description(), "banner");
  EXPECT_EQ(events[0].integer("_xt"), 10000);
  EXPECT_EQ(events[1].parameters.at("_ai").description(), "interstitial");
  EXPECT_EQ(events[1].integer("_xt"), 10000);
  EXPECT_EQ(events[2].integer("_xt"), 15000);
}

TEST_F(AdExposureReporterTest, ShortExposureLogsNothingButEndsTheUnit) {
  reporter->beginAdUnitExposure("banner");
  advance(0.999);
  reporter->endAdUnitExposure("banner");
  EXPECT_TRUE(host->events().empty());
  EXPECT_TRUE(scope.logged(1009));
  EXPECT_TRUE(scope.logged(1006));
  reporter->endAdUnitExposure("banner");
  EXPECT_TRUE(scope.logged(1004));
}

TEST_F(AdExposureReporterTest, RepeatedBeginsNeedAsManyEnds) {
  reporter->beginAdUnitExposure("banner");
  reporter->beginAdUnitExposure("banner");
  advance(2);
  reporter->endAdUnitExposure("banner");
  EXPECT_TRUE(host->events().empty());
  advance(1);
  reporter->endAdUnitExposure("banner");
  ASSERT_EQ(host->named("_xu").size(), 1u);
  EXPECT_EQ(host->named("_xu")[0].integer("_xt"), 3000);
}

TEST_F(AdExposureReporterTest, AtMostAHundredUnits) {
  for (int i = 0; i < 100; ++i) reporter->beginAdUnitExposure("unit" + std::to_string(i));
  reporter->beginAdUnitExposure("unit100");
  // A unit already tracked is refused too while the table is full.
  reporter->beginAdUnitExposure("unit0");
  reporter->waitForQueue();
  EXPECT_TRUE(scope.logged(1002));
  advance(2);
  reporter->endAdUnitExposure("unit100");
  EXPECT_TRUE(scope.logged(1004));
  reporter->endAdUnitExposure("unit0");
  ASSERT_EQ(host->named("_xu").size(), 1u);
  // Its one begin was counted; the refused second one was not.
  EXPECT_EQ(host->named("_xu")[0].parameters.at("_ai").description(), "unit0");
}

TEST_F(AdExposureReporterTest, EmptyIDsAreRefused) {
  reporter->beginAdUnitExposure("");
  reporter->endAdUnitExposure("");
  EXPECT_TRUE(scope.logged(1000));
  EXPECT_TRUE(scope.logged(1003));
}

TEST_F(AdExposureReporterTest, ScreenChangeCutsExposureForThePreviousScreen) {
  AnalyticsScreen home("Home", "HomeViewController", 41);
  AnalyticsScreen detail(std::nullopt, "DetailViewController", 42);
  reporter->beginAdUnitExposure("banner");
  advance(3);
  reporter->handleScreenDidChangeFromScreen(&home, &detail);
  auto cut = host->events();
  ASSERT_EQ(host->eventNames(), (std::vector<std::string>{"_xu", "_xa"}));
  for (const auto& event : cut) {
    EXPECT_EQ(event.integer("_xt"), 3000);
    EXPECT_EQ(event.integer("_si"), 41);
    EXPECT_EQ(event.parameters.at("_sn").description(), "Home");
    EXPECT_EQ(event.parameters.at("_sc").description(), "HomeViewController");
  }
  // Counting restarted at the change.
  host->clear();
  advance(2);
  reporter->endAdUnitExposure("banner");
  EXPECT_EQ(host->named("_xu")[0].integer("_xt"), 2000);
  EXPECT_EQ(host->named("_xa")[0].integer("_xt"), 2000);
}

TEST_F(AdExposureReporterTest, EngagementTimerResignAndReturn) {
  reporter->beginAdUnitExposure("banner");
  advance(4);
  platform::foundation::NotificationCenter::defaultCenter().post(SessionReporter::kEngagementTimerDidFireNotification);
  EXPECT_EQ(host->eventNames(), (std::vector<std::string>{"_xu", "_xa"}));
  host->clear();

  advance(2);
  AnalyticsScreen screen(std::nullopt, "Settings", 5);
  reporter->handleAppWillResignActiveWithScreen(&screen);
  EXPECT_EQ(host->named("_xu")[0].integer("_xt"), 2000);
  EXPECT_EQ(host->named("_xu")[0].integer("_si"), 5);
  host->clear();

  // Time away is not counted: becoming active starts the periods again.
  host->active = false;
  advance(60);
  reporter->handleAppDidBecomeActive();
  host->active = true;
  advance(1.5);
  reporter->endAdUnitExposure("banner");
  EXPECT_EQ(host->named("_xu")[0].integer("_xt"), 1500);
}

TEST_F(AdExposureReporterTest, RefusedWhileInactiveOrDisabled) {
  reporter->beginAdUnitExposure("banner");
  advance(2);
  host->active = false;
  reporter->logExposureEventsWithScreenParameters({});
  EXPECT_TRUE(scope.logged(1011));
  EXPECT_TRUE(scope.logged(1010));
  host->active = true;
  reporter->setReportingEnabled(false);
  advance(2);
  reporter->endAdUnitExposure("banner");
  EXPECT_TRUE(scope.logged(1007));
  EXPECT_TRUE(scope.logged(1005));
  EXPECT_TRUE(host->events().empty());
}

TEST_F(AdExposureReporterTest, BeginsAndEndsFromManyThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 50; ++i) {
        const std::string unit = "unit" + std::to_string(t) + "-" + std::to_string(i % 5);
        reporter->beginAdUnitExposure(unit);
        reporter->endAdUnitExposure(unit);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  reporter->waitForQueue();
  // Every end followed its own begin: no unit was ever unknown, none is left.
  EXPECT_FALSE(scope.logged(1004));
  reporter->logExposureEventsWithScreenParameters({});
  EXPECT_TRUE(host->events().empty());
}

}  // namespace

}  // namespace sdk::analytics

