#include "sdk/analytics/rules/FilterEvaluator.h"

#include <gtest/gtest.h>

#include <limits>

#include "sdk/analytics/foundation/EventAggregates.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/foundation/UserAttribute.h"
#include "sdk/analytics/rules/AudienceTestSupport.h"
#include "sdk/analytics/rules/NumberFilterEvaluator.h"
#include "sdk/analytics/rules/StringFilterEvaluator.h"

namespace sdk::analytics {

namespace {

using namespace sdk::analytics;
using namespace ostrel::testing;
using Outcome = FilterOutcome;
constexpr Outcome kNone = std::nullopt;

class FilterEvaluationTest : public ::testing::Test {
 protected:
  Outcome onValue(const std::shared_ptr<ProtoFilter>& filter, const AnalyticsValue& value) {
    return evaluateValueFilter(filter.get(), value, *scope.monitor);
  }
  MonitorScope scope;
};

TEST_F(FilterEvaluationTest, NumberFiltersCompareDecimalsDoublesAndIntegers) {
  struct Case {
    std::shared_ptr<ProtoNumberFilter> filter;
    AnalyticsValue value;
    Outcome expected;
  };
  auto less10 = numberFilter(1, "10");
  auto between = numberFilter(4, std::nullopt, "1", "5");
  auto equal03 = numberFilter(3, "0.3");
  auto greater = numberFilter(2, "-2.5");
  auto big = numberFilter(3, "9223372036854775807");
  const Case cases[] = {
      {less10, AnalyticsValue(std::int64_t{9}), true},
      {less10, AnalyticsValue(std::int64_t{10}), false},
      {less10, AnalyticsValue("9.5"), true},
      {less10, AnalyticsValue("+10.000"), false},
      {less10, AnalyticsValue(9.999), true},
      {between, AnalyticsValue(std::int64_t{1}), true},
      {between, AnalyticsValue(std::int64_t{5}), true},
      {between, AnalyticsValue(5.0000001), false},
      {between, AnalyticsValue("0.99"), false},
      {equal03, AnalyticsValue(0.1 + 0.2), true},
      {equal03, AnalyticsValue(0.30000000000000016), false},  // three representable steps away
      {equal03, AnalyticsValue("0.30"), true},
      {greater, AnalyticsValue(std::int64_t{-2}), true},
      {greater, AnalyticsValue(-2.5), false},
      // Integers compare exactly: a double could not tell these apart.
      {big, AnalyticsValue(std::int64_t{9223372036854775807}), true},
      {big, AnalyticsValue(std::int64_t{9223372036854775806}), false},
      // Integers against every way of writing a whole comparison value, and against ones that are not whole.
      {numberFilter(1, "007"), AnalyticsValue(std::int64_t{7}), false},
      {numberFilter(3, "+5"), AnalyticsValue(std::int64_t{5}), true},
      {numberFilter(3, "5."), AnalyticsValue(std::int64_t{5}), true},
      {numberFilter(3, "-0"), AnalyticsValue(std::int64_t{0}), true},
      {numberFilter(2, "1.5"), AnalyticsValue(std::int64_t{1}), false},
      {numberFilter(2, "1.5"), AnalyticsValue(std::int64_t{2}), true},
      {numberFilter(4, std::nullopt, "-3", "+3"), AnalyticsValue(std::int64_t{-3}), true},
      {numberFilter(4, std::nullopt, "-3", "2.5"), AnalyticsValue(std::int64_t{3}), false},
      {numberFilter(2, "-9223372036854775808"), AnalyticsValue(std::numeric_limits<std::int64_t>::min()), false},
      {numberFilter(1, "99999999999999999999"), AnalyticsValue(std::numeric_limits<std::int64_t>::max()), true},
      {numberFilter(3, "999999999999999999"), AnalyticsValue(std::int64_t{999999999999999999}), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(onValue(valueFilter(*c.filter), c.value), c.expected) << messageLogContext(*c.filter).description()
                                                                     << " on " << c.value.description();
  }
}

TEST_F(FilterEvaluationTest, ValuesThatCannotBeJudgedGiveNoResult) {
  auto less10 = valueFilter(*numberFilter(1, "10"));
  EXPECT_EQ(onValue(less10, AnalyticsValue("abc")), kNone);
  EXPECT_TRUE(scope.logged(7001));
  EXPECT_EQ(onValue(less10, AnalyticsValue(std::numeric_limits<double>::quiet_NaN())), kNone);
  EXPECT_EQ(onValue(less10, AnalyticsValue(std::numeric_limits<double>::infinity())), kNone);
  EXPECT_TRUE(scope.logged(7002));
  EXPECT_EQ(onValue(valueFilter(*stringFilter(5, "a")), AnalyticsValue(std::int64_t{1})), kNone);
  EXPECT_TRUE(scope.logged(7003));
  EXPECT_EQ(onValue(ProtoFilter::make(), AnalyticsValue("a")), kNone);
  EXPECT_TRUE(scope.logged(7000));
  // A comparison value with more digits than a decimal holds is refused when parsed.
  EXPECT_EQ(onValue(valueFilter(*numberFilter(1, std::string(40, '1'))), AnalyticsValue(std::int64_t{1})), kNone);
  EXPECT_TRUE(scope.logged(8015));
  // Negation turns a result round but leaves "no result" alone.
  EXPECT_EQ(onValue(valueFilter(*numberFilter(1, "10"), std::nullopt, true), AnalyticsValue(std::int64_t{9})), false);
  EXPECT_EQ(onValue(valueFilter(*numberFilter(1, "10"), std::nullopt, true), AnalyticsValue("abc")), kNone);
}

TEST_F(FilterEvaluationTest, NumberFilterValidation) {
  struct Case {
    std::shared_ptr<ProtoNumberFilter> filter;
    bool valid;
    std::vector<std::int64_t> codes;
  };
  auto noType = ProtoNumberFilter::make();
  nanoSetString(*noType, 2, "1");
  const Case cases[] = {
      {noType, false, {8006}},
      {numberFilter(0, "1"), false, {8007}},
      {numberFilter(2, std::nullopt), false, {8008}},
      {numberFilter(3, "1e5"), false, {8008}},
      {numberFilter(4, std::nullopt, "x", std::nullopt), false, {8009, 8010}},  // both bounds are reported
      {numberFilter(5, "1"), false, {8011}},
      {numberFilter(4, std::nullopt, "-1", "+.5"), true, {}},
      {numberFilter(1, "7."), true, {}},
  };
  for (const auto& c : cases) {
    MonitorScope local;
    EXPECT_EQ(validateNumberFilter(*c.filter, *local.monitor), c.valid) << messageLogContext(*c.filter).description();
    for (auto code : c.codes) EXPECT_TRUE(local.logged(code)) << code;
  }
}

TEST_F(FilterEvaluationTest, StringMatchTypes) {
  struct Case {
    std::shared_ptr<ProtoStringFilter> filter;
    std::string value;
    Outcome expected;
  };
  const Case cases[] = {
      {stringFilter(2, "ab"), "ABc", true},
      {stringFilter(2, "ab", true), "ABc", false},
      {stringFilter(3, "BC"), "abc", true},
      {stringFilter(3, "BC", true), "abc", false},
      {stringFilter(4, "B"), "abc", true},
      {stringFilter(4, "d"), "abc", false},
      {stringFilter(5, "ABC"), "abc", true},
      {stringFilter(5, "ABC", true), "abc", false},
      {stringFilter(5, "ab"), "abc", false},
      {stringFilter(5, "STRASSE"), "straße", true},  // full case folding
      {stringFilter(2, "STR"), "Straße", true},
      {stringFilter(5, "k"), "\u212A", true},   // the Kelvin sign folds to an ASCII letter
      {stringFilter(5, "\u212A"), "K", true},
      {stringFilter(5, "\u212A", true), "K", false},
      {stringFilter(6, std::nullopt, false, {"a", "b"}), "A", true},
      {stringFilter(6, std::nullopt, true, {"a", "b"}), "A", false},
      {stringFilter(6, std::nullopt, false, {"a", "b"}), "ab", false},
      {stringFilter(1, "b+c"), "aBBC", true},
      {stringFilter(1, "b+c", true), "aBBC", false},
      {stringFilter(1, "^b"), "abc", false},
      {stringFilter(9, "x"), "x", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(matchStringFilter(*c.filter, c.value, *scope.monitor), c.expected)
        << messageLogContext(*c.filter).description() << " on " << c.value;
  }
  EXPECT_EQ(matchStringFilter(*stringFilter(5, "a"), std::nullopt, *scope.monitor), kNone);
  EXPECT_TRUE(scope.logged(9005));
}

TEST_F(FilterEvaluationTest, StringFilterValidation) {
  struct Case {
    std::shared_ptr<ProtoStringFilter> filter;
    bool valid;
    std::int64_t code;
  };
  auto noType = ProtoStringFilter::make();
  nanoSetString(*noType, 1, "x");
  const Case cases[] = {
      {noType, false, 9000},
      {stringFilter(6, "x"), false, 9003},
      {stringFilter(0, "x"), false, 9001},
      {stringFilter(3, std::nullopt), false, 9002},
      {stringFilter(9, std::nullopt), false, 9002},
      {stringFilter(1, "(unclosed"), false, 9004},
      {stringFilter(9, "x"), true, 0},
  };
  for (const auto& c : cases) {
    MonitorScope local;
    EXPECT_EQ(validateStringFilter(*c.filter, *local.monitor), c.valid) << messageLogContext(*c.filter).description();
    if (c.code) {
      EXPECT_TRUE(local.logged(c.code)) << c.code;
    }
    if (!c.valid) {
      EXPECT_EQ(matchStringFilter(*c.filter, "x", *local.monitor), kNone);
      EXPECT_TRUE(local.logged(9006));
    }
  }
}

TEST_F(FilterEvaluationTest, ARunawayRegularExpressionGivesNoResult) {
  // Nested quantifiers over a near-miss backtrack exponentially; the search is cut off.
  auto filter = stringFilter(1, "^(a+)+$", true);
  EXPECT_EQ(matchStringFilter(*filter, std::string(40, 'a') + "b", *scope.monitor), kNone);
  EXPECT_TRUE(scope.logged(9007));
  // The same pattern on an ordinary value still answers.
  EXPECT_EQ(matchStringFilter(*filter, "aaaa", *scope.monitor), true);
}

TEST_F(FilterEvaluationTest, EventFilters) {
  EventAggregates aggregates("purchase", 10, 0, 1, 0);
  Parameters parameters{{"value", AnalyticsValue(std::int64_t{30})}, {"currency", AnalyticsValue("EUR")}};
  auto evaluate = [&](const std::shared_ptr<ProtoEventFilter>& filter, const std::string& name = "purchase",
                      const EventAggregates* counts = nullptr) {
    return evaluateEventFilter(filter.get(), name, parameters, counts ? counts : &aggregates, *scope.monitor);
  };
  auto countAbove2 = numberFilter(2, "2");
  EXPECT_EQ(evaluate(eventFilter(0, "purchase")), true);
  EXPECT_EQ(evaluate(eventFilter(0, "purchase"), "refund"), kNone);
  EXPECT_TRUE(scope.logged(7006));
  EXPECT_EQ(evaluate(eventFilter(0, "purchase"), ""), kNone);
  EXPECT_TRUE(scope.logged(7005));
  EXPECT_EQ(evaluateEventFilter(nullptr, "purchase", parameters, &aggregates, *scope.monitor), kNone);
  // The count is the session's when the filter is session-scoped.
  EXPECT_EQ(evaluate(eventFilter(0, "purchase", {}, countAbove2)), true);
  EXPECT_EQ(evaluate(eventFilter(0, "purchase", {}, countAbove2, {.sessionScoped = true})), false);
  EventAggregates other("refund", 10, 0, 1, 0);
  EXPECT_EQ(evaluate(eventFilter(0, "purchase", {}, countAbove2), "purchase", &other), kNone);
  EXPECT_TRUE(scope.logged(7007));

  auto value20 = valueFilter(*numberFilter(2, "20"), "value");
  auto euro = valueFilter(*stringFilter(5, "eur"), "currency");
  EXPECT_EQ(evaluate(eventFilter(0, "purchase", {value20, euro})), true);
  EXPECT_EQ(evaluate(eventFilter(0, "purchase", {valueFilter(*numberFilter(2, "40"), "value"), euro})), false);
  EXPECT_EQ(evaluate(eventFilter(0, "purchase", {value20, valueFilter(*numberFilter(2, "1"), "missing")})), kNone);
  EXPECT_TRUE(scope.logged(7009));
  // A string parameter under a number-only filter cannot be judged: no result, not NO.
  EXPECT_EQ(evaluate(eventFilter(0, "purchase", {valueFilter(*numberFilter(2, "1"), "currency")})), kNone);
  EXPECT_TRUE(scope.logged(7010));
  EXPECT_EQ(evaluate(eventFilter(0, "purchase", {valueFilter(*numberFilter(2, "1"))})), kNone);
  EXPECT_TRUE(scope.logged(7008));
}

TEST_F(FilterEvaluationTest, PropertyFilters) {
  UserAttribute plan("app", "plan", AnalyticsValue("Pro"), 1);
  auto pro = valueFilter(*stringFilter(5, "pro"));
  EXPECT_EQ(evaluatePropertyFilter(propertyFilter(0, "plan", pro).get(), &plan, *scope.monitor), true);
  EXPECT_EQ(evaluatePropertyFilter(propertyFilter(0, "tier", pro).get(), &plan, *scope.monitor), kNone);
  EXPECT_TRUE(scope.logged(7013));
  EXPECT_EQ(evaluatePropertyFilter(propertyFilter(0, "plan", nullptr).get(), &plan, *scope.monitor), kNone);
  EXPECT_TRUE(scope.logged(7014));
  EXPECT_EQ(evaluatePropertyFilter(propertyFilter(0, "plan", pro).get(), nullptr, *scope.monitor), kNone);
  EXPECT_TRUE(scope.logged(7012));
  UserAttribute items("app", "plan", AnalyticsValue(std::vector<Parameters>{}), 1);
  EXPECT_EQ(evaluatePropertyFilter(propertyFilter(0, "plan", pro).get(), &items, *scope.monitor), kNone);
  EXPECT_TRUE(scope.logged(7015));
}

}  // namespace

}  // namespace sdk::analytics

