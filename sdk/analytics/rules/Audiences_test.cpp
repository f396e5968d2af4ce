#include "sdk/analytics/rules/Audiences.h"

#include <gtest/gtest.h>

#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/EventAggregates.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/AudienceTestSupport.h"
#include "sdk/analytics/rules/AudienceValidation.h"
#include "sdk/analytics/rules/ConfigurationTestSupport.h"
#include "sdk/analytics/rules/EventEditing.h"
#include "sdk/analytics/rules/ResultWords.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using namespace sdk::analytics;
using namespace ostrel::testing;
using platform::foundation::Data;
using platform::foundation::Error;

class AudienceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    database = ostrel::testing::succeeded(MeasurementDatabase::initWithDatabaseName(
        MeasurementDatabase::kDatabaseName, std::make_shared<PersistedConfig>()));
    ASSERT_TRUE(database);
    host = std::make_shared<AudienceHost>();
    audiences = std::make_unique<Audiences>(database, host);
  }

  std::shared_ptr<ProtoResultData> current(std::int32_t audienceID) {
    auto record = ostrel::testing::succeeded(database->filterResultForAudienceID(audienceID));
    if (!record) return nullptr;
    return ProtoResultData::initWithBuffer(record->currentResults);
  }
  // Whether the audience's record says the filter has a result / held.
  std::pair<bool, bool> bits(std::int32_t audienceID, std::int32_t filterID) {
    auto data = current(audienceID);
    if (!data) return {false, false};
    return {resultBit(getResultWords(*data, 0), filterID), resultBit(getResultWords(*data, 1), filterID)};
  }
  std::map<std::int32_t, std::int64_t> dynamicTimes(std::int32_t audienceID) {
    std::map<std::int32_t, std::int64_t> times;
    if (auto data = current(audienceID)) {
      for (auto& element : nanoGetMessageArray<ProtoDynamicFilterResultTimestamp>(*data, 2)) {
        times[nanoGetInt32(*element, 0)] = nanoGetInt64(*element, 1);
      }
    }
    return times;
  }
  bool event(const std::string& name, Parameters parameters, double timestamp,
             AudienceTimestampsCache* cache = nullptr) {
    EventAggregates aggregates(name, 1, 1, 1, timestamp);
    return audiences->evaluateFiltersForEventName(name, parameters, &aggregates, timestamp, cache);
  }
  bool property(const std::string& name, AnalyticsValue value, double timestamp) {
    return audiences->evaluateFiltersForUserProperty(UserAttribute("app", name, std::move(value), timestamp),
                                                     nullptr, timestamp);
  }

  MonitorScope scope;
  ostrel::testing::TempContainer container;
  ostrel::testing::MainThreadEnvironment environment;
  std::shared_ptr<MeasurementDatabase> database;
  std::shared_ptr<AudienceHost> host;
  std::unique_ptr<Audiences> audiences;
};

std::shared_ptr<ProtoFilter> matches(const std::string& text) { return valueFilter(*stringFilter(5, text)); }

