#include <gtest/gtest.h>

#include <filesystem>
#include <cmath>
#include <fstream>
#include <limits>
#include <set>

#include "sdk/analytics/foundation/DecimalNumber.h"
#include "sdk/analytics/foundation/MeasurementError.h"
#include "sdk/analytics/foundation/MeasurementFiles.h"
#include "sdk/analytics/foundation/Hashing.h"
#include "sdk/analytics/foundation/NameTables.h"
#include "sdk/analytics/foundation/NumericUtil.h"
#include "sdk/analytics/foundation/QueryString.h"
#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "testing/TempContainer.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Error;

TEST(HashingTest, MD5Vectors) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [input, hex] : vectors) EXPECT_EQ(md5HexString(input), hex) << input;
  EXPECT_FALSE(md5HexString("\xff\xfe"));
  // "abc": the last eight digest bytes d6963f7d28e17f72, read big-endian.
  EXPECT_EQ(md5Low64Bits("abc"), static_cast<std::int64_t>(0xd6963f7d28e17f72ull));
}

TEST(DecimalTest, AcceptanceAndRefusal) {
  ostrel::testing::MonitorScope scope;
  const std::string digits38(38, '7');
  const std::pair<std::string, const char*> cases[] = {
      {"12", "12"},      {"-12.50", "-12.5"}, {"+3", "3"},      {"1.", "1"},         {"0.001", "0.001"},
      {"-0", "0"},       {"007", "7"},        {"100", "100"},   {digits38, nullptr}, {".5", "none"},
      {"+.5", "none"},   {"-.5", "none"},     {"1e5", "none"},  {"", "none"},        {"1.2.3", "none"},
      {"abc", "none"},   {" 1", "none"},      {"--1", "none"},  {".", "none"},       {"+", "none"},
      {digits38 + "7", "none"},  // 39 significant digits lose precision
  };
  for (const auto& [input, expected] : cases) {
    auto number = decimalNumberFromString(input);
    if (expected && std::string(expected) == "none") {
      EXPECT_FALSE(number) << input;
    } else {
      ASSERT_TRUE(number) << input;
      EXPECT_EQ(number->description(), expected ? expected : input) << input;
    }
  }
  EXPECT_TRUE(scope.logged(26003));
  EXPECT_TRUE(isDecimalNumberString(".5"));
  EXPECT_TRUE(isDecimalNumberString("5."));
  EXPECT_FALSE(isDecimalNumberString("5.."));
  EXPECT_FALSE(isDecimalNumberString(std::string(100000, '1') + "x"));  // long input, no deep recursion
}

TEST(DecimalTest, Comparison) {
  auto d = [](const char* text) { return *DecimalNumber::parse(text); };
  EXPECT_EQ(d("1.50"), d("1.5"));
  EXPECT_EQ(d("-0"), d("0"));
  EXPECT_LT(d("-2"), d("-1.5"));
  EXPECT_LT(d("0.09"), d("0.1"));
  EXPECT_LT(d("99"), d("100"));
  EXPECT_LT(d("12345678901234567890123456789012345677"), d("12345678901234567890123456789012345678"));
  EXPECT_EQ(DecimalNumber::fromInt64(-42), d("-42.0"));
  EXPECT_DOUBLE_EQ(d("-12.25").doubleValue(), -12.25);
  // Rounding at the 38th digit carries all the way.
  EXPECT_EQ(DecimalNumber::parse(std::string(39, '9'))->description(), "1" + std::string(39, '0'));
}

TEST(DecimalTest, MultiplicationIsExact) {
  auto d = [](const char* t) { return *DecimalNumber::parse(t); };
  struct Case { const char* a; const char* b; const char* product; };
  for (const Case& c : {Case{"0.99", "2", "1.98"}, Case{"0.99", "1000000", "990000"},
                        Case{"-1.5", "0.2", "-0.3"}, Case{"0", "12.5", "0"}, Case{"0.1", "0.1", "0.01"},
                        Case{"99999999999999999999", "99999999999999999999", "9999999999999999999800000000000000000000"}}) {
    EXPECT_EQ(d(c.a).multipliedBy(d(c.b)).description(), c.product) << c.a << " * " << c.b;
  }
}

