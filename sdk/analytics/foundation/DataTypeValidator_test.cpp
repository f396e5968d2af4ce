#include "sdk/analytics/foundation/DataTypeValidator.h"

#include <gtest/gtest.h>

#include <functional>

#include "sdk/analytics/foundation/FoundationTestSupport.h"

namespace sdk::analytics {

namespace {

using V = DataTypeValidator;
using NameCheck = std::function<bool(std::string_view, int*)>;

std::string repeat(std::size_t n, const std::string& unit = "a") {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += unit;
  return s;
}

struct NameCase {
  const char* check;
  NameCheck fn;
  std::string input;
  int expected;
};

class ValidatorTest : public ::testing::Test {
 protected:
  ostrel::testing::MonitorScope scope;
};

TEST_F(ValidatorTest, NameLengthBoundariesAndCharacters) {
  const NameCheck internalEvent = V::isValidInternalEventName;
  const NameCheck internalOrigin = V::isValidInternalEventOrigin;
  const NameCheck publicEvent = V::isValidPublicEventName;
  const NameCheck publicParameter = V::isValidPublicEventParameterName;
  const NameCheck publicProperty = V::isValidPublicUserAttributeName;
  const NameCheck internalProperty = V::isValidInternalUserAttributeName;
  const NameCheck cupOrigin = V::isValidConditionalUserPropertyOrigin;
  const NameCheck cupName = V::isValidConditionalUserPropertyName;
  const NameCase cases[] = {
      {"internal event", internalEvent, "", V::kEmpty},
      {"internal event", internalEvent, "a", 0},
      {"internal event", internalEvent, repeat(40), 0},
      {"internal event", internalEvent, repeat(41), V::kTooLong},
      {"internal event", internalEvent, "_vs", 0},
      {"internal event", internalEvent, "9lives", 0},
      {"internal event", internalEvent, "a-b", V::kInvalidCharacter},
      {"internal event", internalEvent, "a b", V::kInvalidCharacter},
      // Code points, not bytes: 40 two-byte letters pass, 41 do not.
      {"internal event", internalEvent, repeat(40, "é"), 0},
      {"internal event", internalEvent, repeat(41, "é"), V::kTooLong},
      {"internal event", internalEvent, "日本語_イベント", 0},
      {"internal event", internalEvent, "٣", 0},  // an Arabic-Indic digit is a digit
      {"internal event", internalEvent, "a😀", V::kInvalidCharacter},
      {"internal origin", internalOrigin, repeat(32), 0},
      {"internal origin", internalOrigin, repeat(33), V::kTooLong},
      {"public event", publicEvent, "", V::kEmpty},
      {"public event", publicEvent, "a", 0},
      {"public event", publicEvent, repeat(40), 0},
      {"public event", publicEvent, repeat(41), V::kTooLong},
      {"public event", publicEvent, "_private", V::kInvalidCharacter},
      {"public event", publicEvent, "1st", V::kInvalidCharacter},
      {"public event", publicEvent, "évènement", 0},
      {"public event", publicEvent, "screen_view", 0},
      {"public event", publicEvent, "first_open", V::kReserved},
      {"public event", publicEvent, "ga_campaign", V::kReserved},
      {"public event", publicEvent, "ad_impression", 0},  // exempt
      {"public event", publicEvent, "vadeze_thing", V::kReserved},
      {"public event", publicEvent, "vurevore_x", V::kReserved},
      {"public event", publicEvent, "ga_x", V::kReserved},
      {"public event", publicEvent, "gax", 0},
      {"public parameter", publicParameter, repeat(40), 0},
      {"public parameter", publicParameter, repeat(41), V::kTooLong},
      {"public parameter", publicParameter, "ga_index", V::kReserved},
      {"public parameter", publicParameter, "session_id", 0},
      {"public property", publicProperty, repeat(24), 0},
      {"public property", publicProperty, repeat(25), V::kTooLong},
      {"public property", publicProperty, "user_id", V::kReserved},
      {"public property", publicProperty, "first_open_time", V::kReserved},
      {"public property", publicProperty, "vadeze_x", V::kReserved},
      {"public property", publicProperty, "_x", V::kInvalidCharacter},
      {"internal property", internalProperty, repeat(24), 0},
      {"internal property", internalProperty, repeat(25), V::kTooLong},
      {"internal property", internalProperty, "_fot", 0},
      {"cup origin", cupOrigin, repeat(32), 0},
      {"cup origin", cupOrigin, repeat(33), V::kTooLong},
      {"cup name", cupName, repeat(24), 0},
      {"cup name", cupName, repeat(25), V::kTooLong},
  };
  for (const NameCase& c : cases) {
    int failure = -1;
    EXPECT_EQ(c.fn(c.input, &failure), c.expected == 0) << c.check << " '" << c.input << "'";
    EXPECT_EQ(failure, c.expected) << c.check << " '" << c.input << "'";
    EXPECT_EQ(c.fn(c.input, nullptr), c.expected == 0);  // the out-parameter is optional
  }
}

TEST_F(ValidatorTest, ForwardedOriginsNeedTheSuffixAndAValidRest) {
  const std::pair<std::string, int> cases[] = {
      {"", V::kEmpty},
      {"app", V::kMissingForwardedSuffix},
      {"app+vtm", 0},
      {"+vtm", V::kEmpty},
      {repeat(32) + "+vtm", 0},
      {repeat(33) + "+vtm", V::kTooLong},
      {"a-b+vtm", V::kInvalidCharacter},
      {"app+VTM", V::kMissingForwardedSuffix},
  };
  for (const auto& [origin, expected] : cases) {
    int failure = -1;
    EXPECT_EQ(V::isValidForwardedEventOrigin(origin, &failure), expected == 0) << origin;
    EXPECT_EQ(failure, expected) << origin;
  }
}

TEST_F(ValidatorTest, ValueLengthBoundaries) {
  struct ValueCase {
    const char* check;
    std::function<bool(const AnalyticsValue&, int*)> fn;
    AnalyticsValue value;
    int expected;
  };
  auto internal = [](const char* name) {
    return [name](const AnalyticsValue& v, int* f) { return V::isValidInternalUserAttributeValue(v, name, f); };
  };
  const ValueCase cases[] = {
      {"public parameter", V::isValidPublicEventParameterValue, AnalyticsValue(repeat(100)), 0},
      {"public parameter", V::isValidPublicEventParameterValue, AnalyticsValue(repeat(101)), V::kTooLong},
      {"public parameter", V::isValidPublicEventParameterValue, AnalyticsValue(std::int64_t{7}), 0},
      {"public parameter", V::isValidPublicEventParameterValue, AnalyticsValue(2.5), 0},
      {"public parameter", V::isValidPublicEventParameterValue, AnalyticsValue(std::vector<Parameters>{}), V::kNotAString},
      {"public property", V::isValidPublicUserAttributeValue, AnalyticsValue(""), V::kTooShort},
      {"public property", V::isValidPublicUserAttributeValue, AnalyticsValue("a"), 0},
      {"public property", V::isValidPublicUserAttributeValue, AnalyticsValue(repeat(36)), 0},
      {"public property", V::isValidPublicUserAttributeValue, AnalyticsValue(repeat(37)), V::kTooLong},
      {"public property", V::isValidPublicUserAttributeValue, AnalyticsValue(repeat(36, "ü")), 0},
      {"public property", V::isValidPublicUserAttributeValue, AnalyticsValue(std::int64_t{1}), V::kNotAString},
      {"internal property", internal("_x"), AnalyticsValue(repeat(36)), 0},
      {"internal property", internal("_x"), AnalyticsValue(repeat(37)), V::kTooLong},
      {"internal property", internal("_x"), AnalyticsValue(std::int64_t{5}), 0},
      {"internal property", internal("_id"), AnalyticsValue(repeat(256)), 0},
      {"internal property", internal("_id"), AnalyticsValue(repeat(257)), V::kTooLong},
      {"internal property", internal("_gbraid"), AnalyticsValue(repeat(256)), 0},
      {"internal property", internal("_gbraid"), AnalyticsValue(""), V::kTooShort},
      {"screen", V::isValidScreenParameterValue, AnalyticsValue(repeat(100)), 0},
      {"screen", V::isValidScreenParameterValue, AnalyticsValue(repeat(101)), V::kTooLong},
      {"screen", V::isValidScreenParameterValue, AnalyticsValue(""), V::kTooShort},
      {"screen", V::isValidScreenParameterValue, AnalyticsValue(std::int64_t{3}), V::kNotAString},
      {"cup value", V::isValidConditionalUserPropertyValue, AnalyticsValue(repeat(36)), 0},
      {"cup value", V::isValidConditionalUserPropertyValue, AnalyticsValue(repeat(37)), V::kTooLong},
      {"cup value", V::isValidConditionalUserPropertyValue, AnalyticsValue(1.5), 0},
  };
  for (const ValueCase& c : cases) {
    int failure = -1;
    EXPECT_EQ(c.fn(c.value, &failure), c.expected == 0) << c.check << " " << c.value.description();
    EXPECT_EQ(failure, c.expected) << c.check << " " << c.value.description();
  }
}

TEST_F(ValidatorTest, ReservedRefusalsLogTheirOwnCodes) {
  const std::pair<std::function<bool()>, std::int64_t> cases[] = {
      {[] { return V::isValidPublicEventName("app_remove", nullptr); }, 13006},
      {[] { return V::isValidPublicEventName("vadeze_x", nullptr); }, 13007},
      {[] { return V::isValidPublicEventParameterName("ga_x", nullptr); }, 13008},
      {[] { return V::isValidPublicUserAttributeName("user_id", nullptr); }, 13009},
      {[] { return V::isValidPublicUserAttributeName("ga_x", nullptr); }, 13010},
  };
  for (const auto& [check, code] : cases) {
    scope.console.clear();
    EXPECT_FALSE(check());
    EXPECT_TRUE(scope.logged(code)) << code;
  }
}

}  // namespace

}  // namespace sdk::analytics

