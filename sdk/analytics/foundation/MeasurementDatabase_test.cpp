#include "sdk/analytics/foundation/MeasurementDatabase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <random>
#include <utility>

#include "platform/foundation/Clock.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/NanoAccessors.h"
#include "sdk/analytics/foundation/ProtoAudienceMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/utilities/Gzip.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/FileContents.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using ostrel::testing::succeeded;
using platform::foundation::Data;
using platform::foundation::Error;
using platform::foundation::ManualClock;
using platform::foundation::Value;

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    database = open();
    ASSERT_TRUE(database);
  }

  std::shared_ptr<MeasurementDatabase> open() {
    return succeeded(MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName,
                                                               std::make_shared<PersistedConfig>()));
  }

  AnalyticsEvent event(const std::string& name, double timestamp, Parameters parameters = {}) {
    return *AnalyticsEvent::create("app", false, name, timestamp, 0, std::move(parameters));
  }

  std::shared_ptr<ProtoMeasurementBundle> bundle(std::int64_t end, std::size_t padding = 0) {
    auto b = ProtoMeasurementBundle::make();
    nanoSetInt64(*b, 5, end);
    nanoSetString(*b, 14, std::string(padding, 'p'));
    return b;
  }

  ostrel::testing::MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  const std::shared_ptr<ManualClock>& clock = environment.clock();
  std::shared_ptr<MeasurementDatabase> database;
};

TEST_F(DatabaseTest, UserAttributesAndCounters) {
  UserAttribute a("app", "plan", AnalyticsValue("pro"), 10), b("auto", "_fot", AnalyticsValue(std::int64_t{5}), 20),
      c("app", "_ltv_EUR", AnalyticsValue(2.5), 30), d("app", "_ltv_USD", AnalyticsValue(1.0), 40);
  for (const auto& attribute : {a, b, c, d}) ASSERT_TRUE(database->updateUserAttribute(attribute));
  EXPECT_EQ(succeeded(database->containsUserAttributeWithName("plan")), true);
  EXPECT_EQ(succeeded(database->containsUserAttributeWithName("nope")), false);
  EXPECT_EQ(succeeded(database->userAttributeWithName("_fot")), b);
  EXPECT_EQ(succeeded(database->publicUserAttributeCount()), 1);
  EXPECT_EQ(succeeded(database->userAttributeCountForOrigin("app")), 3);
  EXPECT_EQ(succeeded(database->userAttributesIncludingInternal(false)).size(), 1u);
  EXPECT_EQ(succeeded(database->userAttributesIncludingInternal(true)).size(), 4u);
  auto ltv = database->allLifetimeValueUserAttributes();
  ASSERT_EQ(ltv->size(), 2u);
  EXPECT_EQ(ltv->front().name, "_ltv_USD");  // newest first
  ASSERT_TRUE(database->deleteUserAttributeWithName("plan"));
  EXPECT_FALSE(succeeded(database->userAttributeWithName("plan")));

  EventAggregates shop("shop", 3, 2, 1, 100);
  shop.lastSamplingRate = 10;
  shop.lastExemptFromSampling = true;
  ASSERT_TRUE(database->updateEventAggregates(shop));
  ASSERT_TRUE(database->updateEventAggregates(EventAggregates("_s", 1, 1, 1, 50)));
  EXPECT_EQ(succeeded(database->eventAggregatesWithName("shop")), shop);
  EXPECT_FALSE(succeeded(database->eventAggregatesWithName("missing")));
  EXPECT_EQ(succeeded(database->publicEventCount()), 1);
  ASSERT_TRUE(database->clearCurrentSessionCounts());
  auto all = database->allEventAggregates();
  ASSERT_TRUE(all);
  for (const auto& aggregates : *all) EXPECT_EQ(aggregates.currentSessionCount, 0);

  EXPECT_EQ(succeeded(database->dailyCounts()), DailyCounts{});
  DailyCounts counts;
  counts.incrementCountsForCurrentDay(19700, true, true, 4);
  ASSERT_TRUE(database->updateDailyCounts(counts));
  EXPECT_EQ(succeeded(database->dailyCounts()), counts);
}

