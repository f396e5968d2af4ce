#include "sdk/analytics/foundation/AnalyticsEvent.h"

#include <gtest/gtest.h>

#include "sdk/analytics/foundation/DailyCounts.h"
#include "sdk/analytics/foundation/NameChecks.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Dictionary;
using platform::foundation::Value;

class EventTest : public ::testing::Test {
 protected:
  ostrel::testing::MonitorScope scope;
};

AnalyticsValue integer(std::int64_t n) { return AnalyticsValue(n); }

TEST_F(EventTest, CreationChecksOriginAndName) {
  struct Case {
    const char* origin;
    bool isPublic;
    const char* name;
    bool made;
  } cases[] = {
      {"app", true, "purchase_done", true},
      {"app", false, "_vs", true},
      {"app", true, "_vs", false},         // public events need a public name
      {"app", true, "app_remove", false},  // reserved
      {"clx+vtm", false, "_ae", true},     // forwarded origin
      {"", false, "_ae", false},
      {"a-b", false, "_ae", false},
      {"a-b+vtm", false, "_ae", false},
      {"app", false, "", false},
      {"app", false, "bad name", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnalyticsEvent::create(c.origin, c.isPublic, c.name, 10, 0, {}).has_value(), c.made)
        << c.origin << " " << c.name;
  }
}

TEST_F(EventTest, PreviousTimestampAfterTimestampIsOnlyLogged) {
  auto event = AnalyticsEvent::create("app", false, "_e", 10, 20, {});
  ASSERT_TRUE(event);
  EXPECT_EQ(event->previousTimestamp(), 20);
  EXPECT_TRUE(scope.logged(16002));
}

TEST_F(EventTest, FlagsAreParametersAndCopiesKeepThem) {
  auto event = AnalyticsEvent::create("app", false, "_e", 10, 5, {{"a", integer(1)}});
  ASSERT_TRUE(event);
  event->setRealtime(true);
  event->setConversion(true);
  event->setDebug(true);
  EXPECT_TRUE(event->isRealtime() && event->isConversion() && event->isDebug());
  EXPECT_EQ(event->parameters().at("_r"), integer(1));
  event->setConversion(false);
  EXPECT_FALSE(event->parameters().count("_c"));

  AnalyticsEvent later = event->copyWithPreviousTimestamp(7);
  EXPECT_EQ(later.previousTimestamp(), 7);
  EXPECT_EQ(event->previousTimestamp(), 5);
  EXPECT_TRUE(later.isRealtime());
  AnalyticsEvent bare = event->copyWithParameters({});
  EXPECT_FALSE(bare.isRealtime());
  EXPECT_EQ(bare.name(), "_e");
}

TEST_F(EventTest, ApplyParametersSanitisesAndLetsTheEventWin) {
  auto event = AnalyticsEvent::create("app", true, "shop", 10, 0, {{"color", AnalyticsValue("red")}});
  ASSERT_TRUE(event);
  event->applyParameters(Dictionary{{"color", "blue"}, {"size", 3}, {"ga_bad", 1}, {"note", Value::null()}});
  EXPECT_EQ(event->parameters().at("color"), AnalyticsValue("red"));
  EXPECT_EQ(event->parameters().at("size"), integer(3));
  EXPECT_FALSE(event->parameters().count("ga_bad"));
  EXPECT_FALSE(event->parameters().count("note"));
  auto before = event->parameters();
  event->applyParameters({});
  event->applyParameters(Dictionary{{"ga_only", 1}});
  EXPECT_EQ(event->parameters(), before);
}

TEST_F(EventTest, ScreenParameterRules) {
  const std::string longName(101, 'x');
  struct Case {
    const char* what;
    Parameters eventParameters;
    Parameters screen;
    bool added;
    std::int64_t code;
  } cases[] = {
      {"all three", {}, {{"_si", integer(4)}, {"_sc", AnalyticsValue("Main")}, {"_sn", AnalyticsValue("Home")}}, true, 0},
      {"id only", {}, {{"_si", integer(4)}}, true, 0},
      {"no id", {}, {{"_sc", AnalyticsValue("Main")}}, false, 0},
      {"empty", {}, {}, false, 0},
      {"id not an integer", {}, {{"_si", AnalyticsValue("4")}}, false, 0},
      {"class too long", {}, {{"_si", integer(4)}, {"_sc", AnalyticsValue(longName)}}, false, 16003},
      {"class empty", {}, {{"_si", integer(4)}, {"_sc", AnalyticsValue("")}}, false, 16003},
      {"name not a string", {}, {{"_si", integer(4)}, {"_sn", integer(1)}}, false, 16004},
      {"already has one", {{"_sn", AnalyticsValue("Old")}}, {{"_si", integer(4)}}, false, 0},
  };
  for (Case& c : cases) {
    scope.console.clear();
    auto event = AnalyticsEvent::create("auto", false, "_e", 10, 0, c.eventParameters);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->addScreenParameters(c.screen), c.added) << c.what;
    if (c.added) {
      for (const auto& [name, value] : c.screen) {
        EXPECT_EQ(event->parameters().at(name), value) << c.what;
      }
    } else {
      EXPECT_EQ(event->parameters(), c.eventParameters) << c.what;
    }
    if (c.code) {
      EXPECT_TRUE(scope.logged(c.code)) << c.what;
    }
  }
}

