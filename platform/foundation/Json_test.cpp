#include "platform/foundation/Json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace platform::foundation {
namespace {

TEST(JsonTest, ParsesEveryKindKeepingIntegersApartFromReals) {
  Error error;
  Value v = Json::parse(R"({"i": -42, "r": 2.5, "whole": 4.0, "b": true, "n": null, "s": "snow \u2603",
                            "big": 9223372036854775807, "bigger": 18446744073709551615, "e": 1e3,
                            "list": [1, [], {}], "nested": {"k": {"k": [false]}}})",
                        &error);
  ASSERT_TRUE(v.isDictionary()) << error;
  EXPECT_EQ(v["i"].integer(), -42);
  EXPECT_TRUE(v["whole"].isReal());
  EXPECT_TRUE(v["n"].isNull());
  EXPECT_EQ(v["s"], Value("snow \u2603"));
  EXPECT_EQ(v["big"].integer(), INT64_MAX);
  EXPECT_EQ(v["bigger"].real(), 18446744073709551615.0);  // kept in magnitude, not wrapped
  EXPECT_TRUE(v["e"].isReal());
  EXPECT_EQ(v["nested"]["k"]["k"].at(0), Value(false));
  EXPECT_EQ(Json::parse("  7 "), Value(7));  // top-level scalars are fine
}

TEST(JsonTest, SerializeRoundTripsAndSortsKeys) {
  Value original(Dictionary{{"z", Array{1, 2.5, -0.125, "x\"y\\z\n", Value::null(), true}},
                            {"a", Dictionary{{"k", INT64_MIN}}},
                            {"u", "\u00e9\u2603"}});
  Error error;
  std::string compact = Json::serialize(original, false, &error);
  EXPECT_EQ(compact, R"({"a":{"k":-9223372036854775808},"u":"é☃","z":[1,2.5,-0.125,"x\"y\\z\n",null,true]})");
  Value back = Json::parse(compact, &error);
  EXPECT_EQ(back, original);
  EXPECT_TRUE(back["z"].at(0).isInteger());
  EXPECT_EQ(Json::parse(Json::serialize(original, true)), original);
  EXPECT_EQ(Json::serialize(Value(Dictionary{{"k", 1}}), true), "{\n  \"k\": 1\n}");
  EXPECT_EQ(Json::serialize(Value(1.0)), "1.0");  // a real stays a real when read back
}

TEST(JsonTest, InvalidTextIsAnErrorNeverAnException) {
  const std::string inputs[] = {
      "", "{", "[1,]", "{\"a\" 1}", "tru", "01", "\"unterminated", "{\"a\":1}}", "[1] [2]",
      "\"\xff\"", "NaN", "1e400", "[-1e999]", "// comment\n1", std::string(600, '[') + std::string(600, ']'),
  };
  for (const std::string& input : inputs) {
    Error error;
    EXPECT_TRUE(Json::parse(input, &error).isNil()) << input;
    EXPECT_EQ(error.domain, Json::kErrorDomain) << input;
    EXPECT_EQ(error.code, Json::kReadCorruptError) << input;
    EXPECT_FALSE(error.localizedDescription().empty());
  }
  // Nesting below the limit is fine.
  EXPECT_EQ(Json::parse(std::string(100, '[') + std::string(100, ']')).size(), 1u);
}

TEST(JsonTest, ValuesWithoutAJsonFormAreRefused) {
  struct Thing : Object {};
  for (const Value& v : {Value(), Value(Array{Value()}), Value::data({1}), Value::date(0), Value(std::make_shared<Thing>()),
                         Value(Dictionary{{"k", std::nan("")}}), Value(INFINITY), Value("\xc3("),
                         Value(Dictionary{{"\xff", 1}})}) {
    Error error;
    EXPECT_EQ(Json::serialize(v, false, &error), "") << v;
    EXPECT_EQ(error.domain, Json::kErrorDomain);
    EXPECT_EQ(error.code, Json::kWriteInvalidError);
  }
}

}  // namespace
}  // namespace platform::foundation