TEST_F(DatabaseTest, RawEventsByFingerprint) {
  EXPECT_FALSE(succeeded(database->nextMetadataFingerprintToProcess()));  // empty table: none, not 0
  EXPECT_FALSE(succeeded(database->queryLatestRawEventTime()));

  auto metadata = bundle(0);
  nanoSetString(*metadata, 8, "ios");
  std::int64_t fingerprint = MeasurementDatabase::metadataFingerprint(*metadata);
  ASSERT_TRUE(database->insertIfNotExistsRawEventMetadata(*metadata));
  ASSERT_TRUE(database->insertIfNotExistsRawEventMetadata(*metadata));  // once only
  EXPECT_EQ(*succeeded(database->queryRawEventsMetadataWithFingerprint(fingerprint)), *metadata);
  for (int i = 0; i < 1005; ++i) {
    const std::string name = std::string("e").append(std::to_string(i));  // not "e" + ...: an optimising g++ warns of it
    ASSERT_TRUE(database->insertRawEvent(event(name, 1000 + i, {{"value", AnalyticsValue(i * 0.5)}}),
                                         i < 3 ? 42 : fingerprint, i == 4));
  }
  EXPECT_EQ(succeeded(database->nextMetadataFingerprintToProcess()), 42);
  EXPECT_EQ(succeeded(database->queryLatestRawEventTime()), 2004);
  EXPECT_EQ(succeeded(database->containsRealtimeRawEventsWithError()), true);

  std::vector<std::int64_t> offeredCounts;
  auto offerAll = [&](const auto&, const auto&, std::int64_t accepted) {
    offeredCounts.push_back(accepted);
    return true;
  };
  auto all = database->rawEventsWithMetadataFingerprint(fingerprint, offerAll);
  ASSERT_TRUE(all);
  EXPECT_EQ(all->size(), 1000u);  // the read limit
  EXPECT_EQ(offeredCounts[10], 10);
  EXPECT_EQ(all->front().rawEvent.name(), "e3");
  EXPECT_EQ(all->front().rawEvent.parameters().at("value"), AnalyticsValue(1.5));  // a double parameter survives
  EXPECT_EQ(all->front().metadataFingerprint, fingerprint);

  auto some = database->rawEventsWithMetadataFingerprint(
      fingerprint, [](const MeasurementDatabase::Row& row, const auto&, std::int64_t accepted) {
        return accepted < 2 && row.at("name").toString() != "e4";
      });
  ASSERT_EQ(some->size(), 1u);  // "e4" refused: the list ends there
  EXPECT_TRUE(succeeded(database->rawEventsWithMetadataFingerprint(99, nullptr)).empty());

  std::int64_t lastRow = all->back().rowID;
  ASSERT_TRUE(database->deleteRawEventsWithMaxRowID(lastRow));
  EXPECT_EQ(succeeded(database->rawEventsWithMetadataFingerprint(fingerprint, nullptr)).size(), 2u);
  EXPECT_EQ(succeeded(database->containsRawEventWithMetadataFingerprint(42)), false);
  ASSERT_TRUE(database->deleteRawEventMetadataWithMetadataFingerprint(fingerprint));
  EXPECT_FALSE(succeeded(database->queryRawEventsMetadataWithFingerprint(fingerprint)));
}

TEST_F(DatabaseTest, ANewDatabaseIsMadeInOneCommitAndOpeningItAgainWritesNothing) {
  const std::string path = measurementDirectoryFilePath(MeasurementDatabase::kDatabaseName);
  EXPECT_EQ(ostrel::testing::walCommitCount(path), 1);
  auto second = open();  // a second connection while the first holds the log open
  ASSERT_TRUE(second);
  EXPECT_EQ(ostrel::testing::walCommitCount(path), 1);
  ASSERT_TRUE(second->insertRawEvent(event("e", 1000), 7, false));
  EXPECT_EQ(ostrel::testing::walCommitCount(path), 2);
}

TEST_F(DatabaseTest, ADatabaseFromBeforeTheIndexesGetsThemAndKeepsItsEvents) {
  // As a file written by an earlier release: raw events stored, no index on their fingerprint or the queue.
  for (const char* index : {"raw_events_metadata_fingerprint", "queue_bundle_end_timestamp", "queue_realtime"})
    ASSERT_TRUE(database->store().executeStatement(std::string("DROP INDEX ") + index, {}).ok());
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(database->insertRawEvent(event("e", 1000 + i), i % 2 ? 7 : 8, false));
  database.reset();
  database = open();
  ASSERT_TRUE(database);

  // Each question bundling asks per group, and the upload schedule of the queue after every event,
  // goes through an index, not through the whole table (a scan of the queue reads every bundle).
  for (const auto& [question, index] : std::initializer_list<std::pair<const char*, const char*>>{
           {"SELECT EXISTS (SELECT 1 FROM raw_events WHERE metadata_fingerprint = 7)",
            "INDEX raw_events_metadata_fingerprint"},
           {"SELECT rowid, * FROM raw_events WHERE metadata_fingerprint = 7 ORDER BY rowid ASC",
            "INDEX raw_events_metadata_fingerprint"},
           {"SELECT MAX(bundle_end_timestamp) FROM queue", "INDEX queue_bundle_end_timestamp"},
           {"SELECT EXISTS (SELECT 1 FROM queue WHERE realtime = 1)", "INDEX queue_realtime"}}) {
    auto plan = database->store().recordsForQuery(std::string("EXPLAIN QUERY PLAN ") + question, {});
    ASSERT_TRUE(plan);
    std::string details;
    for (const auto& row : *plan) details += row.at("detail").toString() + "; ";
    EXPECT_NE(details.find(index), std::string::npos) << question << ": " << details;
  }
  EXPECT_EQ(succeeded(database->containsRawEventWithMetadataFingerprint(7)), true);
  EXPECT_EQ(succeeded(database->rawEventsWithMetadataFingerprint(8, nullptr)).size(), 3u);
  ASSERT_TRUE(database->deleteRawEventsWithMaxRowID(5));
  EXPECT_EQ(succeeded(database->containsRawEventWithMetadataFingerprint(7)), false);
}

