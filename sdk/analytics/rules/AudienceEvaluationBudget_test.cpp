#include "sdk/analytics/rules/AudienceEvaluationBudget.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "platform/dispatch/AbandonableWork.h"
#include "platform/foundation/ThreadCpuClock.h"
#include "sdk/analytics/foundation/EventAggregates.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/MeasurementDatabase.h"
#include "sdk/analytics/foundation/PersistedConfig.h"
#include "sdk/analytics/foundation/ProtoMeasurementMessages.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/AudienceTestSupport.h"
#include "sdk/analytics/rules/Audiences.h"
#include "sdk/analytics/rules/CaselessText.h"
#include "sdk/analytics/rules/PatternShapesTestSupport.h"
#include "sdk/analytics/rules/PreparedStringFilter.h"
#include "sdk/analytics/rules/RegexCompilerTestSupport.h"
#include "sdk/analytics/rules/ResultWords.h"
#include "sdk/analytics/rules/StringFilterEvaluator.h"
#include "testing/HeldWork.h"
#include "testing/MainThreadEnvironment.h"
#include "testing/ManualCpuClock.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using namespace ostrel::testing;
using platform::foundation::ThreadCpuClock;

constexpr std::int64_t kBudget = kEventCpuNanoseconds;
constexpr std::int64_t kSetAsideEvent = 6024, kSetAsideProperty = 6025, kOutOfTimeEvent = 6026,
                       kOutOfTimeProperty = 6027, kOverLimit = 9007, kTooCostly = 9008, kAudienceInvalid = 6009;

// A search that times out on a run of a's: it tries every way of cutting the run into ones and twos.
std::shared_ptr<ProtoFilter> hostile(std::optional<std::string> parameter, int unique) {
  return valueFilter(*stringFilter(1, "(a|aa)*c|" + std::to_string(unique)), std::move(parameter));
}

class AudienceBudgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ThreadCpuClock::setCurrent(clock);
    database = succeeded(MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName,
                                                                   std::make_shared<PersistedConfig>()));
    ASSERT_TRUE(database);
    host = std::make_shared<AudienceHost>();
    audiences = std::make_unique<Audiences>(database, host);
  }
  void TearDown() override { ThreadCpuClock::setCurrent(nullptr); }

  // What a new process finds: the database opened again, the audiences made anew.
  void restart() {
    audiences.reset();
    database.reset();
    database = succeeded(MeasurementDatabase::initWithDatabaseName(MeasurementDatabase::kDatabaseName,
                                                                   std::make_shared<PersistedConfig>()));
    ASSERT_TRUE(database);
    audiences = std::make_unique<Audiences>(database, host);
  }

  // `count` audiences (IDs from 1) of `filters` event filters each, made by `make`.
  std::vector<std::shared_ptr<ProtoAudience>> eventAudiences(
      int count, int filters, const std::function<std::shared_ptr<ProtoEventFilter>(int, int)>& make) {
    std::vector<std::shared_ptr<ProtoAudience>> list;
    for (int a = 1; a <= count; ++a) {
      std::vector<std::shared_ptr<ProtoEventFilter>> events;
      for (int f = 0; f < filters; ++f) events.push_back(make(a, f));
      list.push_back(audience(a, events));
    }
    return list;
  }
  static std::shared_ptr<ProtoEventFilter> hostileEventFilter(int a, int f) {
    return eventFilter(f, "purchase", {hostile("item", a * 1000 + f)});
  }
  std::size_t storedEventFilters() { return succeeded(database->eventFiltersForEventName("purchase")).size(); }

  // One purchase whose item is `item`; the CPU time its audiences took.
  std::int64_t purchase(const std::string& item = std::string(100, 'a')) {
    const auto before = clock->moved();
    EventAggregates aggregates("purchase", 1, 1, 1, 1000);
    EXPECT_TRUE(audiences->evaluateFiltersForEventName("purchase", {{"item", AnalyticsValue(item)}}, &aggregates,
                                                       1000, nullptr));
    return clock->moved() - before;
  }
  std::int64_t tier(const std::string& value) {
    const auto before = clock->moved();
    EXPECT_TRUE(audiences->evaluateFiltersForUserProperty(UserAttribute("app", "tier", AnalyticsValue(value), 1000),
                                                          nullptr, 1000));
    return clock->moved() - before;
  }

  // Lines of each monitored code logged since the last call.
  std::map<std::int64_t, std::int64_t> logged() {
    std::map<std::int64_t, std::int64_t> counts;
    const std::string data = scope.monitor->monitoringDataForDispatchWithSamplePeriod(0, 0);
    static const std::regex entry("(\\d+):(\\d+):(\\d+)");
    for (std::sregex_iterator it(data.begin(), data.end(), entry), end; it != end; ++it) {
      counts[std::stoll((*it)[2])] += std::stoll((*it)[3]);
    }
    return counts;
  }
  // The filter count of the last console line of `code`.
  std::int64_t lastCount(std::int64_t code) {
    std::int64_t count = -1;
    static const std::regex last("(\\d+)\\D*$");
    for (const auto& line : scope.console.lines()) {
      std::smatch found;
      if (line.message.find(Monitor::formattedCode(code)) != std::string::npos &&
          std::regex_search(line.message, found, last)) {
        count = std::stoll(found[1]);
      }
    }
    return count;
  }
  std::pair<bool, bool> bits(std::int32_t audienceID, std::int32_t filterID) {
    auto record = succeeded(database->filterResultForAudienceID(audienceID));
    auto data = record ? ProtoResultData::initWithBuffer(record->currentResults) : nullptr;
    if (!data) return {false, false};
    return {resultBit(getResultWords(*data, 0), filterID), resultBit(getResultWords(*data, 1), filterID)};
  }

  MonitorScope scope;
  TempContainer container;
  MainThreadEnvironment environment;
  std::shared_ptr<ManualCpuClock> clock = std::make_shared<ManualCpuClock>();
  std::shared_ptr<MeasurementDatabase> database;
  std::shared_ptr<AudienceHost> host;
  std::unique_ptr<Audiences> audiences;
};