TEST_F(AudienceTest, ValidationRules) {
  struct Case {
    std::shared_ptr<ProtoAudience> audience;
    std::string description;
  };
  auto plain = [](std::int32_t id, std::string name = "purchase") { return eventFilter(id, std::move(name)); };
  auto big = eventFilter(0, "purchase", std::vector<std::shared_ptr<ProtoFilter>>(26, matches("x")));
  const Case cases[] = {
      {audience(std::nullopt, {plain(0)}), "Missing audience ID"},
      {audience(-1, {plain(0)}), "Audience ID is negative"},
      {audience(1, {}), "Audience filter count out of range"},
      {audience(1, std::vector<std::shared_ptr<ProtoEventFilter>>(11, plain(0))), "Audience filter count out of range"},
      {audience(1, {eventFilter(0, "")}), "Event filter missing event name"},
      {audience(1, {eventFilter(std::nullopt, "a")}), "Missing event filter ID"},
      {audience(1, {plain(10)}), "Event filter ID is out of range"},
      {audience(1, {plain(-1)}), "Event filter ID is out of range"},
      {audience(1, {plain(3), plain(3)}), "Duplicate event filter ID"},
      {audience(1, {plain(3)}, {propertyFilter(3, "plan", matches("a"))}), "Duplicate property filter ID"},
      {audience(1, {eventFilter(0, "a", {}, [] {
                  auto count = numberFilter(2, "1");
                  nanoSetBool(*count, 1, true);
                  return count;
                }())}),
       "Event filter has float event count filter"},
      {audience(1, {eventFilter(0, "a", {}, numberFilter(0, "1"))}), "Event filter has invalid event count filter"},
      {audience(1, {big}), "Event filter parameters filters count out of range"},
      {audience(1, {eventFilter(0, "a", {valueFilter(*stringFilter(5, "x"))})}), "Event filter missing parameter name"},
      {audience(1, {eventFilter(0, "a", {[] {
                                  auto f = valueFilter(*stringFilter(5, "x"), "p");
                                  nanoSetMessage(*f, 1, numberFilter(1, "1").get());
                                  return f;
                                }()})}),
       "Event filter must have exactly one of number or string filter"},
      {audience(1, {eventFilter(0, "a", {valueFilter(*numberFilter(1, "z"), "p")})}),
       "Event filter has invalid number filter"},
      {audience(1, {eventFilter(0, "a", {valueFilter(*stringFilter(1, "("), "p")})}),
       "Event filter has invalid string filter"},
      {audience(1, {}, {propertyFilter(0, "", matches("a"))}), "Property filter missing property name"},
      {audience(1, {}, {propertyFilter(std::nullopt, "p", matches("a"))}), "Missing property filter ID"},
      {audience(1, {}, {propertyFilter(10, "p", matches("a"))}), "Property filter ID is out of range"},
      {audience(1, {}, {propertyFilter(0, "p", nullptr)}), "Property filter has no filter"},
      {audience(1, {}, {propertyFilter(0, "p", ProtoFilter::make())}),
       "Property filter must have exactly one of number or string filter"},
      {audience(1, {}, {propertyFilter(0, "p", valueFilter(*stringFilter(0, "x")))}),
       "Property filter has invalid string filter"},
  };
  for (const auto& c : cases) {
    auto problem = validateAudience(*c.audience, {}, AudienceLimits{}, *scope.monitor).errorIfAny();
    ASSERT_TRUE(problem) << c.description;
    EXPECT_EQ(problem->localizedDescription(), c.description);
    // The code names the part at fault: the audience, an event filter or a property filter.
    auto has = [&](const char* word) { return c.description.find(word) != std::string::npos; };
    EXPECT_EQ(problem->code, has("roperty") ? 11 : has("vent") ? 10 : 9)
        << c.description;
  }
  EXPECT_EQ(validateAudience(*audience(1, {eventFilter(0, "a")}), {1}, {}, *scope.monitor).error().localizedDescription(),
            "Duplicate audience ID");
  // Refused audiences are logged and left out of the store.
  ASSERT_TRUE(audiences->updateAudiences({cases[0].audience, cases[2].audience}));
  EXPECT_TRUE(scope.logged(6009));
  EXPECT_TRUE(ostrel::testing::succeeded(database->allAudienceIDs()).empty());
}