TEST_F(DatabaseTest, APoisonRawEventIsRemovedAndLaterEventsGoThrough) {
  ASSERT_TRUE(database->insertRawEvent(event("good1", 1), 7, false));
  ASSERT_TRUE(database->store()
                  .executeStatement("INSERT INTO raw_events (name, timestamp, metadata_fingerprint, data, realtime) "
                                    "VALUES ('bad', 2, 7, ?, 0)",
                                    {Value::data({0x0A, 0x7F, 0x01})})
                  .ok());
  ASSERT_TRUE(database->insertRawEvent(event("good2", 3), 7, false));
  auto events = database->rawEventsWithMetadataFingerprint(7, nullptr);
  ASSERT_TRUE(events);
  ASSERT_EQ(events->size(), 2u);
  EXPECT_EQ((*events)[1].rawEvent.name(), "good2");
  EXPECT_TRUE(scope.logged(12050));
  EXPECT_EQ(succeeded(database->store().recordsForQuery("SELECT count(*) AS n FROM raw_events", {})).front().at("n"),
            Value(2));

  // A group made only of poison rows is an empty group, not a failure, and is gone afterwards.
  ASSERT_TRUE(database->store()
                  .executeStatement("INSERT INTO raw_events (name, timestamp, metadata_fingerprint, data, realtime) "
                                    "VALUES ('bad', 2, 8, x'FF', 0)",
                                    {})
                  .ok());
  auto poisoned = database->rawEventsWithMetadataFingerprint(8, nullptr);
  ASSERT_TRUE(poisoned);
  EXPECT_TRUE(poisoned->empty());
  EXPECT_EQ(succeeded(database->containsRawEventWithMetadataFingerprint(8)), false);
}

TEST_F(DatabaseTest, RawEventsOverTheAbsoluteLimitGoOldestFirst) {
  MeasurementDatabase::Settings settings;
  settings.maxEventsStored = [] { return std::int64_t{3}; };
  database->setSettings(settings);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(database->insertRawEvent(event("e" + std::to_string(i), i), 1, false));
  EXPECT_EQ(succeeded(database->deleteRawEventsOverAbsoluteLimit()), 2);
  auto left = database->rawEventsWithMetadataFingerprint(1, nullptr);
  ASSERT_EQ(left->size(), 3u);
  EXPECT_EQ(left->front().rawEvent.name(), "e2");
  // Gaps in the row IDs: a span over the limit with few rows deletes nothing; the next excess does.
  ASSERT_TRUE(database->store().executeStatement("DELETE FROM raw_events WHERE name = 'e3'", {}).ok());
  EXPECT_EQ(succeeded(database->deleteRawEventsOverAbsoluteLimit()), 0);
  for (int i = 5; i < 7; ++i) ASSERT_TRUE(database->insertRawEvent(event("e" + std::to_string(i), i), 1, false));
  EXPECT_EQ(succeeded(database->deleteRawEventsOverAbsoluteLimit()), 1);
  EXPECT_EQ(succeeded(database->rawEventsWithMetadataFingerprint(1, nullptr)).front().rawEvent.name(), "e4");
  ASSERT_TRUE(database->deleteRawEventsWithMaxRowID(100));
  EXPECT_EQ(succeeded(database->deleteRawEventsOverAbsoluteLimit()), 0);
}