TEST_F(EventTest, NameTests) {
  EXPECT_TRUE(isPublicName(Value("shop")));
  EXPECT_FALSE(isPublicName(Value("_s")));
  EXPECT_FALSE(isPublicName(Value("")));
  EXPECT_FALSE(isPublicName(Value(3)));
  EXPECT_TRUE(isErrorEvent("_err"));
  EXPECT_FALSE(isErrorEvent(""));
  EXPECT_FALSE(isNotErrorEventName("_err"));
  EXPECT_TRUE(isDefaultConversionEventName("_f"));
  EXPECT_FALSE(isDefaultConversionEventName("_s"));

  auto iap = AnalyticsEvent::create("auto", false, "_iap", 1, 0, {{"subscription", integer(1)}});
  auto plainIap = AnalyticsEvent::create("auto", false, "_iap", 1, 0, {{"subscription", integer(0)}});
  auto renew = AnalyticsEvent::create("auto", false, "_assr", 1, 0, {});
  EXPECT_TRUE(isSubscriptionEvent(*iap));
  EXPECT_FALSE(isSubscriptionEvent(*plainIap));
  EXPECT_TRUE(isSubscriptionEvent(*renew));

  std::vector<Parameters> items(3, Parameters{{"item_id", AnalyticsValue("a")}});
  auto withItems = AnalyticsEvent::create("app", true, "purchase", 1, 0,
                                    {{"items", AnalyticsValue(items)}, {"more", AnalyticsValue(std::vector<Parameters>(2))}});
  EXPECT_EQ(eventItemCount(*withItems), 5);
}

TEST_F(EventTest, DisplayFormsFollowDebugMode) {
  EXPECT_EQ(eventNameForDisplay("_vs"), "_vs");
  EXPECT_EQ(userPropertyNameForDisplay("_exp_7"), "experiment_id (_exp_7)");
  ostrel::testing::MonitorScope debug({"-APMAnalyticsDebugEnabled"});
  EXPECT_EQ(eventNameForDisplay("_vs"), "screen_view (_vs)");
  EXPECT_EQ(eventNameForDisplay("_cmp"), "vurevore_campaign (_cmp)");  // the first of two public names
  EXPECT_EQ(eventNameForDisplay("shop"), "shop");
  EXPECT_EQ(userPropertyNameForDisplay("_id"), "user_id (_id)");
  EXPECT_EQ(dictionaryDescriptionForDisplay({{"_si", integer(3)}, {"x", AnalyticsValue("y")}}),
            "{vurevore_screen_id (_si)=3, x=y}");
}

TEST(DailyCountsTest, EveryIncrementStartsANewDayOver) {
  using Step = std::function<void(DailyCounts&)>;
  const std::pair<const char*, Step> increments[] = {
      {"counts", [](DailyCounts& c) { c.incrementCountsForCurrentDay(2, true, true); }},
      {"counts by n", [](DailyCounts& c) { c.incrementCountsForCurrentDay(2, true, false, 4); }},
      {"errors", [](DailyCounts& c) { c.incrementErrorEventsCountForCurrentDay(2); }},
      {"realtime", [](DailyCounts& c) { c.incrementRealtimeCountsForCurrentDay(2); }},
  };
  for (const auto& [what, step] : increments) {
    DailyCounts counts;
    counts.resetWithNewDay(1);
    counts.conversionsCount = counts.allEventsCount = counts.publicEventsCount = 50;
    counts.errorEventsCount = counts.realtimeCount = 50;
    step(counts);
    EXPECT_EQ(counts.day, 2) << what;
    int total = counts.conversionsCount + counts.allEventsCount + counts.publicEventsCount + counts.errorEventsCount +
                counts.realtimeCount;
    EXPECT_LT(total, 20) << what << ": yesterday's counts were carried over";
  }

  DailyCounts counts;
  counts.resetWithNewDay(5);
  counts.incrementCountsForCurrentDay(5, true, true, 3);
  counts.incrementCountsForCurrentDay(5, false, false);
  counts.incrementErrorEventsCountForCurrentDay(5);
  counts.incrementRealtimeCountsForCurrentDay(5);
  EXPECT_EQ(counts.conversionsCount, 1);
  EXPECT_EQ(counts.allEventsCount, 5);
  EXPECT_EQ(counts.publicEventsCount, 3);
  EXPECT_EQ(counts.errorEventsCount, 1);
  EXPECT_EQ(counts.realtimeCount, 1);
  for (int i = 0; i < 10; ++i) counts.decrementAllEventsCount();
  EXPECT_EQ(counts.allEventsCount, 0);
}

}  // namespace

}  // namespace sdk::analytics