// The most one evaluation may take: its budget, and the looks of the one search that was running when
// it ran out (the start of the search and the units of its share).
constexpr std::int64_t kMostPerEvaluation = kBudget + kBudget / 8;

// Under the default limits, 50 audiences of 10 filters whose searches time out: every event stays
// within its budget, the filters left are reported, and each pattern runs out once and is set aside,
// so the events after the last one is cost next to nothing. No filter gets a result.
TEST_F(AudienceBudgetTest, DefaultLimitsHoldEveryEventToOneBudget) {
  ASSERT_TRUE(audiences->updateAudiences(eventAudiences(50, 10, hostileEventFilter)));
  ASSERT_EQ(storedEventFilters(), 500u);
  clock->step = kBudget / 64;
  std::map<std::int64_t, std::int64_t> total;
  int events = 0;
  while (total[kSetAsideEvent] < 500 && events < 100) {
    EXPECT_LE(purchase(), kMostPerEvaluation);
    auto counts = logged();
    if (++events == 1) {
      EXPECT_GT(counts[kSetAsideEvent], 0);
      EXPECT_EQ(counts[kOutOfTimeEvent], 1);
      EXPECT_EQ(lastCount(kOutOfTimeEvent), 500 - counts[kSetAsideEvent]);
    }
    for (auto [code, count] : counts) total[code] += count;
  }
  EXPECT_EQ(total[kSetAsideEvent], 500);
  EXPECT_EQ(total[kOverLimit], 500);
  EXPECT_LE(purchase(), 2 * clock->step);
  EXPECT_TRUE(logged().empty());
  for (int a : {1, 25, 50}) EXPECT_EQ(bits(a, 9), std::make_pair(false, false));
}

// Settings that raise the limits let 100 audiences of 40 such filters in; an event still takes one
// budget, each sets aside patterns the one before did not reach, and the log counts every filter it
// left, including the search the event's time ran out in.
TEST_F(AudienceBudgetTest, RaisedLimitsHoldEveryEventToOneBudget) {
  host->settings = {{"measurement.audience.max_count", "500"},
                    {"measurement.audience.filter_max_count_per_audience", "100"}};
  ASSERT_TRUE(audiences->updateAudiences(eventAudiences(100, 40, hostileEventFilter)));
  ASSERT_EQ(storedEventFilters(), 4000u);
  clock->step = kBudget / 64;
  std::int64_t setAside = 0;
  for (int event = 0; event < 3; ++event) {
    EXPECT_LE(purchase(), kMostPerEvaluation);
    auto counts = logged();
    EXPECT_GT(counts[kSetAsideEvent], 0);
    setAside += counts[kSetAsideEvent];
    EXPECT_EQ(lastCount(kOutOfTimeEvent), 4000 - setAside);
  }
  EXPECT_LT(setAside, 4000 / 4);
}