// At the cap every event deletes exactly the oldest rows beyond it, whatever removed rows before:
// bundling, a row dropped from the middle, a rolled-back insert, a reset, a lowered cap, and a file
// written before the store counted its rows.
TEST_F(DatabaseTest, TheStorageCapKeepsExactlyTheNewestEvents) {
  std::int64_t limit = 50;
  MeasurementDatabase::Settings settings;
  settings.maxEventsStored = [&] { return limit; };
  database->setSettings(settings);
  std::deque<std::string> kept;  // what must be stored, oldest first
  std::mt19937 random(66);
  auto storedNames = [&] {
    std::deque<std::string> names;
    auto rows = succeeded(database->store().recordsForQuery("SELECT name FROM raw_events ORDER BY rowid", {}));
    for (const auto& row : rows) names.push_back(row.at("name").toString());
    return names;
  };
  for (int step = 0; step < 800; ++step) {
    const unsigned pick = random() % 100;
    if (pick < 3 && !kept.empty()) {  // bundling: every row up to one
      const std::size_t upTo = random() % kept.size();
      auto rowIDs = succeeded(database->store().recordsForQuery("SELECT rowid FROM raw_events ORDER BY rowid", {}));
      ASSERT_TRUE(database->deleteRawEventsWithMaxRowID(rowIDs[upTo].at("rowid").toInt64()));
      kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(upTo + 1));
    } else if (pick < 6 && !kept.empty()) {  // a row taken from the middle
      const std::string name = kept[random() % kept.size()];
      ASSERT_TRUE(database->store().executeStatement("DELETE FROM raw_events WHERE name = ?", {Value(name)}).ok());
      std::erase(kept, name);
    } else if (pick < 7) {
      limit = 20 + static_cast<std::int64_t>(random() % 60);
    } else if (pick < 8) {  // reopened as an earlier release left it: neither the count nor its triggers
      for (const char* drop : {"DROP TRIGGER raw_events_counted_insert", "DROP TRIGGER raw_events_counted_delete",
                               "DROP TABLE raw_events_count"})
        ASSERT_TRUE(database->store().executeStatement(drop, {}).ok());
      database = open();
      database->setSettings(settings);
    } else if (pick < 9) {
      ASSERT_TRUE(database->reset());
      kept.clear();
    } else {  // an event, as the writer stores one; now and then rolled back after the insert
      const bool rolledBack = pick < 15;
      const std::string name = "e" + std::to_string(step);
      std::int64_t deleted = -1;
      (void)database->performTransaction([&] {
        deleted = succeeded(database->deleteRawEventsOverAbsoluteLimit());
        return database->insertRawEvent(event(name, step), 1, false).ok() && !rolledBack;
      });
      const auto excess = static_cast<std::int64_t>(kept.size()) - limit;
      ASSERT_EQ(deleted, std::max<std::int64_t>(0, excess)) << "step " << step;
      if (rolledBack) continue;
      if (excess > 0) kept.erase(kept.begin(), kept.begin() + excess);
      kept.push_back(name);
    }
    ASSERT_EQ(storedNames(), kept) << "step " << step;
  }
}

TEST_F(DatabaseTest, TheStoredDataSummaryAnswersAsEachQuestionDoes) {
  auto agrees = [&](const char* what) {
    const auto summary = succeeded(database->storedDataSummary());
    EXPECT_EQ(summary.hasQueuedBundles, !succeeded(database->isQueuedBundleTableEmpty())) << what;
    EXPECT_EQ(summary.hasRawEvents, !succeeded(database->isRawEventsTableEmpty())) << what;
    EXPECT_EQ(summary.latestRawEventTime, succeeded(database->queryLatestRawEventTime())) << what;
    EXPECT_EQ(summary.latestBundleTime, succeeded(database->queryLatestBundleTime())) << what;
    EXPECT_EQ(summary.hasRealtimeBundles, succeeded(database->containsRealtimeBundlesWithError())) << what;
    EXPECT_EQ(summary.hasRealtimeRawEvents, succeeded(database->containsRealtimeRawEventsWithError())) << what;
  };
  agrees("empty");
  ASSERT_TRUE(database->insertRawEvent(event("a", 1500.5), 1, false));
  agrees("an event");
  ASSERT_TRUE(database->insertRawEvent(event("b", 1200), 1, true));
  ASSERT_TRUE(database->insertBundle(*bundle(9000), false));
  agrees("a real-time event and a bundle");
  ASSERT_TRUE(database->insertBundle(*bundle(4000), true));
  ASSERT_TRUE(database->deleteRawEventsWithMaxRowID(100));
  agrees("a real-time bundle, no events");
}

// Read before the engine opens the database, its times witness how far the container's time has gone:
// the newest event waiting, bundle queued (kept in milliseconds) or event name fired, each within the
// bound, also while the engine's own connection writes; a missing or damaged file says nothing and is
// not made.
TEST_F(DatabaseTest, TheLatestEventTimeIsReadFromTheFileWithinTheBound) {
  const std::string path = database->databasePath();
  auto latest = [&](double bound) { return MeasurementDatabase::latestEventTimeInFile(path, bound); };
  EXPECT_EQ(latest(1e12), std::nullopt);
  ASSERT_TRUE(database->insertRawEvent(event("a", 1500.5), 1, false));
  ASSERT_TRUE(database->insertBundle(*bundle(9000500), false));
  ASSERT_TRUE(database->updateEventAggregates(EventAggregates("_e", 1, 1, 1, 7000)));
  AppMetadata metadata = succeeded(database->queryAppMetadata());
  metadata.lastBundleEndTimestamp = 8000;
  ASSERT_TRUE(database->updateAppMetadata(metadata));
  EXPECT_EQ(latest(1e12), 9000.5);
  EXPECT_EQ(latest(9000), 8000);
  EXPECT_EQ(latest(7999), 7000);
  EXPECT_EQ(latest(6999), 1500.5);
  EXPECT_EQ(latest(1500), std::nullopt);
  ASSERT_TRUE(database->insertRawEvent(event("b", 9500), 1, false));
  EXPECT_EQ(latest(1e12), 9500) << "a write after the read";

  const std::string missing = path + ".missing";
  EXPECT_EQ(MeasurementDatabase::latestEventTimeInFile(missing, 1e12), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(missing));
  const std::string garbage = path + ".garbage";
  std::ofstream(garbage) << std::string(4096, 'g');
  EXPECT_EQ(MeasurementDatabase::latestEventTimeInFile(garbage, 1e12), std::nullopt);
}