TEST_F(AudienceTest, UpdatesStoreValidAudiencesUnderInternalNames) {
  auto ids = [&] { return ostrel::testing::succeeded(database->allAudienceIDs()); };
  // IDs 0-9 pass with ten filters per audience; only property filters is fine.
  std::vector<std::shared_ptr<ProtoEventFilter>> ten;
  for (int id = 0; id < 9; ++id) ten.push_back(eventFilter(id, "e" + std::to_string(id)));
  auto screen = eventFilter(9, "screen_view", {valueFilter(*stringFilter(5, "x"), "ga_screen")});
  ten.push_back(screen);
  ASSERT_TRUE(audiences->updateAudiences({audience(1, ten), audience(2, {}, {propertyFilter(0, "user_id", matches("a"))}),
                                          audience(1, {eventFilter(0, "x")}), audience(3, {eventFilter(0, "custom")})}));
  EXPECT_EQ(ids(), (std::vector<std::int32_t>{1, 2, 3}));
  auto stored = ostrel::testing::succeeded(database->eventFiltersForEventName("_vs"));
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].filterID, 9);
  auto message = ProtoEventFilter::initWithBuffer(stored[0].data);
  EXPECT_EQ(nanoGetString(*nanoGetMessageArray<ProtoFilter>(*message, 2).front(), 3), "_sn");
  EXPECT_EQ(ostrel::testing::succeeded(database->propertyFiltersForPropertyName("_id")).size(), 1u);
  EXPECT_EQ(ostrel::testing::succeeded(database->eventFiltersForEventName("custom")).size(), 1u);
  EXPECT_TRUE(scope.logged(6009));  // the duplicate audience 1

  // 51 audiences under the default limit: nothing changes, and the caller goes on.
  std::vector<std::shared_ptr<ProtoAudience>> many;
  for (int id = 0; id < 51; ++id) many.push_back(audience(id, {eventFilter(0, "x")}));
  EXPECT_TRUE(audiences->updateAudiences(many));
  EXPECT_TRUE(scope.logged(6008));
  EXPECT_EQ(ids(), (std::vector<std::int32_t>{1, 2, 3}));
  host->settings["measurement.audience.max_count"] = "60";
  EXPECT_TRUE(audiences->updateAudiences(many));
  EXPECT_EQ(ids().size(), 51u);

  // A configuration of invalid audiences only leaves nothing stored.
  EXPECT_TRUE(audiences->updateAudiences({audience(-5, {eventFilter(0, "x")})}));
  EXPECT_TRUE(ids().empty());
}

TEST_F(AudienceTest, StaleResultsArePrunedOnlyPastTheLimit) {
  ASSERT_TRUE(audiences->updateAudiences({audience(7, {eventFilter(0, "x")})}));
  std::vector<StoredFilterResults> results;
  for (int id = 0; id < 200; ++id) results.push_back({id, Data{1}, Data{}});
  ASSERT_TRUE(database->updateFilterResults(results));
  EXPECT_TRUE(audiences->maybeDeleteStaleFilterResults({1}));
  EXPECT_EQ(ostrel::testing::succeeded(database->allFilterResults()).size(), 200u);
  ASSERT_TRUE(database->updateFilterResults({{500, Data{1}, Data{}}}));
  // 201 results: only those of audiences with stored filters (7) or in the new set (1, 2) stay.
  EXPECT_TRUE(audiences->maybeDeleteStaleFilterResults({1, 2}));
  EXPECT_TRUE(scope.logged(6016));
  std::vector<std::int32_t> left;
  auto remaining = database->allFilterResults();
  for (auto& [id, result] : *remaining) left.push_back(id);
  EXPECT_EQ(left, (std::vector<std::int32_t>{1, 2, 7}));
}

