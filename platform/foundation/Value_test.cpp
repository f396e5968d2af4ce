#include "platform/foundation/Value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/foundation/Error.h"
#include "platform/foundation/Exception.h"

namespace platform::foundation {
namespace {

struct Named : Object {
  explicit Named(std::string n) : name(std::move(n)) {}
  std::string description() const override { return "<Named " + name + ">"; }
  bool isEqual(const Object& other) const override {
    auto* named = dynamic_cast<const Named*>(&other);
    return named && named->name == name;
  }
  std::string name;
};

TEST(ValueTest, ConstructorsPickTheIntendedKindAndNumbersConvertAmongThemselvesOnly) {
  EXPECT_TRUE(Value("text").isString());  // a literal must not decay to bool
  char buffer[] = "mutable";
  EXPECT_TRUE(Value(buffer).isString());
  EXPECT_TRUE(Value(static_cast<const char*>(nullptr)).isNil());
  EXPECT_TRUE(Value(std::shared_ptr<Named>()).isNil());
  EXPECT_EQ(Value(std::numeric_limits<std::uint64_t>::max()).type(), Value::Type::Real);
  EXPECT_EQ(Value(std::uint64_t{5}).integer(), 5);

  EXPECT_EQ(Value(-4.9).toInt64(), -4);
  EXPECT_EQ(Value(1e300).toInt64(), INT64_MAX);
  EXPECT_EQ(Value(-1e300).toInt64(), INT64_MIN);
  EXPECT_EQ(Value(std::nan("")).toInt64(), 0);
  EXPECT_EQ(Value("12").toInt64(), 0);
  EXPECT_FALSE(Value("1").toBool());
  EXPECT_EQ(Value::date(5).toDouble(), 0.0);
  EXPECT_EQ(Value(1.0).integer(), std::nullopt);  // exact-kind getters stay exact
  EXPECT_EQ(Value("x").number(), std::nullopt);
}

// A switch written as text in a property list reads as the phone reads it: the first character after
// blanks, a sign and zeros decides.
TEST(ValueTest, ASwitchWrittenAsTextReadsAsThePhoneReadsIt) {
  for (const char* yes : {"YES", "yes", "Y", "true", "True", "t", "1", "9", "  YES", "\tyes", "+1", "-1", "007",
                          "-00Y", "0t", "12abc", "Yellow"}) {
    EXPECT_TRUE(Value(yes).boolValue()) << '"' << yes << '"';
  }
  for (const char* no :
       {"NO", "no", "false", "FALSE", "0", "000", "-0", "+", "", "   ", "x", "0x1", " .5", "\n1", "--1", "+-1", "N"}) {
    EXPECT_FALSE(Value(no).boolValue()) << '"' << no << '"';
  }
  EXPECT_TRUE(Value(true).boolValue());
  EXPECT_TRUE(Value(2).boolValue());
  EXPECT_TRUE(Value(0.5).boolValue());
  EXPECT_FALSE(Value(false).boolValue());
  EXPECT_FALSE(Value(0).boolValue());
  EXPECT_FALSE(Value().boolValue());
  EXPECT_FALSE(Value(Array{Value("YES")}).boolValue());
  EXPECT_FALSE(Value::data({'1'}).boolValue());
}

TEST(ValueTest, EqualityComparesNumbersByValueAndContainersDeeply) {
  EXPECT_EQ(Value(1), Value(1.0));
  EXPECT_EQ(Value(true), Value(1));
  EXPECT_NE(Value(1), Value(1.5));
  // Exactness beyond double precision: 2^53 + 1 is not the double 2^53.
  EXPECT_NE(Value((std::int64_t{1} << 53) + 1), Value(9007199254740992.0));
  EXPECT_NE(Value(INT64_MAX), Value(9223372036854775808.0));
  EXPECT_NE(Value("1"), Value(1));
  EXPECT_NE(Value(), Value::null());
  EXPECT_NE(Value::date(1), Value(1));
  EXPECT_EQ(Value(Array{1, "a", Dictionary{{"k", 2.0}}}), Value(Array{1.0, "a", Dictionary{{"k", 2}}}));
  EXPECT_NE(Value(Array{1}), Value(Array{1, 2}));
  EXPECT_EQ(Value(std::make_shared<Named>("x")), Value(std::make_shared<Named>("x")));
  EXPECT_NE(Value(std::make_shared<Named>("x")), Value(std::make_shared<Named>("y")));
}

TEST(ValueTest, ReadsAreForgivingAndWritesCheckTheKind) {
  Value v;
  EXPECT_TRUE(v["missing"].isNil());
  EXPECT_TRUE(Value(3)["key"].isNil());
  EXPECT_TRUE(Value(Array{1}).at(5).isNil());
  v.set("a", 1);  // nil becomes a dictionary
  v.set("b", Array{});
  EXPECT_EQ(v["a"], Value(1));
  EXPECT_EQ(v.size(), 2u);
  v.set("a", Value());  // setting nil removes
  EXPECT_FALSE(v.contains("a"));
  v.dictionary()->at("b").append("x");
  EXPECT_EQ(v["b"].at(0), Value("x"));
  EXPECT_THROW(v.append(1), Exception);
  EXPECT_THROW(Value(1).set("k", 2), Exception);
}

TEST(ValueTest, DescriptionMatchesThePhoneLogText) {
  EXPECT_EQ(Value().description(), "(null)");
  EXPECT_EQ(Value::null().description(), "<null>");
  EXPECT_EQ(Value(1.0).description(), "1");
  EXPECT_EQ(Value(0.1).description(), "0.1");
  EXPECT_EQ(Value::data({0x0a, 0x0b, 1, 2, 3}).description(), "<0a0b0102 03>");
  EXPECT_EQ(Value::date(-0.5).description(), "1969-12-31 23:59:59 +0000");
  EXPECT_EQ(Value(Dictionary{{"key", "value"}, {"list", Array{1, "two words"}}}).description(),
            "{\n    key = value;\n    list = (\n        1,\n        \"two words\"\n    );\n}");
}

TEST(ErrorTest, DescribesItselfAndComparesByContent) {
  Error plain{"VURErrorDomain", 7, Value()};
  EXPECT_EQ(plain.localizedDescription(), "The operation couldn\u2019t be completed. (VURErrorDomain error 7.)");
  Error described = Error::make("D", 2, "Disk full");
  EXPECT_EQ(described.description(), "Error Domain=D Code=2 \"Disk full\" UserInfo={NSLocalizedDescription=Disk full}");
  EXPECT_NE(described, Error::make("D", 3, "Disk full"));
  Error odd{"D", 1, Value(5)};  // user info that is not a dictionary must not break printing
  EXPECT_EQ(odd.description(), "Error Domain=D Code=1 \"The operation couldn\u2019t be completed. (D error 1.)\"");

  Error outer = Error::make("Outer", 1, "wrapped");
  outer.setUnderlyingError(described);
  EXPECT_EQ(outer.underlyingError(), described);
  Error copy = outer;
  copy.setUnderlyingError(plain);
  EXPECT_NE(copy, outer);
}

}  // namespace
}  // namespace platform::foundation