TEST_F(DatabaseTest, QueueSizeRuleRetriesAndPoisonRows) {
  EXPECT_EQ(succeeded(database->isQueuedBundleTableEmpty()), true);
  ASSERT_TRUE(database->insertBundle(*bundle(3000, 500), false));
  ASSERT_TRUE(database->insertBundle(*bundle(1000, 900), true));  // oldest: first, although over the limit
  ASSERT_TRUE(database->insertBundle(*bundle(2000, 100), false));
  ASSERT_TRUE(database->store()
                  .executeStatement("INSERT INTO queue (data, bundle_end_timestamp, realtime) VALUES (?, 1500, 0)",
                                    {Value::data({1, 2, 3, 4})})
                  .ok());  // does not gunzip
  auto notABundle = sdk::utilities::Gzip::dataByGzippingData(Data{0x0A, 0x50});
  ASSERT_TRUE(notABundle.ok());
  ASSERT_TRUE(database->store()
                  .executeStatement("INSERT INTO queue (data, bundle_end_timestamp, realtime) VALUES (?, 1600, 0)",
                                    {Value::data(*notABundle)})
                  .ok());  // gunzips, does not decode
  EXPECT_EQ(succeeded(database->containsRealtimeBundlesWithError()), true);
  EXPECT_EQ(succeeded(database->queryLatestBundleTime()), 3000);

  auto first = database->queryBundlesWithCountLimit(10, 300);
  ASSERT_TRUE(first);
  ASSERT_EQ(first->size(), 1u);
  EXPECT_EQ(nanoGetInt64(*first->front().first, 5), 1000);
  EXPECT_EQ(scope.errorEvents().size(), 0u);
  EXPECT_EQ(succeeded(database->store().recordsForQuery("SELECT count(*) AS n FROM queue", {})).front().at("n"),
            Value(3));  // both unreadable rows are gone

  std::int64_t oldest = first->front().second;
  ASSERT_TRUE(database->incrementRetryCounterForBundlesWithIDs({oldest}));
  ASSERT_TRUE(database->incrementRetryCounterForBundlesWithIDs({oldest}));
  auto all = database->queryBundlesWithCountLimit(10, 100000);
  ASSERT_EQ(all->size(), 3u);
  EXPECT_EQ(nanoGetInt32(*(*all)[0].first, 35), 2);
  EXPECT_FALSE(nanoHasField(*(*all)[1].first, 35));
  EXPECT_EQ(nanoGetInt64(*(*all)[1].first, 5), 2000);
  EXPECT_EQ(succeeded(database->queryBundlesWithCountLimit(2, 100000)).size(), 2u);
  auto sized = database->queryBundlesWithCountLimit(10, 1200);
  EXPECT_EQ(sized->size(), 2u);  // 900 + 100 fit, + 500 does not

  ASSERT_TRUE(database->deleteBundlesWithRowIDs({(*all)[0].second, (*all)[1].second}));
  EXPECT_EQ(succeeded(database->queryBundlesWithCountLimit(10, 100000)).size(), 1u);
}

TEST_F(DatabaseTest, PurchasesSubscriptionsMetadataAndConfig) {
  EXPECT_EQ(succeeded(database->insertIfNotDuplicatePurchaseFingerprint("fp")), true);
  EXPECT_EQ(succeeded(database->insertIfNotDuplicatePurchaseFingerprint("fp")), false);
  for (int i = 0; i < 1003; ++i) {
    ASSERT_EQ(succeeded(database->insertIfNotDuplicateSubscriptionID(std::to_string(i))), true);
  }
  EXPECT_EQ(succeeded(database->deleteSubscriptionsOverLimit()), 3);
  EXPECT_EQ(succeeded(database->insertIfNotDuplicateSubscriptionID("2")), true);  // the oldest went
  EXPECT_EQ(succeeded(database->insertIfNotDuplicateSubscriptionID("1002")), false);

  EXPECT_EQ(succeeded(database->queryAppMetadata()), AppMetadata{});
  AppMetadata metadata{5, 10.5, 20.5};
  ASSERT_TRUE(database->updateAppMetadata(metadata));
  EXPECT_EQ(succeeded(database->queryAppMetadata()), metadata);

  EXPECT_FALSE(succeeded(database->queryMeasurementConfigWithError()));
  EXPECT_EQ(succeeded(database->lastRemoteConfigUpdateTimestamp()), 0);
  auto config = ProtoMeasurementConfig::make();
  nanoSetInt64(*config, 0, 12);
  nanoSetString(*config, 1, "1:123:ios:abc");
  ASSERT_TRUE(database->updateRemoteConfig(*config));
  EXPECT_EQ(*succeeded(database->queryMeasurementConfigWithError()), *config);
  EXPECT_EQ(succeeded(database->lastRemoteConfigUpdateTimestamp()), 1700000000.0);
  ASSERT_TRUE(database->updateRemoteConfigSuccessfulTimestamp(1700000500.0));
  EXPECT_EQ(succeeded(database->lastRemoteConfigUpdateTimestamp()), 1700000500.0);
  EXPECT_EQ(*succeeded(database->queryMeasurementConfigWithError()), *config);  // kept
}