TEST_F(AudienceTest, EventEvaluationKeepsResultsAndTimestamps) {
  auto big = valueFilter(*numberFilter(2, "10"), "value");
  ASSERT_TRUE(audiences->updateAudiences({
      audience(1, {eventFilter(0, "purchase", {big}), eventFilter(70, "purchase", {big}, nullptr, {.dynamic = true})}),
      audience(2, {eventFilter(3, "purchase", {valueFilter(*numberFilter(2, "1"), "missing")})}),
  }));
  host->settings["measurement.audience.filter_max_count_per_audience"] = "100";
  ASSERT_TRUE(audiences->updateAudiences({
      audience(1, {eventFilter(0, "purchase", {big}), eventFilter(70, "purchase", {big}, nullptr, {.dynamic = true})}),
      audience(2, {eventFilter(3, "purchase", {valueFilter(*numberFilter(2, "1"), "missing")})}),
  }));
  // A NO sets the status bit and clears the results bit; filter 70 lives in word 1, bit 6.
  ASSERT_TRUE(event("purchase", {{"value", AnalyticsValue(std::int64_t{5})}}, 100));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, false));
  EXPECT_EQ(bits(1, 70), std::make_pair(true, false));
  EXPECT_EQ(getResultWords(*current(1), 0), (ResultWords{1, 1u << 6}));
  // No result (missing parameter) writes nothing at all.
  EXPECT_FALSE(current(2));

  ASSERT_TRUE(event("purchase", {{"value", AnalyticsValue(std::int64_t{50})}}, 200));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, true));
  EXPECT_EQ(bits(1, 70), std::make_pair(true, true));
  EXPECT_EQ(dynamicTimes(1), (std::map<std::int32_t, std::int64_t>{{70, 200}}));
  // Held event filters never fall back; the dynamic one moves its time only when it matches.
  auto before = ostrel::testing::succeeded(database->filterResultForAudienceID(1));
  ASSERT_TRUE(event("purchase", {{"value", AnalyticsValue(std::int64_t{1})}}, 300));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, true));
  EXPECT_EQ(bits(1, 70), std::make_pair(true, true));
  EXPECT_EQ(dynamicTimes(1), (std::map<std::int32_t, std::int64_t>{{70, 200}}));
  ASSERT_TRUE(event("purchase", {{"value", AnalyticsValue(std::int64_t{99})}}, 400));
  EXPECT_EQ(dynamicTimes(1), (std::map<std::int32_t, std::int64_t>{{70, 400}}));
  EXPECT_EQ(ostrel::testing::succeeded(database->filterResultForAudienceID(1))->previousResults,
            before->previousResults);
}

TEST_F(AudienceTest, PropertyEvaluationFollowsDynamicFilters) {
  ASSERT_TRUE(audiences->updateAudiences({audience(1, {}, {
      propertyFilter(0, "plan", matches("pro"), {.dynamic = true}),
      propertyFilter(1, "plan", matches("pro")),
      propertyFilter(2, "plan", matches("pro"), {.dynamic = true, .sessionScoped = true}),
  })}));
  ASSERT_TRUE(property("plan", AnalyticsValue("pro"), 10));
  for (int id : {0, 1, 2}) EXPECT_EQ(bits(1, id), std::make_pair(true, true)) << id;
  ASSERT_TRUE(property("plan", AnalyticsValue("free"), 20));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, false));  // dynamic, not session-scoped: falls back
  EXPECT_EQ(bits(1, 1), std::make_pair(true, true));
  EXPECT_EQ(bits(1, 2), std::make_pair(true, true));

  // The message form: value from the string, else the double, else the integer; time in ms.
  auto nano = ProtoUserAttribute::make();
  nanoSetString(*nano, 1, "plan");
  EXPECT_FALSE(audiences->evaluateFiltersForNanoUserProperty(*nano, nullptr, std::nullopt));
  EXPECT_TRUE(scope.logged(6039));
  nanoSetInt64(*nano, 0, 30000);
  nanoSetString(*nano, 2, "pro");
  ASSERT_TRUE(audiences->evaluateFiltersForNanoUserProperty(*nano, nullptr, std::nullopt));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, true));
  EXPECT_EQ(dynamicTimes(1)[0], 30);
}

