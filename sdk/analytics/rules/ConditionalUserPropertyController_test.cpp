#include "sdk/analytics/rules/ConditionalUserPropertyController.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/Scheduler.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/rules/AudienceTestSupport.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;

// The engine as the controller sees it: a real database and worker queue, events it writes kept.
class EngineHost : public ostrel::testing::AudienceHost {
 public:
  std::shared_ptr<MeasurementDatabase> database() const override { return database_; }
  std::shared_ptr<Scheduler> scheduler() const override { return scheduler_; }
  bool isEnabled() const override { return enabled; }
  void writeEventOnWorkerQueue(const AnalyticsEvent& event) const override {
    std::lock_guard lock(mutex_);
    written_.push_back(event);
  }
  std::vector<std::string> writtenNames() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const auto& event : written_) names.push_back(event.name() + "@" + event.origin());
    return names;
  }

  std::shared_ptr<MeasurementDatabase> database_;
  std::shared_ptr<Scheduler> scheduler_ = std::make_shared<Scheduler>("com.vadeze.vura.worker");
  bool enabled = true;

 private:
  mutable std::mutex mutex_;
  mutable std::vector<AnalyticsEvent> written_;
};

class ConditionalUserPropertyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host->database_ = ostrel::testing::succeeded(MeasurementDatabase::initWithDatabaseName(
        MeasurementDatabase::kDatabaseName, std::make_shared<PersistedConfig>()));
    ASSERT_TRUE(host->database_);
    controller = std::make_shared<ConditionalUserPropertyController>(host);
  }

  // Runs `work` on the worker queue after everything queued before it.
  void onWorker(const std::function<void()>& work = [] {}) {
    host->scheduler_->dispatchSyncOnWorkerQueueBlockID("test", work);
  }
  std::optional<std::vector<AnalyticsEvent>> process(const std::string& name) {
    std::optional<std::vector<AnalyticsEvent>> triggered;
    onWorker([&] { triggered = controller->processEventOnWorkerQueue(event(name)); });
    return triggered;
  }
  static AnalyticsEvent event(const std::string& name) { return *AnalyticsEvent::create("app", false, name, 1, 0, {}); }
  static ConditionalUserProperty property(std::string trigger = {}, std::string value = "gold") {
    ConditionalUserProperty p;
    p.origin = "fcm";
    p.value = AnalyticsValue(std::move(value));
    p.triggerEventName = std::move(trigger);
    p.triggerTimeout = 60;
    p.timeToLive = 100;
    p.triggeredEvent = event("triggered");
    p.timedOutEvent = event("timed_out");
    p.expiredEvent = event("expired");
    return p;
  }
  std::optional<ConditionalUserProperty> row(const std::string& name) {
    return ostrel::testing::succeeded(host->database_->conditionalUserPropertyWithName(name));
  }
  std::optional<UserAttribute> attribute(const std::string& name) {
    return ostrel::testing::succeeded(host->database_->userAttributeWithName(name));
  }
  void set(const ConditionalUserProperty& p, const std::string& name) {
    controller->setConditionalUserProperty(p, name);
    onWorker();
  }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<EngineHost> host = std::make_shared<EngineHost>();
  std::shared_ptr<ConditionalUserPropertyController> controller;
};

TEST_F(ConditionalUserPropertyTest, DurationsAreBoundedAndFinite) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct Case {
    double value;
    bool valid;
  };
  for (auto [value, valid] : {Case{0.0005, false}, Case{0.001, true}, Case{15552000, true}, Case{15552001, false},
                              Case{nan, false}, Case{inf, false}, Case{-inf, false}}) {
    ostrel::testing::MonitorScope local;
    auto p = property();
    p.name = "tier";
    p.triggerTimeout = value;
    EXPECT_EQ(controller->isValid(p), valid) << value;
    EXPECT_EQ(local.logged(11000), !valid) << value;
    p.triggerTimeout = 1;
    p.timeToLive = value;
    EXPECT_EQ(controller->isValid(p), valid) << value;
    EXPECT_EQ(local.logged(11001), !valid) << value;
  }
  // A refused property is never scheduled.
  auto p = property();
  p.timeToLive = nan;
  set(p, "tier");
  EXPECT_FALSE(row("tier"));
}

TEST_F(ConditionalUserPropertyTest, SetWithoutTriggerIsActiveAtOnce) {
  double created = environment.clock()->now();
  set(property(), "tier");
  auto stored = row("tier");
  ASSERT_TRUE(stored);
  EXPECT_TRUE(stored->active);
  EXPECT_EQ(stored->triggeredTimestamp, created);
  ASSERT_TRUE(attribute("tier"));
  EXPECT_EQ(attribute("tier")->value, AnalyticsValue("gold"));
  EXPECT_EQ(attribute("tier")->lastSetTimestamp, created);
  EXPECT_EQ(host->writtenNames(), (std::vector<std::string>{"triggered@fcm"}));

  // Re-set while active, from another origin, with a trigger name: the trigger, origin and times
  // stay; the value changes; the user property is only rewritten for a request marked active.
  environment.advance(5);
  auto again = property("purchase", "silver");
  again.origin = "other";
  set(again, "tier");
  EXPECT_TRUE(scope.logged(11010));
  stored = row("tier");
  EXPECT_EQ(stored->origin, "fcm");
  EXPECT_EQ(stored->triggerEventName, "");
  EXPECT_EQ(stored->triggeredTimestamp, created);
  EXPECT_EQ(stored->value, AnalyticsValue("silver"));
  EXPECT_EQ(attribute("tier")->value, AnalyticsValue("gold"));
  EXPECT_EQ(host->writtenNames().size(), 1u);

  // Time to live runs out: the next event deletes the user property and logs the expired event.
  environment.advance(101);
  ASSERT_TRUE(process("anything"));
  EXPECT_FALSE(row("tier"));
  EXPECT_FALSE(attribute("tier"));
  EXPECT_EQ(host->writtenNames().back(), "expired@fcm");
}