// User-property filters share a budget per evaluation in the same way.
TEST_F(AudienceBudgetTest, PropertyFiltersShareOneBudgetPerEvaluation) {
  std::vector<std::shared_ptr<ProtoAudience>> list;
  for (int a = 1; a <= 50; ++a) {
    std::vector<std::shared_ptr<ProtoPropertyFilter>> properties;
    for (int f = 0; f < 10; ++f) properties.push_back(propertyFilter(f, "tier", hostile(std::nullopt, a * 1000 + f)));
    list.push_back(audience(a, {}, properties));
  }
  ASSERT_TRUE(audiences->updateAudiences(list));
  clock->step = kBudget / 64;
  const std::string value(36, 'a');
  std::int64_t setAside = 0;
  int evaluations = 0;
  while (setAside < 500 && evaluations < 100) {
    EXPECT_LE(tier(value), kMostPerEvaluation);
    auto counts = logged();
    if (++evaluations == 1) {
      EXPECT_EQ(counts[kOutOfTimeProperty], 1);
    }
    setAside += counts[kSetAsideProperty];
  }
  EXPECT_EQ(setAside, 500);
  EXPECT_LE(tier(value), 2 * clock->step);
}

// A pattern that ran out of its matcher's own time is tried again only once the audiences change;
// a search stopped because the event's time ran out is no fault of its pattern, and is tried again
// with the next event.
TEST_F(AudienceBudgetTest, OnlyAPatternThatRanOutOfItsOwnTimeIsSetAside) {
  // A quick search: the clock is read before and after its pattern is compiled, as it starts, and
  // before the next filter.
  auto quick = [](int f) { return eventFilter(f, "purchase", {valueFilter(*stringFilter(1, "^a"), "item")}); };
  const auto list = eventAudiences(1, 2, [&](int a, int f) { return f == 0 ? hostileEventFilter(a, f) : quick(f); });
  ASSERT_TRUE(audiences->updateAudiences(list));
  purchase();
  auto counts = logged();
  EXPECT_EQ(counts[kOverLimit], 1);
  EXPECT_EQ(counts[kSetAsideEvent], 1);
  EXPECT_EQ(bits(1, 0), std::make_pair(false, false));
  EXPECT_EQ(bits(1, 1), std::make_pair(true, true));
  purchase();
  EXPECT_TRUE(logged().empty());
  ASSERT_TRUE(audiences->updateAudiences(list));
  purchase();
  EXPECT_EQ(logged()[kOverLimit], 1);

  // Nineteen quick searches and the compiling of one more pattern use all the time but a fortieth
  // (four looks each: before the filter, before and after compiling, as the search starts); the
  // search of that pattern is stopped by the event's deadline, well within its own share.
  auto late = eventAudiences(20, 1, [&](int a, int f) { return a < 20 ? quick(f) : hostileEventFilter(a, f); });
  ASSERT_TRUE(audiences->updateAudiences(late));
  clock->step = kBudget / 80;
  purchase();
  counts = logged();
  EXPECT_EQ(counts[kOverLimit], 0);
  EXPECT_EQ(counts[kSetAsideEvent], 0);
  EXPECT_EQ(lastCount(kOutOfTimeEvent), 1);
  EXPECT_EQ(bits(19, 0), std::make_pair(true, true));
  clock->step = 0;
  purchase();
  EXPECT_EQ(logged()[kSetAsideEvent], 1);
}