TEST_F(AudienceTest, SharedCacheAndOneRecordPerAudience) {
  ASSERT_TRUE(audiences->updateAudiences({audience(4, {
      eventFilter(0, "open", {}, nullptr, {.sequence = true}),
      eventFilter(1, "open", {}, nullptr, {.sessionScoped = true}),
      eventFilter(2, "open"),
  })}));
  AudienceTimestampsCache cache(scope.monitor);
  ASSERT_TRUE(event("open", {}, 12.2, &cache));
  ASSERT_TRUE(event("open", {}, 12.5, &cache));  // the same whole second: one entry
  ASSERT_TRUE(event("open", {}, 15, &cache));
  auto data = current(4);
  ASSERT_TRUE(data);
  for (int id : {0, 1, 2}) EXPECT_EQ(bits(4, id), std::make_pair(true, true));
  auto sequences = nanoGetMessageArray<ProtoSequenceFilterResultTimestamp>(*data, 3);
  ASSERT_EQ(sequences.size(), 1u);
  EXPECT_EQ(getInt64List(*sequences[0], 1), (std::vector<std::int64_t>{12, 15}));
  EXPECT_EQ(dynamicTimes(4), (std::map<std::int32_t, std::int64_t>{{1, 15}}));
}

TEST_F(AudienceTest, BundlingRollsResultsAndTrimsRepeatedSequences) {
  ASSERT_TRUE(audiences->updateAudiences({audience(4, {eventFilter(0, "open", {}, nullptr, {.sequence = true})})}));
  AudienceTimestampsCache cache(scope.monitor);
  ASSERT_TRUE(event("open", {}, 10, &cache));
  ASSERT_TRUE(event("open", {}, 20, &cache));
  std::optional<std::vector<std::shared_ptr<ProtoAudienceLeafFilterResult>>> leaves;
  ASSERT_TRUE(audiences->resultsForBundling(&leaves));
  ASSERT_EQ(leaves->size(), 1u);
  auto first = leaves->front();
  EXPECT_TRUE(nanoGetBool(*first, 3));  // a new audience
  EXPECT_FALSE(nanoHasField(*first, 2));

  ASSERT_TRUE(audiences->resultsForBundling(&leaves));
  auto second = leaves->front();
  EXPECT_FALSE(nanoGetBool(*second, 3));
  EXPECT_FALSE(nanoHasField(*second, 2));  // identical to the previous results
  auto sequence = nanoGetMessageArray<ProtoSequenceFilterResultTimestamp>(*nanoGetMessage<ProtoResultData>(*second, 1), 3);
  EXPECT_EQ(getInt64List(*sequence.front(), 1), (std::vector<std::int64_t>{20}));

  // The third differs from the trimmed second? No: the stored current is now trimmed, previous not.
  ASSERT_TRUE(audiences->resultsForBundling(&leaves));
  EXPECT_TRUE(nanoHasField(*leaves->front(), 2));

  // Records without any status bit, or undecodable, are left out.
  ASSERT_TRUE(database->updateFilterResults({{8, Data{0xff, 0xff}, Data{}}}));
  auto empty = ProtoResultData::make();
  setResultWords(*empty, 0, {0});
  setResultWords(*empty, 1, {0});
  ASSERT_TRUE(database->updateFilterResults({{9, empty->protoBuffer(), Data{}}}));
  ASSERT_TRUE(audiences->resultsForBundling(&leaves));
  EXPECT_EQ(leaves->size(), 1u);
  EXPECT_TRUE(scope.logged(6020));
  EXPECT_TRUE(scope.logged(6021));
}

TEST_F(AudienceTest, SessionStartClearsSessionScopedResults) {
  ASSERT_TRUE(audiences->updateAudiences({
      audience(1, {eventFilter(0, "open", {}, nullptr, {.sessionScoped = true}), eventFilter(1, "open")}),
      audience(2, {eventFilter(0, "open", {}, nullptr, {.sessionScoped = true})}),
  }));
  ASSERT_TRUE(event("open", {}, 10));
  ASSERT_TRUE(audiences->clearEvaluationResultsForSessionScopedFilters());
  EXPECT_EQ(bits(1, 0), std::make_pair(false, false));
  EXPECT_EQ(bits(1, 1), std::make_pair(true, true));
  EXPECT_TRUE(dynamicTimes(1).empty());
  EXPECT_FALSE(
      ostrel::testing::succeeded(database->filterResultForAudienceID(2)));  // nothing left with a result: deleted
  // The session-scoped filter starts again.
  ASSERT_TRUE(event("open", {}, 20));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, true));
}