TEST_F(DatabaseTest, AudienceFiltersAndResults) {
  auto eventFilter = ProtoEventFilter::make();
  nanoSetBool(*eventFilter, 7, true);  // session scoped (tag 8)
  nanoSetBool(*eventFilter, 6, true);  // sequence (tag 7)
  auto propertyFilter = ProtoPropertyFilter::make();
  nanoSetBool(*propertyFilter, 3, true);  // dynamic (tag 4)
  ASSERT_TRUE(database->updateEventFilters(
      {{1, 0, "purchase", eventFilter->protoBuffer(), true}, {2, 0, "purchase", Data{0x08, 0x01}, false}}));
  ASSERT_TRUE(database->updatePropertyFilters({{3, 1, "plan", propertyFilter->protoBuffer(), false}}));
  EXPECT_FALSE(database->updateEventFilters({{4, 0, "", Data{1}, false}}));
  EXPECT_FALSE(database->updateEventFilters({{4, 0, "x", Data{}, false}, {5, 0, "y", Data{1}, false}}));
  EXPECT_FALSE(database->updateEventFilters({}));

  auto filters = database->eventFiltersForEventName("purchase");
  ASSERT_EQ(filters->size(), 2u);
  EXPECT_TRUE((*filters)[0].isSessionScoped && (*filters)[0].isSequence && !(*filters)[0].isDynamic);
  EXPECT_FALSE((*filters)[1].isSessionScoped);
  auto properties = database->propertyFiltersForPropertyName("plan");
  ASSERT_EQ(properties->size(), 1u);
  EXPECT_TRUE(properties->front().isDynamic);
  EXPECT_FALSE(database->eventFiltersForEventName(""));
  EXPECT_EQ(succeeded(database->allAudienceIDs()), (std::vector<std::int32_t>{1, 2, 3}));
  auto scoped = database->allSessionScopedFilters();
  ASSERT_EQ(scoped->size(), 1u);
  EXPECT_EQ(scoped->at(1), std::vector<std::int32_t>{0});

  EXPECT_FALSE(succeeded(database->filterResultForAudienceID(1)));
  ASSERT_TRUE(database->updateFilterResults({{1, Data{1}, Data{}}, {2, Data{2}, Data{3}}}));
  EXPECT_EQ(succeeded(database->filterResultForAudienceID(2)), (StoredFilterResults{2, Data{2}, Data{3}}));
  ASSERT_TRUE(database->deleteFilterResults({{1, {}, {}}}));
  EXPECT_EQ(succeeded(database->allFilterResults()).size(), 1u);
  ASSERT_TRUE(database->deleteAllEventFilters());
  ASSERT_TRUE(database->deleteAllPropertyFilters());
  EXPECT_TRUE(succeeded(database->allAudienceIDs()).empty());
}

// Where the next walk over a name's filters starts is kept per kind and name, saved with the results
// in one transaction (alone when there are none); storing new filters forgets the places of names
// that no longer have any.
TEST_F(DatabaseTest, AudienceWalkStartsAreKeptWithTheResults) {
  const Data data{0x08, 0x01};
  ASSERT_TRUE(database->updateEventFilters({{1, 0, "purchase", data, false}, {1, 1, "login", data, false}}));
  ASSERT_TRUE(database->updatePropertyFilters({{2, 0, "purchase", data, false}}));
  EXPECT_FALSE(succeeded(database->audienceWalkStart(AudienceFilterKind::Event, "purchase")));
  ASSERT_TRUE(database->updateFilterResultsAndWalkStart({{1, Data{1}, Data{}}}, AudienceFilterKind::Event, "purchase",
                                                        {1, 0}));
  ASSERT_TRUE(database->updateFilterResultsAndWalkStart({}, AudienceFilterKind::Event, "login", {1, 1}));
  ASSERT_TRUE(database->updateFilterResultsAndWalkStart({}, AudienceFilterKind::Property, "purchase", {2, 0}));
  EXPECT_EQ(succeeded(database->filterResultForAudienceID(1)), (StoredFilterResults{1, Data{1}, Data{}}));
  EXPECT_EQ(succeeded(database->audienceWalkStart(AudienceFilterKind::Event, "purchase")), (AudienceWalkStart{1, 0}));
  EXPECT_EQ(succeeded(database->audienceWalkStart(AudienceFilterKind::Property, "purchase")), (AudienceWalkStart{2, 0}));

  ASSERT_TRUE(database->deleteAllEventFilters());
  ASSERT_TRUE(database->updateEventFilters({{1, 0, "purchase", data, false}}));
  EXPECT_TRUE(succeeded(database->audienceWalkStart(AudienceFilterKind::Event, "purchase")));
  EXPECT_FALSE(succeeded(database->audienceWalkStart(AudienceFilterKind::Event, "login")));
  EXPECT_TRUE(succeeded(database->audienceWalkStart(AudienceFilterKind::Property, "purchase")));
}

