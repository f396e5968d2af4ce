#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/engine/RawEventBundler.h"

#include <gtest/gtest.h>

#include "sdk/analytics/engine/BundlingTestSupport.h"
#include "sdk/analytics/engine/EventSampler.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;
using sdk::analytics::EventSampler;
using sdk::analytics::RawEventBundler;
using ostrel::testing::BundlingEnvironment;

using ostrel::testing::kHour;

class RawEventBundlerTest : public ::testing::Test {
 protected:
  RawEventBundler bundler(EventSampler::RandomSource random = {}) { return RawEventBundler(env.parts(), random); }
  // Bundles until nothing more comes; how many bundles were made.
  int bundleAll(RawEventBundler& b) {
    int made = 0;
    while (env.bundle(b)) ++made;
    return made;
  }

  BundlingEnvironment env;
};

TEST_F(RawEventBundlerTest, GroupsSplitAtClockHoursFingerprintsAndRowGaps) {
  auto other = BundlingEnvironment::metadata(BundlingEnvironment::kAppID, "AAAA-1111");
  env.store("a", kHour + 10);
  env.store("b", kHour + 3599);
  env.store("c", kHour + 3600);  // the next clock hour
  env.store(BundlingEnvironment::event("d", kHour + 3601), *other);
  env.store("e", kHour + 3602);  // back to the first metadata: a gap in its row IDs

  auto b = bundler();
  EXPECT_EQ(bundleAll(b), 4);
  auto bundles = env.queuedBundles();
  ASSERT_EQ(bundles.size(), 4u);
  std::vector<std::vector<std::string>> names;
  for (const auto& bundle : bundles) names.push_back(BundlingEnvironment::eventNames(*bundle));
  EXPECT_EQ(names, (std::vector<std::vector<std::string>>{{"a", "b"}, {"c"}, {"d"}, {"e"}}));

  // Start, end, index and the previous bundle's span.
  EXPECT_EQ(nanoGetInt64(*bundles[0], 4), std::int64_t((kHour + 10) * 1000));
  EXPECT_EQ(nanoGetInt64(*bundles[0], 5), std::int64_t((kHour + 3599) * 1000));
  EXPECT_FALSE(nanoHasField(*bundles[0], 7));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(nanoGetInt32(*bundles[i], 24), i + 1);
  EXPECT_EQ(nanoGetInt64(*bundles[1], 6), std::int64_t((kHour + 10) * 1000));
  EXPECT_EQ(nanoGetInt64(*bundles[1], 7), std::int64_t((kHour + 3599) * 1000));
  EXPECT_EQ(nanoGetString(*bundles[2], 19), "AAAA-1111");
  EXPECT_EQ(nanoGetString(*bundles[0], 14), BundlingEnvironment::kAppID);

  EXPECT_EQ(env.count("raw_events"), 0);
  EXPECT_EQ(env.count("raw_events_metadata"), 0);
  EXPECT_FALSE(env.bundle(b));  // nothing left
}