TEST_F(AudienceTest, DamagedRecordsAreReadSafely) {
  // Status words longer than the results words, and a negative filter ID: out-of-range words read as 0.
  auto data = ProtoResultData::make();
  setResultWords(*data, 0, {1, 1});
  setResultWords(*data, 1, {1});
  std::optional<StoredFilterResults> record = StoredFilterResults{3, data->protoBuffer(), Data{}};
  EXPECT_TRUE(Audiences::isFilterResult(record, 0, *scope.monitor));
  EXPECT_FALSE(Audiences::isFilterResult(record, 64, *scope.monitor));
  EXPECT_FALSE(Audiences::isFilterResult(record, -1, *scope.monitor));
  EXPECT_FALSE(Audiences::isFilterResult(std::nullopt, 0, *scope.monitor));
  auto noResults = ProtoResultData::make();
  setResultWords(*noResults, 0, {1});
  EXPECT_FALSE(Audiences::isFilterResult(StoredFilterResults{3, noResults->protoBuffer(), Data{}}, 0, *scope.monitor));
  EXPECT_TRUE(scope.logged(6023));

  AudienceTimestampsCache cache(scope.monitor);
  auto grown = Audiences::updatedFilterResultWithFilterID(64, 3, record, true, cache);
  auto decoded = ProtoResultData::initWithBuffer(grown.currentResults);
  EXPECT_EQ(getResultWords(*decoded, 0), (ResultWords{1, 1}));
  EXPECT_EQ(getResultWords(*decoded, 1), (ResultWords{1, 1}));
  auto ignored = Audiences::updatedFilterResultWithFilterID(-3, 3, record, true, cache);
  EXPECT_EQ(getResultWords(*ProtoResultData::initWithBuffer(ignored.currentResults), 1), (ResultWords{1, 0}));

  // A stored filter that does not decode is skipped, the others still run.
  ASSERT_TRUE(database->updateEventFilters(
      {{5, 0, "open", Data{0xff, 0xff, 0xff}, false}, {5, 1, "open", eventFilter(1, "open")->protoBuffer(), false}}));
  ASSERT_TRUE(event("open", {}, 10));
  EXPECT_TRUE(scope.logged(6035));
  EXPECT_EQ(bits(5, 0), std::make_pair(false, false));
  EXPECT_EQ(bits(5, 1), std::make_pair(true, true));
}