// The estimate decides which pattern is worth compiling, so one waits for an event with time enough
// for the most it may take: ignoring case, each set is closed over case, which for a set of every
// character takes milliseconds. A pattern that no event's time could hold is refused when stored; one stored before
// that was so is set aside uncompiled.
TEST_F(AudienceBudgetTest, APatternIsCompiledOnlyWithinAnEventsTime) {
  auto everyCharacter = [](int count) { return repeated("[\\x{0}-\\x{10FFFF}]", count); };
  auto matching = [](const std::string& pattern) {
    return eventFilter(0, "purchase", {valueFilter(*stringFilter(1, pattern), "item")});
  };
  ASSERT_TRUE(audiences->updateAudiences({audience(1, {matching("^a")}), audience(2, {matching("^a")}),
                                          audience(3, {matching(everyCharacter(40))}),
                                          audience(4, {matching(everyCharacter(200))})}));
  EXPECT_EQ(storedEventFilters(), 3u);
  EXPECT_EQ(logged()[kTooCostly], 1);
  ASSERT_TRUE(database->updateEventFilters(
      {{4, 0, "purchase", matching(everyCharacter(200))->protoBuffer(), false, false, false}}));

  // Nine tenths of the time are gone when the first costly pattern comes, which may need more than
  // half.
  clock->step = kBudget / 10;
  purchase("aaa");
  EXPECT_EQ(logged()[kSetAsideEvent], 0);
  EXPECT_EQ(lastCount(kOutOfTimeEvent), 2);
  EXPECT_EQ(bits(3, 0), std::make_pair(false, false));
  clock->step = 0;
  purchase("aaa");
  EXPECT_EQ(logged()[kSetAsideEvent], 1);
  EXPECT_EQ(bits(3, 0), std::make_pair(true, false));
  EXPECT_EQ(bits(4, 0), std::make_pair(false, false));
}

// What compiling a pattern may take is read from what its sets really hold, and the filter's search
// and its storing ask alike: none of these shapes may take a tenth of an event's time, with case or
// without, and sets that are dear to close over case but compile in a tenth of it are never set
// aside; 1,300 ages closed over case (a quarter of a million characters each) may take more than
// an event's time, and without case a little less.
TEST(PatternEstimates, FollowWhatEachSetHolds) {
  auto estimate = [](const PatternShape& shape, bool caseless) {
    return regexCompileNanoseconds(icu::UnicodeString::fromUTF8(shape.pattern), caseless);
  };
  for (const auto& shape : cheapPatternShapes()) {
    EXPECT_LE(estimate(shape, false), kBudget / 10) << shape.name;
    EXPECT_LE(estimate(shape, true), kBudget / 10) << shape.name << " ignoring case";
  }
  for (const auto& shape : dearPatternShapes()) EXPECT_LE(estimate(shape, true), kBudget) << shape.name;
  EXPECT_GT(estimate(agesPatternShape(), true), kBudget);
  EXPECT_LE(estimate(agesPatternShape(), false), kBudget);
}

// Each shape, as a filter that ignores case (the default) and as one that does not, is stored and
// judged at the first event that carries a value it matches; the ages that ignore case are refused
// when stored, with a word why, and those that do not are judged.
TEST_F(AudienceBudgetTest, CheapPatternsAreJudgedWhetherOrNotCaseMatters) {
  const auto shapes = cheapPatternShapes();
  auto matching = [](const std::string& pattern, bool caseSensitive) {
    return eventFilter(0, "purchase", {valueFilter(*stringFilter(1, pattern, caseSensitive), "item")});
  };
  std::vector<std::shared_ptr<ProtoAudience>> list;
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    for (const bool caseSensitive : {false, true}) {
      list.push_back(audience(static_cast<int>(2 * i + 1 + caseSensitive), {matching(shapes[i].pattern, caseSensitive)}));
    }
  }
  const auto ages = agesPatternShape();
  list.push_back(audience(100, {matching(ages.pattern, false)}));
  list.push_back(audience(101, {matching(ages.pattern, true)}));
  ASSERT_TRUE(audiences->updateAudiences(list));
  EXPECT_EQ(storedEventFilters(), 2 * shapes.size() + 1);
  auto counts = logged();
  EXPECT_EQ(counts[kTooCostly], 1);
  EXPECT_EQ(counts[kAudienceInvalid], 1);

  for (std::size_t i = 0; i < shapes.size(); ++i) {
    purchase(shapes[i].value);
    for (const int caseSensitive : {0, 1}) {
      EXPECT_EQ(bits(static_cast<int>(2 * i + 1 + caseSensitive), 0), std::make_pair(true, true))
          << shapes[i].name << (caseSensitive ? " minding case" : "");
    }
  }
  purchase(ages.value);
  EXPECT_EQ(bits(101, 0), std::make_pair(true, true));
  counts = logged();
  EXPECT_EQ(counts[kSetAsideEvent], 0);
  EXPECT_EQ(counts[kOutOfTimeEvent], 0);
}