TEST(QueryStringTest, ParsingAndWriting) {
  auto parsed = dictionaryFromQueryString("a=1&b=x%20y&a=2&c&d=e=f&&%3D=%26+z");
  EXPECT_EQ(parsed.at("a"), "1");  // first wins
  EXPECT_EQ(parsed.at("b"), "x y");
  EXPECT_EQ(parsed.at("c"), "");
  EXPECT_EQ(parsed.at("d"), "e=f");
  EXPECT_EQ(parsed.at("="), "& z");
  EXPECT_EQ(parsed.size(), 5u);
  EXPECT_TRUE(dictionaryFromQueryString("").empty());

  platform::foundation::Dictionary query{{"app_instance_id", ""}, {"platform", "ios"}, {"v", 1200}, {"q", "a&b=c d"}};
  std::string text = queryString(query);
  EXPECT_EQ(text, "app_instance_id=&platform=ios&q=a%26b%3Dc%20d&v=1200");
  auto back = dictionaryFromQueryString(text);
  EXPECT_EQ(back.at("q"), "a&b=c d");
}

TEST(NameTablesTest, SizesAndReverseLookup) {
  EXPECT_EQ(publicToInternalEventNames().size(), 33u);
  EXPECT_EQ(reservedEventNameExemptions().size(), 1u);
  EXPECT_EQ(reservedUserPropertyNames().size(), 10u);
  EXPECT_EQ(publicToInternalParameterNames().size(), 54u);
  EXPECT_EQ(publicToInternalEventNames().internalName("ga_campaign"), "_cmp");
  EXPECT_EQ(publicToInternalEventNames().publicName("_cmp"), "vurevore_campaign");
  EXPECT_EQ(publicToInternalParameterNames().publicName("_err"), "vurevore_error");
  EXPECT_EQ(publicToInternalParameterNames().publicName("_sid"), "session_id");
  EXPECT_FALSE(reservedUserPropertyNames().internalName("nobody"));
  EXPECT_EQ(&publicToInternalEventNames(), &publicToInternalEventNames());
}

TEST(ErrorTest, EnsureHelpers) {
  EXPECT_TRUE(ensureTrue(true, 1, "x").ok());
  auto refused = ensureNonZero(0, 9, "nothing");
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().domain, kMeasurementErrorDomain);
  EXPECT_EQ(refused.error().code, 9);
  EXPECT_EQ(refused.error().localizedDescription(), "nothing");
  std::shared_ptr<int> none;
  EXPECT_FALSE(ensureObject(none, 3, "none").ok());
  EXPECT_TRUE(ensureObject(std::make_shared<int>(1), 3, "x").ok());
}

TEST(FilesTest, MeasurementFolderAndDeletion) {
  ostrel::testing::TempContainer container;
  std::string path = measurementDirectoryFilePath("vadeze-app-measurement.sql");
  EXPECT_EQ(path, container.path() + "/Library/Application Support/Vadeze/Measurement/vadeze-app-measurement.sql");
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(path).parent_path()));
  { std::ofstream(path) << "x"; }
  EXPECT_TRUE(excludePathFromBackup(path).ok());
  EXPECT_TRUE(deleteFileAtPath(path).ok());
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(deleteFileAtPath(path).ok());  // already gone
  auto refused = deleteFileAtPath("");
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().code, 1);
  EXPECT_EQ(refused.error().localizedDescription(), "Received empty path for deleting file");
}

// Times reach the conversion from files and servers: one far past the int64 range in milliseconds (1e18
// seconds) saturates instead of wrapping to the most negative time, and NaN is no time at all.
TEST(MillisecondsTest, TruncateAndSaturateAtTheInt64Range) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(NumericUtil::millisecondsFromSeconds(1700000000.1239), 1700000000123);
  EXPECT_EQ(NumericUtil::millisecondsFromSeconds(-1.0019), -1001);
  EXPECT_EQ(NumericUtil::millisecondsFromSeconds(9.2e15), 9200000000000000000);
  for (double huge : {1e18, 1e300, std::numeric_limits<double>::infinity(), 9223372036854775.808}) {
    EXPECT_EQ(NumericUtil::millisecondsFromSeconds(huge), kMax) << huge;
    EXPECT_EQ(NumericUtil::millisecondsFromSeconds(-huge), kMin) << -huge;
  }
  EXPECT_EQ(NumericUtil::millisecondsFromSeconds(std::nan("")), 0);
}

TEST(RandomTest, DrawsDiffer) {
  std::set<std::int64_t> draws;
  for (int i = 0; i < 16; ++i) draws.insert(NumericUtil::randomInt64());
  EXPECT_GT(draws.size(), 14u);
}

}  // namespace

}  // namespace sdk::analytics