// The walk keeps each name's decoded filters between events: whatever changes the stored filters
// (new audiences, removal, a reset, a rolled-back write) must be seen by the very next event.
TEST_F(AudienceTest, KeptFiltersFollowEveryChangeOfTheStoredOnes) {
  auto above = [](const char* bound) { return valueFilter(*numberFilter(2, bound), "value"); };
  auto value = [](std::int64_t v) { return Parameters{{"value", AnalyticsValue(v)}}; };
  ASSERT_TRUE(audiences->updateAudiences({audience(1, {eventFilter(0, "buy", {above("100")})})}));
  ASSERT_TRUE(event("buy", value(50), 10));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, false));

  ASSERT_TRUE(audiences->updateAudiences({audience(1, {eventFilter(0, "buy", {above("10")})})}));
  ASSERT_TRUE(event("buy", value(50), 20));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, true));

  // Filters written and then undone: the next event is judged by the ones that stayed.
  ASSERT_TRUE(audiences->updateAudiences({audience(2, {eventFilter(0, "buy", {above("1")})})}));
  ASSERT_TRUE(event("buy", value(50), 25));
  EXPECT_EQ(bits(2, 0), std::make_pair(true, true));
  EXPECT_FALSE(database->performTransaction([&] {
    EXPECT_TRUE(
        database->updateEventFilters({{3, 0, "buy", eventFilter(0, "buy", {above("1")})->protoBuffer(), false}}));
    EXPECT_TRUE(event("buy", value(50), 30));
    return false;
  }));
  ASSERT_TRUE(event("buy", value(50), 40));
  EXPECT_FALSE(current(3));

  ASSERT_TRUE(database->deleteAllEventFilters());
  ASSERT_TRUE(database->updateEventFilters({{4, 0, "buy", eventFilter(0, "buy", {above("1")})->protoBuffer(), false}}));
  ASSERT_TRUE(event("buy", value(50), 50));
  EXPECT_EQ(bits(4, 0), std::make_pair(true, true));
  ASSERT_TRUE(database->reset());
  ASSERT_TRUE(event("buy", value(50), 60));
  EXPECT_FALSE(current(4));

  // A row whose message names another event, and aggregates of another name, are still refused.
  ASSERT_TRUE(database->updateEventFilters(
      {{6, 0, "buy", eventFilter(0, "sell")->protoBuffer(), false},
       {6, 1, "buy", eventFilter(1, "buy", {}, numberFilter(2, "0"))->protoBuffer(), false},
       {6, 2, "buy", eventFilter(2, "buy", {above("1")})->protoBuffer(), false}}));
  EventAggregates other("sell", 5, 5, 5, 0);
  ASSERT_TRUE(audiences->evaluateFiltersForEventName("buy", value(50), &other, 65, nullptr));
  EXPECT_TRUE(scope.logged(7006));
  EXPECT_TRUE(scope.logged(7007));
  EXPECT_EQ(bits(6, 0), std::make_pair(false, false));
  EXPECT_EQ(bits(6, 1), std::make_pair(false, false));
  EXPECT_EQ(bits(6, 2), std::make_pair(true, true));

  ASSERT_TRUE(audiences->updateAudiences({audience(5, {}, {propertyFilter(0, "plan", matches("pro"))})}));
  ASSERT_TRUE(property("plan", AnalyticsValue("free"), 70));
  EXPECT_EQ(bits(5, 0), std::make_pair(true, false));
  ASSERT_TRUE(audiences->updateAudiences({audience(5, {}, {propertyFilter(0, "plan", matches("free"))})}));
  ASSERT_TRUE(property("plan", AnalyticsValue("free"), 80));
  EXPECT_EQ(bits(5, 0), std::make_pair(true, true));
}

// Filters of one event share each parameter's lookup and its folded text: one filter's reading must
// not leak into another's (case-sensitive beside case-blind, number beside string).
TEST_F(AudienceTest, FiltersSharingAParameterJudgeItEachTheirOwnWay) {
  auto text = [](std::uint64_t type, const char* expression, bool caseSensitive) {
    return valueFilter(*stringFilter(type, expression, caseSensitive), "item");
  };
  ASSERT_TRUE(audiences->updateAudiences({audience(1, {
      eventFilter(0, "buy", {text(5, "STRASSE", false)}),
      eventFilter(1, "buy", {text(5, "STRASSE", true)}),
      eventFilter(2, "buy", {text(5, "straße", true)}),
      eventFilter(3, "buy", {text(2, "str", false), valueFilter(*numberFilter(3, "7"), "count")}),
      eventFilter(4, "buy", {valueFilter(*numberFilter(3, "7"), "item")}),
      eventFilter(5, "buy", {text(5, "straße", false)}, nullptr, {.dynamic = true}),
  })}));
  ASSERT_TRUE(event("buy", {{"item", AnalyticsValue("Straße")}, {"count", AnalyticsValue(std::int64_t{7})}}, 10));
  EXPECT_EQ(bits(1, 0), std::make_pair(true, true));
  EXPECT_EQ(bits(1, 1), std::make_pair(true, false));
  EXPECT_EQ(bits(1, 2), std::make_pair(true, false));
  EXPECT_EQ(bits(1, 3), std::make_pair(true, true));
  EXPECT_EQ(bits(1, 4), std::make_pair(false, false));  // a word where a number is asked: no result
  EXPECT_EQ(bits(1, 5), std::make_pair(true, true));
  ASSERT_TRUE(event("buy", {{"item", AnalyticsValue("straße")}, {"count", AnalyticsValue(std::int64_t{8})}}, 20));
  EXPECT_EQ(bits(1, 2), std::make_pair(true, true));
  EXPECT_EQ(bits(1, 1), std::make_pair(true, false));
}