// Every kind of escape ICU looks something up for, in a shape that compiles in well under a tenth of
// an event's time, is stored and judged, ignoring case or not; so is an audience of the main screen's
// name beside a dozen keycap escapes, which was refused as though each keycap took 72 ms. Beside it,
// a pattern of 3,000 names late in ICU's table, which takes a large part of a second to compile, is
// refused on its own, and leaves the configuration's time to the others.
TEST_F(AudienceBudgetTest, EveryKindOfEscapeThatCompilesInATenthIsJudged) {
  const auto shapes = escapePatternShapes();
  auto matching = [](const std::string& pattern, bool caseSensitive = false) {
    return eventFilter(0, "purchase", {valueFilter(*stringFilter(1, pattern, caseSensitive), "item")});
  };
  std::vector<std::shared_ptr<ProtoAudience>> list;
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    for (const bool caseSensitive : {false, true}) {
      list.push_back(audience(static_cast<int>(2 * i + 1 + caseSensitive), {matching(shapes[i].pattern, caseSensitive)}));
    }
  }
  list.push_back(audience(100, {matching(repeated(named(kLateName), 3000))}));
  list.push_back(audience(101, {matching("^newmainviewcontroller$|" + repeated("\\p{Emoji_Keycap_Sequence}", 12))}));
  ASSERT_TRUE(audiences->updateAudiences(list));
  EXPECT_EQ(storedEventFilters(), 2 * shapes.size() + 1);
  EXPECT_EQ(logged()[kTooCostly], 1);

  for (std::size_t i = 0; i < shapes.size(); ++i) {
    purchase(shapes[i].value);
    for (const int caseSensitive : {0, 1}) {
      EXPECT_EQ(bits(static_cast<int>(2 * i + 1 + caseSensitive), 0), std::make_pair(true, true))
          << shapes[i].name << (caseSensitive ? " minding case" : "");
    }
  }
  purchase("NewMainViewController");
  EXPECT_EQ(bits(101, 0), std::make_pair(true, true));
  auto counts = logged();
  EXPECT_EQ(counts[kSetAsideEvent], 0);
  EXPECT_EQ(counts[kOutOfTimeEvent], 0);
}

// Storing a configuration compiles each of its patterns once, against a budget of its own besides
// each pattern's: once its patterns have used it the rest are refused, whatever their number and
// however little their texts promise, and a pattern whose compiling took longer than a whole budget
// is refused whatever its text promised. Here every read of the clock finds a quarter of the budget
// gone, so each pattern seems to take a quarter to compile.
TEST_F(AudienceBudgetTest, StoringAConfigurationStaysWithinItsOwnBudget) {
  auto plain = [](int a, int f) {
    return eventFilter(f, "purchase", {valueFilter(*stringFilter(1, "^a" + std::to_string(a)), "item")});
  };
  clock->step = kBudget / 4;
  auto before = clock->moved();
  ASSERT_TRUE(audiences->updateAudiences(eventAudiences(20, 1, plain)));
  EXPECT_LE(clock->moved() - before, kBudget + 2 * clock->step);
  EXPECT_EQ(storedEventFilters(), 2u);
  EXPECT_EQ(logged()[kTooCostly], 18);

  // The next configuration has a budget of its own; its first pattern's compiling takes half again
  // as long as a whole budget.
  clock->step = 0;
  clock->moveNextReadsBy({0, 0, kBudget * 3 / 2});
  ASSERT_TRUE(audiences->updateAudiences(eventAudiences(3, 1, plain)));
  auto counts = logged();
  EXPECT_EQ(counts[kTooCostly], 3);
  EXPECT_EQ(storedEventFilters(), 0u);
}

// A pattern that ran out of its own time on a value is set aside for that value only: every other
// value is judged again. A dynamic property filter's result follows the value, so a result that was
// not judged for the value the property now has is dropped rather than left standing as current; an
// event filter that held keeps holding.
TEST_F(AudienceBudgetTest, ASetAsideFilterIsJudgedOnEveryOtherValue) {
  const std::string pattern = "(a|aa)*c|^gold$";
  ASSERT_TRUE(audiences->updateAudiences(
      {audience(1, {eventFilter(0, "purchase", {valueFilter(*stringFilter(1, pattern), "item")}, nullptr, {.dynamic = true})},
                {propertyFilter(1, "tier", valueFilter(*stringFilter(1, pattern)), {.dynamic = true})})}));
  const std::string slowTier(35, 'a');
  tier("gold");
  EXPECT_EQ(bits(1, 1), std::make_pair(true, true));
  tier(slowTier);
  EXPECT_EQ(logged()[kSetAsideProperty], 1);
  EXPECT_EQ(bits(1, 1), std::make_pair(false, false));
  tier("silver");
  EXPECT_EQ(bits(1, 1), std::make_pair(true, false));
  tier("gold");
  EXPECT_EQ(bits(1, 1), std::make_pair(true, true));
  tier(slowTier);
  EXPECT_EQ(logged()[kSetAsideProperty], 0);  // not searched again
  EXPECT_EQ(bits(1, 1), std::make_pair(false, false));

  const std::string slowItem(100, 'a');
  purchase(slowItem);
  EXPECT_EQ(logged()[kSetAsideEvent], 1);
  EXPECT_EQ(bits(1, 0), std::make_pair(false, false));
  purchase("GOLD");
  EXPECT_EQ(bits(1, 0), std::make_pair(true, true));
  purchase(slowItem);
  EXPECT_EQ(logged()[kSetAsideEvent], 0);
  EXPECT_EQ(bits(1, 0), std::make_pair(true, true));
}