ConditionalUserProperty property(const std::string& name, double created, double timeout, double ttl) {
  ConditionalUserProperty p;
  p.name = name;
  p.origin = "vcm";
  p.value = AnalyticsValue("on");
  p.triggerEventName = "purchase";
  p.creationTimestamp = created;
  p.triggerTimeout = timeout;
  p.timeToLive = ttl;
  return p;
}

TEST_F(DatabaseTest, ConditionalUserPropertiesTimeOutExpireAndTrigger) {
  const double now = clock->now();
  auto waiting = property("waiting", now - 100, 100, 0);   // exactly at its timeout: still waiting
  auto late = property("late", now - 100.5, 100, 0);       // past it
  auto active = property("active", now - 1000, 1000, 50);  // triggered 50 s ago, lives 50 s: not expired
  active.active = true;
  active.triggeredTimestamp = now - 50;
  auto expired = active;
  expired.name = "expired";
  expired.triggeredTimestamp = now - 50.5;
  expired.expiredEvent = AnalyticsEvent::create("fdl", false, "_exp_expire", now, 0, {{"_ev", AnalyticsValue("x")}});
  for (const auto& p : {waiting, late, active, expired}) ASSERT_TRUE(database->updateConditionalUserProperty(p));

  auto names = [](const std::vector<ConditionalUserProperty>& list) {
    std::vector<std::string> out;
    for (const auto& p : list) out.push_back(p.name);
    return out;
  };
  EXPECT_EQ(names(succeeded(database->timedOutConditionalUserPropertiesWithError())), std::vector<std::string>{"late"});
  EXPECT_EQ(names(succeeded(database->expiredConditionalUserPropertiesWithError())),
            std::vector<std::string>{"expired"});
  EXPECT_EQ(names(succeeded(database->triggeredConditionalUserPropertiesWithEventName("purchase"))),
            std::vector<std::string>{"waiting"});
  auto refused = database->triggeredConditionalUserPropertiesWithEventName("");
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().localizedDescription(),
            "Received nil/empty event name for querying triggered conditional user properties");

  auto stored = succeeded(database->conditionalUserPropertyWithName("expired"));
  ASSERT_TRUE(stored && stored->expiredEvent);
  EXPECT_EQ(stored->expiredEvent->name(), "_exp_expire");
  EXPECT_EQ(stored->expiredEvent->origin(), "fdl");
  EXPECT_EQ(stored->value, AnalyticsValue("on"));
  EXPECT_FALSE(stored->triggeredEvent);
  ASSERT_TRUE(database->deleteConditionalUserPropertyWithName("expired"));
  EXPECT_FALSE(succeeded(database->conditionalUserPropertyWithName("expired")));
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
TEST_F(DatabaseTest, ConditionalUserPropertyRefusals) {
  auto nan = property("nan", clock->now(), std::numeric_limits<double>::quiet_NaN(), 10);
  EXPECT_FALSE(database->updateConditionalUserProperty(nan));
  auto infinite = property("inf", clock->now(), 10, std::numeric_limits<double>::infinity());
  EXPECT_FALSE(database->updateConditionalUserProperty(infinite));
  auto noValue = property("novalue", 0, 1, 1);
  noValue.value.reset();
  EXPECT_FALSE(database->updateConditionalUserProperty(noValue));
  EXPECT_FALSE(database->updateConditionalUserProperty(property("", 0, 1, 1)));

  ASSERT_TRUE(database->performTransaction([&] {
    for (int i = 0; i < 1000; ++i) {
      if (!database->updateConditionalUserProperty(property("p" + std::to_string(i), 0, 1, 1))) return false;
    }
    return true;
  }));
  auto full = database->updateConditionalUserProperty(property("one_more", 0, 1, 1));
  ASSERT_FALSE(full);
  EXPECT_EQ(full.error().localizedDescription(), "Failed to insert data type. Table is full");
  EXPECT_TRUE(database->updateConditionalUserProperty(property("p5", 0, 2, 2)));  // replacing still works
  EXPECT_EQ(succeeded(database->conditionalUserPropertyWithName("p5"))->triggerTimeout, 2);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST_F(DatabaseTest, PrefixListingMatchesUnderscoresLiterally) {
  for (const char* name : {"_exp_1", "_exp_2", "xexpy3", "_exp%4", "_e"}) {
    auto p = property(name, 0, 1, 1);
    if (std::string(name) == "_exp_2") p.origin = "fa_x";
    ASSERT_TRUE(database->updateConditionalUserProperty(p));
  }
  auto names = [&](std::optional<std::string> prefix, std::optional<std::string> origin) {
    std::vector<std::string> out;
    auto list = database->conditionalUserPropertiesWithPrefix(prefix, origin);
    for (const auto& p : *list) out.push_back(p.name);
    return out;
  };
  EXPECT_EQ(names("_exp_", std::nullopt), (std::vector<std::string>{"_exp_1", "_exp_2"}));
  EXPECT_EQ(names("_exp%", std::nullopt), (std::vector<std::string>{"_exp%4"}));
  EXPECT_EQ(names("_exp_", "fa_x"), (std::vector<std::string>{"_exp_2"}));
  EXPECT_EQ(names(std::nullopt, "faax"), std::vector<std::string>{});
  EXPECT_EQ(names(std::string(), std::nullopt).size(), 5u);
}

TEST_F(DatabaseTest, NestedTransactionsAndRollbacks) {
  EXPECT_TRUE(database->performTransaction([&] {
    EXPECT_TRUE(database->updateUserAttribute({"app", "a", AnalyticsValue("1"), 1}));
    EXPECT_FALSE(database->performTransaction([&] {
      EXPECT_TRUE(database->updateUserAttribute({"app", "b", AnalyticsValue("2"), 1}));
      return false;
    }));
    return true;
  }));
  EXPECT_TRUE(scope.logged(12056));
  EXPECT_EQ(succeeded(database->containsUserAttributeWithName("a")), true);
  EXPECT_EQ(succeeded(database->containsUserAttributeWithName("b")), false);
  auto throwing = [&]() -> bool {
    EXPECT_TRUE(database->updateUserAttribute({"app", "c", AnalyticsValue("3"), 1}));
    throw std::runtime_error("boom");
  };
  EXPECT_THROW(static_cast<void>(database->performTransaction(throwing)), std::runtime_error);
  EXPECT_EQ(succeeded(database->containsUserAttributeWithName("c")), false);
}

TEST_F(DatabaseTest, StaleDataAndReset) {
  ASSERT_TRUE(database->insertBundle(*bundle(static_cast<std::int64_t>((clock->now() - 30 * 86400) * 1000)), false));
  ASSERT_TRUE(database->insertBundle(*bundle(static_cast<std::int64_t>(clock->now() * 1000)), false));
  ASSERT_TRUE(database->insertRawEvent(event("old", clock->now() - 29 * 86400), 1, false));
  ASSERT_TRUE(database->insertRawEvent(event("new", clock->now()), 1, false));
  EXPECT_EQ(succeeded(database->maybeDeleteStaleData()), 2);
  EXPECT_TRUE(scope.console.contains("Bundles, raw events, days: 1, 1, 28")) << "the purge is never silent";
  ASSERT_TRUE(database->insertBundle(*bundle(static_cast<std::int64_t>((clock->now() - 30 * 86400) * 1000)), false));
  EXPECT_EQ(succeeded(database->maybeDeleteStaleData()), 0);  // looked less than a day ago
  environment.advance(86400);
  EXPECT_EQ(succeeded(database->maybeDeleteStaleData()), 1);

  ASSERT_TRUE(database->updateUserAttribute({"app", "a", AnalyticsValue("1"), 1}));
  ASSERT_TRUE(database->reset());
  EXPECT_EQ(succeeded(database->isQueuedBundleTableEmpty()), true);
  EXPECT_EQ(succeeded(database->isRawEventsTableEmpty()), true);
  EXPECT_EQ(succeeded(database->containsUserAttributeWithName("a")), false);
}

TEST_F(DatabaseTest, AGarbageFileIsKeptAsideAndTheSettingsStay) {
  PersistedConfig settings;
  settings.setAppInstanceID(std::string("kept"));
  settings.synchronizeToDisk();
  ASSERT_TRUE(database->updateUserAttribute({"app", "a", AnalyticsValue("1"), 1}));
  std::string path = database->databasePath();
  database.reset();
  std::filesystem::remove(path + "-wal");
  std::filesystem::remove(path + "-shm");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << std::string(8192, '\x5a');
  }
  database = open();
  ASSERT_TRUE(database);
  EXPECT_TRUE(scope.logged(12006));
  EXPECT_EQ(ostrel::testing::damagedCopiesOf(path).size(), 1u);
  EXPECT_EQ(succeeded(database->containsUserAttributeWithName("a")), false);
  ASSERT_TRUE(database->updateUserAttribute({"app", "b", AnalyticsValue("1"), 1}));
  EXPECT_EQ(PersistedConfig().appInstanceID(), "kept");
}

}  // namespace

}  // namespace sdk::analytics