TEST_F(ConditionalUserPropertyTest, TriggerWithinTimeoutAndTimeOutAfter) {
  set(property("purchase"), "early");
  set(property("purchase"), "late");
  EXPECT_FALSE(row("early")->active);
  EXPECT_FALSE(attribute("early"));
  // Another origin over an inactive row: the new origin is kept.
  auto other = property("purchase");
  other.origin = "abc";
  environment.advance(1);
  set(other, "late");
  EXPECT_EQ(row("late")->origin, "abc");

  environment.advance(59);  // "early" exactly at its timeout, "late" one second before
  auto triggered = process("purchase");
  ASSERT_TRUE(triggered);
  ASSERT_EQ(triggered->size(), 2u);
  EXPECT_TRUE(row("early")->active);
  EXPECT_EQ(attribute("early")->lastSetTimestamp, environment.clock()->now());
  EXPECT_EQ(row("early")->triggeredTimestamp, environment.clock()->now());

  set(property("purchase"), "third");
  environment.advance(60.5);
  EXPECT_EQ(process("purchase")->size(), 0u);  // timed out first, so never triggered
  EXPECT_FALSE(row("third"));
  EXPECT_EQ(host->writtenNames().back(), "timed_out@fcm");
}

TEST_F(ConditionalUserPropertyTest, ClearAndSetWithoutValueRemove) {
  set(property(), "tier");
  auto noValue = property();
  noValue.value.reset();
  noValue.expiredEvent = event("cleared");
  noValue.origin = "xyz";
  set(noValue, "tier");
  EXPECT_FALSE(row("tier"));
  EXPECT_FALSE(attribute("tier"));
  EXPECT_EQ(host->writtenNames().back(), "cleared@fcm");  // the stored origin

  set(property("purchase"), "waiting");
  controller->clearConditionalUserPropertyWithClearEvent(event("bye"), "waiting");
  onWorker();
  EXPECT_FALSE(row("waiting"));
  EXPECT_EQ(host->writtenNames().back(), "bye@fcm");  // logged also for an inactive row

  auto count = host->writtenNames().size();
  controller->clearConditionalUserPropertyWithClearEvent(event("bye"), "missing");
  onWorker();
  EXPECT_TRUE(scope.logged(11018));
  EXPECT_EQ(host->writtenNames().size(), count);
}

TEST_F(ConditionalUserPropertyTest, AFailingStepUndoesTheWholeProcessing) {
  set(property("purchase"), "stale");
  set(property(), "active");
  environment.advance(200);  // "stale" timed out, "active" expired
  ASSERT_TRUE(ostrel::testing::succeeded(host->database_->store().executeStatement(
      "CREATE TRIGGER refuse BEFORE DELETE ON user_attributes BEGIN SELECT RAISE(ABORT, 'refused'); END", {})));
  auto before = host->writtenNames().size();
  EXPECT_FALSE(process("purchase"));
  EXPECT_TRUE(scope.logged(10006));
  EXPECT_TRUE(row("stale"));  // its deletion was rolled back
  EXPECT_TRUE(row("active"));
  EXPECT_EQ(host->writtenNames().size(), before);  // and its timed-out event not written
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TEST_F(ConditionalUserPropertyTest, FullTableAndDisabledAnalytics) {
  onWorker([&] {
    // One outer transaction: each set's own one nests inside it.
    ASSERT_TRUE(host->database_->performTransaction([&] {
      for (int i = 0; i < 1000; ++i) {
        auto p = property("never");
        p.name = "p" + std::to_string(i);
        p.creationTimestamp = environment.clock()->now();
        controller->setConditionalUserPropertyOnWorkerQueue(p);
      }
      return true;
    }));
  });
  set(property(), "newcomer");
  EXPECT_TRUE(scope.logged(11014));
  EXPECT_FALSE(row("newcomer"));
  EXPECT_TRUE(attribute("newcomer"));  // written in the same committed transaction
  set(property("other", "v2"), "p5");
  EXPECT_EQ(row("p5")->value, AnalyticsValue("v2"));

  auto listed = controller->conditionalUserPropertiesWithNamePrefix("p99", std::nullopt);
  ASSERT_TRUE(listed);
  EXPECT_EQ(listed->size(), 11u);  // p99, p990-p999
  // From the worker queue itself the query runs inline instead of waiting on itself.
  std::optional<std::vector<ConditionalUserProperty>> inline_;
  onWorker([&] { inline_ = controller->conditionalUserPropertiesWithNamePrefix("p5", "fcm"); });
  ASSERT_TRUE(inline_);
  EXPECT_EQ(inline_->size(), 111u);

  host->enabled = false;
  EXPECT_FALSE(controller->conditionalUserPropertiesWithNamePrefix("p", std::nullopt));
  EXPECT_TRUE(scope.logged(11005));
  set(property(), "tier");
  EXPECT_TRUE(scope.logged(11007));
  controller->clearConditionalUserPropertyWithClearEvent(std::nullopt, "p1");
  onWorker();
  EXPECT_TRUE(scope.logged(11015));
  EXPECT_TRUE(row("p1"));
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TEST_F(ConditionalUserPropertyTest, CallersOnSeveralThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        controller->setConditionalUserProperty(property("go"), "t" + std::to_string(t) + "_" + std::to_string(i));
        (void)controller->conditionalUserPropertiesWithNamePrefix("t", std::nullopt);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  onWorker();
  EXPECT_EQ(controller->conditionalUserPropertiesWithNamePrefix("t", std::nullopt)->size(), 40u);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace

}  // namespace sdk::analytics