// Fifty audiences of ten dynamic filters each, half of them patterns that take so long that the
// budget lets some twenty or forty of them run (every read of the clock finds a 64th or a 32nd of
// it gone, round by round): the walk goes on where the last one stopped, so every filter is judged
// within a bounded number of evaluations, and no filter's stored result is ever that of a value
// other than the current one.
class AudienceWalkTest : public AudienceBudgetTest {
 protected:
  static constexpr int kAudiences = 50, kFilters = 10, kRounds = 32;
  // Filters 0-4 compile and search a pattern; the others compare.
  static std::shared_ptr<ProtoFilter> goldFilter(int f, std::optional<std::string> parameter) {
    return f < kFilters / 2 ? valueFilter(*stringFilter(1, "^gold$"), std::move(parameter))
                            : valueFilter(*stringFilter(5, "gold"), std::move(parameter));
  }
  // Calls `judge` for each round, then counts each filter's stored result: `judged` those with one,
  // `stale` those whose result is not what the value of the round gives.
  template <typename Judge>
  void rounds(const Judge& judge, std::int64_t& stale, std::set<std::pair<int, int>>& judged) {
    for (int round = 0; round < kRounds; ++round) {
      const bool gold = round % 2 == 0;
      clock->step = gold ? kBudget / 64 : kBudget / 32;
      judge(gold ? "gold" : "silver");
      for (int a = 1; a <= kAudiences; ++a) {
        auto record = succeeded(database->filterResultForAudienceID(a));
        auto data = record ? ProtoResultData::initWithBuffer(record->currentResults) : nullptr;
        if (!data) continue;
        const ResultWords status = getResultWords(*data, 0), results = getResultWords(*data, 1);
        for (int f = 0; f < kFilters; ++f) {
          if (!resultBit(status, f)) continue;
          judged.emplace(a, f);
          stale += resultBit(results, f) != gold;
        }
      }
    }
  }
};

TEST_F(AudienceWalkTest, EveryPropertyFilterIsJudgedAndNoneKeepsAnOldValuesResult) {
  std::vector<std::shared_ptr<ProtoAudience>> list;
  for (int a = 1; a <= kAudiences; ++a) {
    std::vector<std::shared_ptr<ProtoPropertyFilter>> properties;
    for (int f = 0; f < kFilters; ++f) {
      properties.push_back(propertyFilter(f, "tier", goldFilter(f, std::nullopt), {.dynamic = true}));
    }
    list.push_back(audience(a, {}, properties));
  }
  ASSERT_TRUE(audiences->updateAudiences(list));
  std::int64_t stale = 0;
  std::set<std::pair<int, int>> judged;
  rounds([&](const std::string& value) { EXPECT_LE(tier(value), kMostPerEvaluation); }, stale, judged);
  EXPECT_EQ(judged.size(), static_cast<std::size_t>(kAudiences * kFilters));
  EXPECT_EQ(stale, 0);
}