// A time far past what milliseconds can hold (a clock once taken from a damaged record) is held at the
// end of the range: the bundle never comes out dated before 1970.
TEST_F(RawEventBundlerTest, ATimePastTheMillisecondRangeSaturatesInsteadOfWrapping) {
  env.store("far", 1e18);
  auto b = bundler();
  ASSERT_TRUE(env.bundle(b));
  auto bundles = env.queuedBundles();
  ASSERT_EQ(bundles.size(), 1u);
  EXPECT_EQ(nanoGetInt64(*bundles[0], 4), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(nanoGetInt64(*bundles[0], 5), std::numeric_limits<std::int64_t>::max());
}

TEST_F(RawEventBundlerTest, CountAndSizeLimitsEndAGroupButAnOversizeFirstEventLeavesAlone) {
  env.configure({{"measurement.upload.max_events_per_bundle", "2"}, {"measurement.upload.max_batch_size", "200"}});
  env.store("big", kHour + 1, {{"text", AnalyticsValue(std::string(400, 'x'))}});
  for (int i = 0; i < 3; ++i) env.store("small", kHour + 2 + i);

  auto b = bundler();
  EXPECT_EQ(bundleAll(b), 3);
  auto bundles = env.queuedBundles();
  ASSERT_EQ(bundles.size(), 3u);
  EXPECT_EQ(BundlingEnvironment::eventNames(*bundles[0]), std::vector<std::string>{"big"});
  EXPECT_EQ(BundlingEnvironment::eventNames(*bundles[1]), (std::vector<std::string>{"small", "small"}));
  EXPECT_EQ(BundlingEnvironment::eventNames(*bundles[2]), std::vector<std::string>{"small"});
  EXPECT_EQ(env.count("raw_events"), 0);
}

TEST_F(RawEventBundlerTest, RowsThatNoLongerDecodeAreConsumedAndDoNotBlockLaterEvents) {
  auto metadata = BundlingEnvironment::metadata();
  env.store("a", kHour + 1);
  // A whole group of unreadable rows under a fingerprint of its own, older than everything else.
  ASSERT_TRUE(ostrel::testing::succeeded(env.database->store().executeStatement(
      "INSERT INTO raw_events (rowid, name, timestamp, metadata_fingerprint, data, realtime) VALUES (0, 'x', ?, 7, "
      "X'FFFF', 0)",
      {Value(kHour)})));
  env.store("b", kHour + 2);

  auto b = bundler();
  EXPECT_FALSE(env.scope.logged(23096));
  EXPECT_TRUE(env.bundle(b));
  EXPECT_TRUE(env.scope.logged(23096)) << "the group's filter tells of the row it could not read";
  auto bundles = env.queuedBundles();
  ASSERT_EQ(bundles.size(), 1u);
  EXPECT_EQ(BundlingEnvironment::eventNames(*bundles[0]), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(env.count("raw_events"), 0);
}

TEST_F(RawEventBundlerTest, EventsWithoutTheirMetadataAreDroppedAndDoNotBlockLaterEvents) {
  ASSERT_TRUE(env.database->insertRawEvent(BundlingEnvironment::event("orphan", kHour), 99, false));
  env.store("kept", kHour + 1);
  auto b = bundler();
  EXPECT_FALSE(env.bundle(b));  // the orphan group is deleted, no bundle
  EXPECT_EQ(env.count("raw_events"), 1);
  EXPECT_TRUE(env.bundle(b));
  ASSERT_EQ(env.queuedBundles().size(), 1u);
  EXPECT_EQ(BundlingEnvironment::eventNames(*env.queuedBundles()[0]), std::vector<std::string>{"kept"});
}

TEST_F(RawEventBundlerTest, BlockedEventsAreRejectedAndAWhollyRejectedGroupIsDeletedWithoutABundle) {
  env.configure({}, {{"blocked_one", true, std::nullopt}});
  env.store("blocked_one", kHour + 1);
  auto b = bundler();
  EXPECT_FALSE(env.bundle(b));
  EXPECT_TRUE(env.scope.logged(23100));
  EXPECT_TRUE(env.queuedBundles().empty());
  EXPECT_EQ(env.count("raw_events"), 0);
  EXPECT_EQ(env.count("raw_events_metadata"), 0);

  env.store("blocked_one", kHour + 2);
  env.store("kept", kHour + 3);
  EXPECT_TRUE(env.bundle(b));
  EXPECT_TRUE(env.scope.logged(23099));
  ASSERT_EQ(env.queuedBundles().size(), 1u);
  EXPECT_EQ(BundlingEnvironment::eventNames(*env.queuedBundles()[0]), std::vector<std::string>{"kept"});
}

TEST_F(RawEventBundlerTest, AggregatesGivePreviousTimestampsAndSessionStartResetsSessionEngagement) {
  env.store("_s", kHour + 1);
  env.store("_e", kHour + 2, {{"_et", AnalyticsValue(std::int64_t{500})}});
  env.store("_e", kHour + 3, {{"_et", AnalyticsValue(std::int64_t{250})}, {"_fr", AnalyticsValue(std::int64_t{1})}});
  auto b = bundler();
  ASSERT_TRUE(env.bundle(b));
  env.store("_e", kHour + 4, {{"_et", AnalyticsValue(std::int64_t{100})}});
  ASSERT_TRUE(env.bundle(b));

  auto bundles = env.queuedBundles();
  ASSERT_EQ(bundles.size(), 2u);
  EXPECT_EQ(BundlingEnvironment::integerUserProperty(*bundles[0], "_lte"), 500);
  EXPECT_EQ(BundlingEnvironment::integerUserProperty(*bundles[0], "_se"), 500);
  EXPECT_EQ(BundlingEnvironment::integerUserProperty(*bundles[1], "_lte"), 600);
  auto events = nanoGetMessageArray<ProtoEvent>(*bundles[1], 1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(nanoGetInt64(*events[0], 3), std::int64_t((kHour + 3) * 1000));  // the previous "_e"

  auto aggregates = ostrel::testing::succeeded(env.database->eventAggregatesWithName("_e"));
  ASSERT_TRUE(aggregates);
  EXPECT_EQ(aggregates->lifetimeCount, 3);
}

TEST_F(RawEventBundlerTest, SessionEngagementAddsUpOverEveryBundleOfASessionAndStartsAgainWithTheNext) {
  auto b = bundler();
  auto engagement = [](std::int64_t ms) { return sdk::analytics::Parameters{{"_et", AnalyticsValue(ms)}}; };
  // One bundle per hour: the first session spreads over three, the second starts with a bundle that
  // carries no engagement of its own and goes on in one more.
  env.store("_s", kHour + 1);
  env.store("_e", kHour + 2, engagement(500));
  ASSERT_TRUE(env.bundle(b));
  env.store("_e", kHour + 3600, engagement(100));
  ASSERT_TRUE(env.bundle(b));
  env.store("_e", 2 * 3600 + kHour, engagement(50));
  env.store("screen", 2 * 3600 + kHour + 1);
  ASSERT_TRUE(env.bundle(b));
  env.store("_s", 3 * 3600 + kHour);
  ASSERT_TRUE(env.bundle(b));
  env.store("_e", 4 * 3600 + kHour, engagement(70));
  ASSERT_TRUE(env.bundle(b));

  auto bundles = env.queuedBundles();
  ASSERT_EQ(bundles.size(), 5u);
  auto property = [&](size_t i, const char* name) { return BundlingEnvironment::integerUserProperty(*bundles[i], name); };
  EXPECT_EQ(property(0, "_se"), 500);
  EXPECT_EQ(property(1, "_se"), 600);
  EXPECT_EQ(property(2, "_se"), 650);
  EXPECT_EQ(property(3, "_se"), std::nullopt);  // the new session has no engagement yet
  EXPECT_EQ(property(4, "_se"), 70);
  EXPECT_EQ(property(4, "_lte"), 720);
  auto stored = ostrel::testing::succeeded(env.database->userAttributeWithName("_se"));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->value.int64Value(), 70);
}

TEST_F(RawEventBundlerTest, RealtimeCapAndConversions) {
  env.configure({{"measurement.upload.max_realtime_events_per_day", "1"}}, {{"goal", std::nullopt, std::nullopt, true}});
  auto realtime = BundlingEnvironment::event("goal", kHour + 1);
  env.store(realtime, *BundlingEnvironment::metadata());
  env.store(BundlingEnvironment::event("goal", kHour + 2), *BundlingEnvironment::metadata());
  auto b = bundler();
  ASSERT_TRUE(env.bundle(b));
  auto events = nanoGetMessageArray<ProtoEvent>(*env.queuedBundles()[0], 1);
  ASSERT_EQ(events.size(), 2u);
  auto first = BundlingEnvironment::parameters(*events[0]);
  auto second = BundlingEnvironment::parameters(*events[1]);
  EXPECT_TRUE(first.contains("_c"));
  EXPECT_TRUE(first.contains("_r"));
  EXPECT_TRUE(second.contains("_c"));
  EXPECT_FALSE(second.contains("_r"));  // over the cap of one
  EXPECT_TRUE(env.scope.logged(23104));
  auto counts = env.database->dailyCounts();
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->conversionsCount, 2);
  EXPECT_EQ(counts->realtimeCount, 1);
}

// --- sampling

class EventSamplingTest : public RawEventBundlerTest {
 protected:
  void SetUp() override {
    env.configure({{"measurement.event_sampling_enabled", "1"}},
                  {{"sampled", std::nullopt, 10}, {"badly_sampled", std::nullopt, 1}});
  }
  // A roll that always answers `value`, recording the bounds asked for.
  EventSampler::RandomSource roll(std::int32_t value) {
    return [this, value](std::int32_t bound) {
      bounds.push_back(bound);
      return value;
    };
  }
  std::vector<std::int32_t> bounds;
};

TEST_F(EventSamplingTest, FirstEventOfADayStaysMarkedAndLaterOnesDropWhenTheRollFails) {
  auto b = bundler(roll(3));
  env.store("sampled", kHour + 1, {{"_eid", AnalyticsValue(std::int64_t{41})}});
  ASSERT_TRUE(env.bundle(b));
  auto bundles = env.queuedBundles();
  ASSERT_EQ(bundles.size(), 1u);
  auto kept = BundlingEnvironment::parameters(*nanoGetMessageArray<ProtoEvent>(*bundles[0], 1).at(0));
  EXPECT_EQ(kept.at("_efs").int64Value(), 1);
  EXPECT_EQ(kept.at("_sr").int64Value(), 10);

  // The same day: dropped, the bundle with it; its event ID is remembered.
  env.store("sampled", kHour + 2, {{"_eid", AnalyticsValue(std::int64_t{42})}});
  EXPECT_TRUE(env.bundle(b));
  EXPECT_TRUE(env.scope.logged(23159));
  EXPECT_EQ(env.queuedBundles().size(), 1u);
  EXPECT_EQ(env.count("raw_events"), 0);
  auto aggregates = ostrel::testing::succeeded(env.database->eventAggregatesWithName("sampled"));
  ASSERT_TRUE(aggregates);
  EXPECT_EQ(aggregates->lastSampledComplexEventID, 42);
  EXPECT_EQ(aggregates->lastSamplingRate, 10);
  EXPECT_TRUE(aggregates->lastExemptFromSampling);

  // The next day starts over.
  env.store("sampled", kHour + 86400);
  EXPECT_TRUE(env.bundle(b));
  EXPECT_EQ(env.queuedBundles().size(), 2u);
  EXPECT_EQ(bounds, (std::vector<std::int32_t>{10, 10, 10}));
}

TEST_F(EventSamplingTest, AWinningRollKeepsTheRateAndAnAppsOwnRateParameterStays) {
  auto b = bundler(roll(0));
  env.store("sampled", kHour + 1);
  env.store("sampled", kHour + 2, {{"_sr", AnalyticsValue(std::int64_t{3})}});
  env.store("badly_sampled", kHour + 3);
  env.store("unsampled", kHour + 4);
  ASSERT_TRUE(env.bundle(b));
  auto events = nanoGetMessageArray<ProtoEvent>(*env.queuedBundles().at(0), 1);
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(BundlingEnvironment::parameters(*events[0]).at("_sr").int64Value(), 10);
  EXPECT_FALSE(BundlingEnvironment::parameters(*events[0]).contains("_efs"));
  EXPECT_EQ(BundlingEnvironment::parameters(*events[1]).at("_sr").int64Value(), 3);
  EXPECT_TRUE(env.scope.logged(23156));
  EXPECT_FALSE(BundlingEnvironment::parameters(*events[2]).contains("_sr"));
  EXPECT_EQ(bounds, (std::vector<std::int32_t>{10, 10}));  // a rate of 1 is never rolled
  EXPECT_FALSE(BundlingEnvironment::parameters(*events[3]).contains("_sr"));
}

TEST_F(EventSamplingTest, TheDayTurnsAtTheAccountsMidnight) {
  // 22:00 UTC is midnight at UTC+2: an event at 22:30 is on a new account day.
  env.configure({{"measurement.event_sampling_enabled", "1"}, {"measurement.account.time_zone_offset_minutes", "120"}},
                {{"sampled", std::nullopt, 10}});
  auto b = bundler(roll(5));
  env.store("sampled", kHour - 60);
  ASSERT_TRUE(env.bundle(b));
  env.store("sampled", kHour + 1800);
  ASSERT_TRUE(env.bundle(b));
  EXPECT_EQ(env.queuedBundles().size(), 2u);  // both first of their day
}

TEST_F(EventSamplingTest, DebugModeSkipsSampling) {
  BundlingEnvironment debug({"-APMAnalyticsDebugEnabled"});
  debug.configure({{"measurement.event_sampling_enabled", "1"}}, {{"sampled", std::nullopt, 10}});
  RawEventBundler b(debug.parts(), roll(5));
  debug.store("sampled", kHour + 1);
  debug.store("sampled", kHour + 2);
  ASSERT_TRUE(debug.bundle(b));
  EXPECT_EQ(BundlingEnvironment::eventNames(*debug.queuedBundles().at(0)).size(), 2u);
  EXPECT_TRUE(bounds.empty());
}

}  // namespace

}  // namespace sdk::analytics

