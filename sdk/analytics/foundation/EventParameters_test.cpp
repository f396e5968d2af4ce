#include "sdk/analytics/foundation/EventParameters.h"

#include <gtest/gtest.h>

#include "platform/foundation/Utf8.h"
#include "sdk/analytics/foundation/ErrorEvent.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Array;
using platform::foundation::Dictionary;
using platform::foundation::Value;

class ParametersTest : public ::testing::Test {
 protected:
  ostrel::testing::MonitorScope scope;
};

std::string name(int i) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "p%02d", i);
  return buffer;
}

TEST_F(ParametersTest, TrimRemovesPublicNamesFromTheEndOfTheSortedOrder) {
  Parameters parameters;
  for (int i = 0; i < 6; ++i) parameters.emplace(name(i), AnalyticsValue(std::int64_t{i}));
  parameters.emplace("_internal", AnalyticsValue("kept"));
  parameters.emplace("zz_last", AnalyticsValue("gone first"));
  trimParametersToLimit(parameters, 4);
  std::vector<std::string> names;
  for (const auto& [n, _] : parameters) names.push_back(n);
  EXPECT_EQ(names, (std::vector<std::string>{"_internal", "p00", "p01", "p02", "p03"}));
  trimParametersToLimit(parameters, 0);
  EXPECT_EQ(parameters.size(), 1u);
}

TEST_F(ParametersTest, SanitiseChecksNamesTypesAndLengths) {
  Dictionary raw{
      {"ok", "text"},
      {"number", 4},
      {"real", 2.5},
      {"flag", true},
      {"long", std::string(150, 'x')},
      {"_internal", "x"},  // not a public parameter name
      {"ga_reserved", 1},
      {"date", Value::date(3)},
      {"nested", Dictionary{{"a", 1}}},
  };
  Parameters out = sanitizeEventParameters(raw, "shop", true, false);
  EXPECT_EQ(out.at("ok"), AnalyticsValue("text"));
  EXPECT_EQ(out.at("number"), AnalyticsValue(std::int64_t{4}));
  EXPECT_EQ(out.at("real"), AnalyticsValue(2.5));
  EXPECT_EQ(out.at("flag"), AnalyticsValue(std::int64_t{1}));
  EXPECT_EQ(out.at("long").stringValue(), std::string(97, 'x') + "...");
  for (const char* dropped : {"_internal", "ga_reserved", "date", "nested"}) EXPECT_FALSE(out.count(dropped)) << dropped;
  EXPECT_TRUE(scope.logged(18015));

  Parameters internal = sanitizeEventParameters(Dictionary{{"_ev", std::string(600, 'y')}}, "_err", false, false);
  EXPECT_EQ(platform::foundation::Utf8::length(internal.at("_ev").stringValue()), kInternalParameterValueLength);
}

TEST_F(ParametersTest, ItemsKeepStandardParametersAndRefuseCustomOnes) {
  Dictionary raw{{"items", Array{Dictionary{{"item_id", "sku"}, {"price", 2.5}, {"custom", "x"}}, Value("not an item"),
                                 Dictionary{{"items", Array{}}, {"quantity", 2}}}}};
  Parameters out = sanitizeEventParameters(raw, "purchase", true, false);
  ASSERT_TRUE(out.at("items").isItemArray());
  const auto& items = out.at("items").items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], (Parameters{{"item_id", AnalyticsValue("sku")}, {"price", AnalyticsValue(2.5)}}));
  EXPECT_EQ(items[1], (Parameters{{"quantity", AnalyticsValue(std::int64_t{2})}}));
  EXPECT_TRUE(scope.logged(18016));
  auto errors = scope.errorEvents();
  ASSERT_EQ(errors.size(), 2u);  // "custom" and the nested "items"
  EXPECT_EQ(errors[0].at("_err"), AnalyticsValue(std::int64_t{23}));
  EXPECT_EQ(errors[0].at("_ev"), AnalyticsValue("custom"));
}

TEST_F(ParametersTest, TooManyParametersAreTrimmedAfterTheOtherChecks) {
  Dictionary raw;
  for (int i = 0; i < 30; ++i) raw.emplace(name(i), i);
  raw.emplace("ga_bad", 1);  // dropped by the name check first, so it does not take a place
  Parameters out = sanitizeEventParameters(raw, "shop", true, false);
  EXPECT_EQ(out.size(), kMaxPublicEventParameters);
  EXPECT_TRUE(out.count("p24"));
  EXPECT_FALSE(out.count("p25"));
  EXPECT_TRUE(scope.logged(18017));
  auto errors = scope.errorEvents();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].at("_err"), AnalyticsValue(std::int64_t{5}));
}

TEST_F(ParametersTest, ErrorEventsCarryCodeNameAndLength) {
  logErrorEvent(0);
  logErrorEventWithValue(0, "x", 40, Value("y"));
  EXPECT_TRUE(scope.errorEvents().empty());

  logErrorEvent(16);
  logErrorEventWithValue(2, std::string(45, 'n'), 40, Value("v"));
  logErrorEventWithValue(7, "prop", 36, Value("héllo"));
  logErrorEventWithValue(11, "ev", 3, Value("long value"));
  logErrorEventWithValue(4, "ev", 40, Value(12));
  auto events = scope.errorEvents();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0], (Parameters{{"_err", AnalyticsValue(std::int64_t{16})}}));
  EXPECT_EQ(events[1].at("_ev"), AnalyticsValue(std::string(40, 'n') + "..."));
  EXPECT_FALSE(events[1].count("_el"));  // code 2, value within the limit
  EXPECT_EQ(events[2].at("_el"), AnalyticsValue(std::int64_t{5}));
  EXPECT_EQ(events[3].at("_el"), AnalyticsValue(std::int64_t{10}));
  EXPECT_EQ(events[4].at("_el"), AnalyticsValue(std::int64_t{6}));  // "Number"
}

}  // namespace

}  // namespace sdk::analytics