// A process that evaluates one event a start still reaches the last filters of a long list: where
// the walk stopped is kept with the results, and the next process starts there. Each filter here
// compiles and searches its pattern, so an event's time holds some fifteen of the two hundred.
TEST_F(AudienceWalkTest, TheWalkGoesOnWhereTheLastProcessStopped) {
  auto make = [](int, int f) {
    return eventFilter(f, "purchase", {valueFilter(*stringFilter(1, "^gold$"), "item")}, nullptr, {.dynamic = true});
  };
  constexpr int kCount = 20;
  ASSERT_TRUE(audiences->updateAudiences(eventAudiences(kCount, kFilters, make)));
  auto judged = [&] {
    int count = 0;
    for (int a = 1; a <= kCount; ++a) {
      for (int f = 0; f < kFilters; ++f) count += bits(a, f).first;
    }
    return count;
  };
  clock->step = kBudget / 64;
  int starts = 0;
  for (; judged() < kCount * kFilters && starts < 40; ++starts) {
    restart();
    EXPECT_LE(purchase("gold"), kMostPerEvaluation);
  }
  EXPECT_EQ(judged(), kCount * kFilters);
  EXPECT_LE(starts, 20);
}

TEST_F(AudienceWalkTest, EveryEventFilterIsJudged) {
  auto make = [](int, int f) { return eventFilter(f, "purchase", {goldFilter(f, "item")}, nullptr, {.dynamic = true}); };
  ASSERT_TRUE(audiences->updateAudiences(eventAudiences(kAudiences, kFilters, make)));
  std::int64_t stale = 0;
  std::set<std::pair<int, int>> judged;
  rounds([&](const std::string&) { EXPECT_LE(purchase("gold"), kMostPerEvaluation); }, stale, judged);
  EXPECT_EQ(judged.size(), static_cast<std::size_t>(kAudiences * kFilters));
}


// A filter whose pattern's compile outlives the event's time ends that event's walk when the time is
// gone, however long the compile goes on: its pattern is set aside for every value, and never
// compiled again. While that compile runs, another filter's pattern waits, unjudged but not set
// aside, and is compiled once it has ended.
TEST_F(AudienceBudgetTest, ACompileThatOutlivesTheEventsTimeIsLeftBehind) {
  HeldWork held;
  WatchedCompiles compiles(&held);
  const auto slow = PreparedStringFilter::from(*stringFilter(1, "held"));
  const auto quick = PreparedStringFilter::from(*stringFilter(1, "y"));
  ASSERT_TRUE(slow && quick);
  FilterOutcome outcome = true;
  bool spent = false;
  std::thread event([&] {
    AudienceEvaluationBudget budget;
    CaselessText value("a held b");
    outcome = slow->matches(value, *scope.monitor, &budget);
    spent = budget.isSpent() && budget.patternRanOut();
  });
  held.waitUntilBegun();
  clock->advance(kBudget + 1);
  event.join();
  EXPECT_FALSE(outcome);
  EXPECT_TRUE(spent);
  EXPECT_TRUE(slow->isSetAsideFor("anything"));

  AudienceEvaluationBudget budget;
  CaselessText value("xyz");
  EXPECT_FALSE(quick->matches(value, *scope.monitor, &budget));
  EXPECT_FALSE(quick->isSetAsideFor("xyz"));
  EXPECT_EQ(compiles.count(), 1);

  held.release();
  ASSERT_TRUE(platform::dispatch::AbandonableWork::waitUntilIdleForTesting(60));
  AudienceEvaluationBudget later;
  EXPECT_EQ(quick->matches(value, *scope.monitor, &later), FilterOutcome(true));
  CaselessText again("a held b");
  EXPECT_FALSE(slow->matches(again, *scope.monitor, &later));
  EXPECT_EQ(compiles.count(), 2);
}

// The emoji of every kind, spelled as ICU also reads it and repeated, is refused when stored, as
// dear as it really is to compile, without being compiled; minding case or not.
TEST_F(AudienceBudgetTest, EverySpellingOfTheEmojiIsPricedWhenStored) {
  WatchedCompiles compiles;
  std::vector<std::shared_ptr<ProtoAudience>> list;
  int id = 1;
  for (const std::string spelled : {"IsRGI_Emoji", "\tRGI_Emoji", "Is RGI Emoji"}) {
    for (const bool caseSensitive : {true, false}) {
      const auto filter = stringFilter(1, repeated("\\p{" + spelled + "}", 40), caseSensitive);
      list.push_back(audience(id++, {eventFilter(0, "purchase", {valueFilter(*filter, "item")})}));
    }
  }
  ASSERT_TRUE(audiences->updateAudiences(list));
  EXPECT_EQ(storedEventFilters(), 0u);
  EXPECT_EQ(logged()[kTooCostly], 6);
  EXPECT_EQ(compiles.count(), 0);
}

}  // namespace

}  // namespace sdk::analytics