// A configuration as large as the fetch takes, of settings, audiences and a program, decodes and
// loads whole: every audience is stored and the program's rule edits events. So does one whose
// program is nothing but the smallest statements there are. A mebibyte of statements that hold
// nothing is refused by the decoder.
TEST_F(AudienceTest, AConfigurationAsLargeAsTheFetchTakesLoadsWhole) {
  host->settings["measurement.audience.max_count"] = "500";
  auto denseFunction = [](int i) {
    std::string function = "(defun \"dense" + std::to_string(i) + "\" (quote)";
    for (int k = 0; k < 400; ++k) function += " (f)";
    return function + ")";
  };
  const platform::foundation::Data configurations[] = {
      configurationOf(1u << 20, ordinaryFunction),
      configurationOf(1u << 20, denseFunction, 0),
  };
  for (const auto& wire : configurations) {
    EXPECT_GT(wire.size(), 1'000'000u);
    EXPECT_LE(wire.size(), 1u << 20);
    NanoDecodeFailure failure = NanoDecodeFailure::None;
    auto config = ProtoMeasurementConfig::initWithBuffer(wire, &failure);
    ASSERT_TRUE(config) << nanoDecodeFailureText(failure);
    const auto configured = nanoGetMessageArray<ProtoAudience>(*config, 5);
    ASSERT_TRUE(audiences->updateAudiences(configured));
    EXPECT_EQ(ostrel::testing::succeeded(database->allAudienceIDs()).size(), configured.size());
    EventEditing editing;
    const auto loaded = editing.loadProgram(*nanoMessagesIn<ProtoProgram>(*config, 8).begin());
    ASSERT_TRUE(loaded.ok()) << loaded.error().code;
    EXPECT_TRUE(editing.handleEvent(EditingEvent("purchase", 1, platform::foundation::Dictionary{{"value", 10.0}}))
                    .valueOr(false));
  }

  Data empty{0x4a, 0xfc, 0xff, 0x3f};  // the program: 4 bytes short of a mebibyte
  while (empty.size() < (1u << 20)) empty.insert(empty.end(), {0x0a, 0x02, 0x08, 0x02});
  NanoDecodeFailure failure = NanoDecodeFailure::None;
  EXPECT_FALSE(ProtoMeasurementConfig::initWithBuffer(empty, &failure));
  EXPECT_EQ(failure, NanoDecodeFailure::TooManyMessages);
}

TEST(SequenceTimestampsCacheTest, AddAndSet) {
  MonitorScope scope;
  EXPECT_FALSE(SequenceTimestampsCache::initWithAudienceID(std::nullopt, scope.monitor));
  auto cache = *SequenceTimestampsCache::initWithAudienceID(3, scope.monitor);
  cache.addEventFilterTimestamp(12.2, 1);
  cache.addEventFilterTimestamp(12.2, 1);
  cache.addEventFilterTimestamp(12.5, 1);
  EXPECT_EQ(cache.sequenceTimestampsForFilterID(1), (std::vector<double>{12.2}));
  cache.addEventFilterTimestamp(9, 1);  // earlier: logged, kept
  EXPECT_TRUE(scope.logged(42000));
  cache.setUserPropertyTimestamp(30, 0);
  cache.setUserPropertyTimestamp(20, 0);
  EXPECT_TRUE(scope.logged(42001));
  EXPECT_EQ(cache.sequenceTimestampsForFilterID(0), (std::vector<double>{20}));
  EXPECT_FALSE(cache.sequenceTimestampsForFilterID(std::nullopt));
  auto messages = cache.sequenceFilterResultTimestamps();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(nanoGetInt32(*messages[0], 0), 0);
  EXPECT_EQ(getInt64List(*messages[1], 1), (std::vector<std::int64_t>{9, 12}));
}

}  // namespace

}  // namespace sdk::analytics

