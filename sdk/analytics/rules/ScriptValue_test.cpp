#include <cmath>
#include <limits>

#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/CommandHelpers.h"
#include "sdk/analytics/rules/ScriptMapValue.h"
#include "sdk/analytics/rules/ScriptNumberText.h"
#include "sdk/analytics/rules/ScriptTestSupport.h"
#include "sdk/analytics/rules/ScriptText.h"
#include "sdk/analytics/rules/ScriptStatementValue.h"

namespace sdk::analytics {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(scriptNumberText, FormatsUpTo17DigitsAndSwitchesToScientificAtTheEdges) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1e20, "100000000000000000000"}, {1e-6, "0.00000099999999999999995"}, {0.000002, "0.0000019999999999999999"},
      {0.1, "0.10000000000000001"}, {1234567, "1234567"}, {-0.0, "0"}, {0, "0"}, {2.5, "2.5"},
      {-2.5, "-2.5"}, {0.25, "0.25"}, {kNaN, "NaN"}, {kInfinity, "Infinity"},
      {-kInfinity, "-Infinity"}, {123.456, "123.456"}, {0.5, "0.5"}, {9007199254740993.0, "9007199254740992"},
      {1.0 / 3, "0.33333333333333331"},
      // Exactly half way at the 17th digit rounds away from zero (a quarter below 2^51 ends in such a
      // 5), and a carry through nines adds a digit to the integer part.
      {2251799813685247.25, "2251799813685247.3"}, {-2251799813685247.25, "-2251799813685247.3"},
      {0.99999999999999999, "1"}, {123456789012345678.0, "123456789012345680"}, {4503599627370495.5, "4503599627370495.5"},
  };
  for (const auto& c : cases) EXPECT_EQ(utf8FromUTF16(formatScriptNumber(c.value)), c.text) << c.value;
}

// The scientific form has as many digits as it takes to read the same double back, no more: the
// decimal style's 17 would make 1e-7 read 9.9999999999999995e-8.
TEST(scriptNumberText, ScientificFormHasTheFewestDigitsThatReadBack) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1e-7, "1e-7"}, {1.5e-7, "1.5e-7"}, {-1e-7, "-1e-7"}, {1e21, "1e+21"}, {1.2345e25, "1.2345e+25"},
      {-1.5e22, "-1.5e+22"}, {999999999999999999999.0, "1e+21"}, {1.1920928955078125e-7, "1.1920928955078125e-7"},
      {9.99999e-7, "9.99999e-7"}, {4.35e-7, "4.35e-7"},
      {-1.490116119384765625e-8, "-1.4901161193847656e-8"},
      {5e-324, "5e-324"}, {1.7976931348623157e308, "1.7976931348623157e+308"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf8FromUTF16(formatScriptNumber(c.value)), c.text) << c.value;
    EXPECT_EQ(parseScriptNumber(formatScriptNumber(c.value)), c.value) << c.text;
  }
}

// Where a double lies exactly half way between two texts of its fewest digits that both read back,
// the one away from zero is written, as the decimal form does at its 17th digit. Only two magnitudes
// of all doubles have such a pair: 2^-25 and 5 * 2^-23.
TEST(scriptNumberText, AnExactTieInTheScientificFormRoundsAwayFromZero) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0x1p-25, "2.9802322387695313e-8"}, {-0x1p-25, "-2.9802322387695313e-8"},
      {0x5p-23, "5.960464477539063e-7"}, {-0x5p-23, "-5.960464477539063e-7"},
      // 2^-24 lies half way too, but only its text away from zero reads back; 2^-26 and 3 * 2^-23
      // lie off the half way.
      {0x1p-26, "1.4901161193847656e-8"}, {0x1p-24, "5.960464477539063e-8"}, {0x3p-23, "3.5762786865234375e-7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf8FromUTF16(formatScriptNumber(c.value)), c.text) << c.value;
    EXPECT_EQ(parseScriptNumber(formatScriptNumber(c.value)), c.value) << c.text;
  }
}

TEST(scriptNumberText, ScansWholeDecimalNumbersOnly) {
  const struct {
    const char16_t* text;
    double value;
  } cases[] = {
      {u"", 0}, {u" ", 0}, {u"\n", 0}, {u" 12 ", 12}, {u"1e3", 1000}, {u"12px", kNaN}, {u"-Infinity", -kInfinity},
      {u"Infinity", kInfinity}, {u"NaN", kNaN}, {u"nan", kNaN}, {u"inf", kNaN}, {u"0x10", kNaN}, {u"+5", 5},
      {u"-.5", -0.5}, {u"1.", 1}, {u".", kNaN}, {u"1e", kNaN}, {u"1,5", kNaN}, {u"\u00a07\u2003", 7},
      {u"1e400", kInfinity},
  };
  for (const auto& c : cases) {
    const double got = parseScriptNumber(c.text);
    if (std::isnan(c.value)) { EXPECT_TRUE(std::isnan(got)) << utf8FromUTF16(c.text); }
    else EXPECT_EQ(got, c.value) << utf8FromUTF16(c.text);
  }
}

// Beyond the range of doubles a decimal becomes infinity when it is too large and zero (or the
// nearest subnormal) when it is too small, with its sign, however it is written.
TEST(scriptNumberText, OutOfRangeDecimalsOverflowOrUnderflowByTheirMagnitude) {
  const std::u16string zeros(400, u'0');
  const struct {
    std::u16string text;
    double value;
  } cases[] = {
      {u"0." + zeros + u"1", 0.0},          {u"-0." + zeros + u"1", -0.0},        {u"." + zeros + u"7e+5", 0.0},
      {u"1" + zeros + u"e-800", 0.0},        {u"1" + zeros, kInfinity},            {u"-1" + zeros + u".5", -kInfinity},
      {u"0." + zeros + u"1e800", kInfinity}, {u"1e-400", 0.0},                     {u"-1E-99999999999999999999", -0.0},
      {u"1e99999999999999999999", kInfinity}, {u"3e-324", 4.9406564584124654e-324}, {u"-0." + zeros.substr(0, 300) + u"4", -4e-301},
  };
  for (const auto& c : cases) {
    const double got = parseScriptNumber(c.text);
    EXPECT_EQ(got, c.value) << utf8FromUTF16(c.text).substr(0, 24);
    EXPECT_EQ(std::signbit(got), std::signbit(c.value)) << utf8FromUTF16(c.text).substr(0, 24);
  }
}

// Texts cross into the interpreter as UTF-16 and out as UTF-8; what is malformed on the way in is one
// U+FFFD a byte, and a surrogate alone in a script string leaves as U+FFFD.
TEST(ScriptText, MalformedBytesComeInAsOneReplacementEachAndLoneSurrogatesLeaveAsOne) {
  const struct {
    std::string utf8;
    std::u16string utf16;
  } in[] = {
      {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"a\u00E9\u20AC\U0001F600"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},              // overlong
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},    // overlong, three bytes
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // a surrogate written out
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xE2\x82", u"\uFFFD\uFFFD"},               // cut short
      {"\x80x", u"\uFFFDx"},
  };
  for (const auto& c : in) EXPECT_EQ(utf16FromUTF8(c.utf8), c.utf16) << c.utf8;
  EXPECT_EQ(utf8FromUTF16(u"\U0001F600\u00E9"), "\xF0\x9F\x98\x80\xC3\xA9");
  EXPECT_EQ(utf8FromUTF16(std::u16string(u"a") + char16_t(0xD83D) + u"b" + char16_t(0xDE00)), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(IntegerConversions, FollowTheThirtyTwoBitRules) {
  const struct {
    double value;
    std::int32_t int32;
    std::uint32_t uint32;
  } cases[] = {
      {3000000000, -1294967296, 3000000000u}, {4294967295, -1, 4294967295u}, {4294967296, 0, 0},
      {-1.5, -1, 4294967295u}, {2147483648, -2147483648, 2147483648u}, {-2147483649, 2147483647, 2147483647u},
      {4294967297, 1, 1}, {kNaN, 0, 0}, {kInfinity, 0, 0}, {-kInfinity, 0, 0}, {1e300, 0, 0}, {-1, -1, 4294967295u},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(toInt32(c.value), c.int32) << c.value;
    EXPECT_EQ(toUInt32(c.value), c.uint32) << c.value;
  }
  EXPECT_EQ(toInteger(kNaN), 0);
  EXPECT_EQ(toInteger(-2.7), -2);
  EXPECT_EQ(toInteger(kInfinity), kInfinity);
  EXPECT_EQ(toInt64Clamped(1e300), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(toInt64Clamped(-kInfinity), std::numeric_limits<std::int64_t>::min());
}

class ScriptValuesTest : public ScriptTest {};

TEST_F(ScriptValuesTest, ConversionTableRows) {
  // Each row: a program, its text, its number and its truth.
  const struct {
    const char* program;
    const char* text;
    double number;
    bool truth;
  } rows[] = {
      {"(undefined)", "undefined", kNaN, false}, {"(null)", "null", 0, false}, {"true", "true", 1, true},
      {"false", "false", 0, false}, {"0", "0", 0, false}, {"NaN", "NaN", kNaN, false}, {"7", "7", 7, true},
      {"\"\"", "", 0, false}, {"\" 12 \"", " 12 ", 12, true}, {"(array)", "", 0, true},
      {"(array \" 12 \")", " 12 ", 12, true}, {"(array \"a\")", "a", kNaN, true}, {"(array 1 2)", "1,2", kNaN, true},
      {"(array 1 (undefined) (null) \"a\")", "1,,,a", kNaN, true}, {"(object)", "[object Object]", kNaN, true},
      {"(fn \"named\" (quote))", "named", kNaN, true},
  };
  for (const auto& row : rows) {
    auto value = run(row.program);
    ASSERT_FALSE(failed()) << row.program;
    const auto text = value->stringValueOrError();
    const auto n = value->doubleValueOrError();
    const auto truth = value->booleanValueOrError();
    ASSERT_TRUE(text.ok() && n.ok() && truth.ok()) << row.program;
    EXPECT_EQ(utf8FromUTF16(*text), row.text) << row.program;
    if (std::isnan(row.number)) { EXPECT_TRUE(std::isnan(*n)) << row.program; }
    else EXPECT_EQ(*n, row.number) << row.program;
    EXPECT_EQ(*truth, row.truth) << row.program;
  }
  // Statements, control values and the hole have no forms at all.
  const ScriptValue* formless[] = {ScriptValue::emptyValue(), ScriptControlValue::breakValue()};
  for (const auto* value : formless) {
    EXPECT_EQ(value->stringValueOrError().error().code, kScriptErrorNoStringForm);
    EXPECT_EQ(value->doubleValueOrError().error().code, kScriptErrorNoNumberForm);
    EXPECT_EQ(value->booleanValueOrError().error().code, kScriptErrorNoBooleanForm);
  }
}

TEST_F(ScriptValuesTest, ArrayIndexAndLengthRules) {
  EXPECT_EQ(text("(var \"a\") (= \"a\" (array)) (put $a 5 1) (. $a \"length\")"), "6");
  EXPECT_EQ(text("(call $a \"hasOwnProperty\" (quote 2))"), "false");
  EXPECT_EQ(text("(call $a \"hasOwnProperty\" (quote 5))"), "true");
  EXPECT_EQ(text("$a"), ",,,,,1");
  EXPECT_EQ(text("(var \"names\") (= \"names\" (array)) (for-in-let \"k\" $a (quote (call $names \"push\" (quote $k)))) $names"),
            "5");
  EXPECT_EQ(errorOf("(put $a \"length\" 2.5)"), kScriptErrorBadLength);
  EXPECT_EQ(errorOf("(put $a \"length\" -1)"), kScriptErrorBadLength);
  // The one string "length" inside an array is a named property, not the length.
  EXPECT_EQ(text("(put $a (array \"length\") 9) (seq (. $a \"length\") )"), "6");
  EXPECT_EQ(text("(. $a (array \"length\"))"), "9");
  // "1", 1 and "01" all address slot 1.
  EXPECT_EQ(text("(var \"b\") (= \"b\" (array 10 11 12)) (+ (+ (. $b \"1\") (. $b 1)) (. $b \"01\"))"), "33");
  EXPECT_EQ(text("(put $a \"length\" 2) $a"), ",");
  EXPECT_EQ(text("(. $b 1e30)"), "undefined");
}

TEST_F(ScriptValuesTest, StructuralEquality) {
  auto& heap = runtime->heap();
  auto a = heap.make<ScriptArrayValue>(ScriptValueList{scriptNumber(heap, 1), ScriptValue::emptyValue()});
  auto b = heap.make<ScriptArrayValue>(ScriptValueList{scriptNumber(heap, 1), ScriptValue::emptyValue()});
  auto c = heap.make<ScriptArrayValue>(ScriptValueList{scriptNumber(heap, 1), scriptUndefined()});
  EXPECT_TRUE(a->isEqualToRuntimeValue(*b));
  EXPECT_FALSE(a->isEqualToRuntimeValue(*c));
  auto m1 = heap.make<ScriptMapValue>();
  auto m2 = heap.make<ScriptMapValue>();
  m1->setValueForProperty(scriptNumber(heap, kNaN), u"x");
  m2->setValueForProperty(scriptNumber(heap, kNaN), u"x");
  EXPECT_TRUE(m1->isEqualToRuntimeValue(*m2));
  m2->setValueForProperty(scriptNull(), u"y");
  EXPECT_FALSE(m1->isEqualToRuntimeValue(*m2));
  auto f1 = heap.make<ScriptFunctionValue>(u"");
  auto f2 = heap.make<ScriptFunctionValue>(u"");
  EXPECT_FALSE(f1->isEqualToRuntimeValue(*f2));
  EXPECT_TRUE(f1->isEqualToRuntimeValue(*f1));
  EXPECT_TRUE(heap.make<ScriptFunctionValue>(u"g")->isEqualToRuntimeValue(*heap.make<ScriptFunctionValue>(u"g")));
  auto s1 = heap.make<ScriptStatementValue>(heap.make<ScriptStringValue>(u"0"), ScriptValueList{scriptNumber(heap, 1)});
  auto s2 = heap.make<ScriptStatementValue>(heap.make<ScriptStringValue>(u"0"), ScriptValueList{scriptNumber(heap, 1)});
  EXPECT_TRUE(s1->isEqualToRuntimeValue(*s2));
  // A cyclic array compared with itself answers at once; with a copy, within the depth bound.
  ASSERT_TRUE(a->setValueForProperty(a, *scriptNumber(heap, 0)).ok());
  ASSERT_TRUE(b->setValueForProperty(b, *scriptNumber(heap, 0)).ok());
  EXPECT_TRUE(a->isEqualToRuntimeValue(*a));
  EXPECT_FALSE(a->isEqualToRuntimeValue(*b));
}

TEST_F(ScriptValuesTest, ScopeRules) {
  auto& global = runtime->globalScope();
  auto child = global.createChildScope();
  auto grandchild = child->createChildScope();
  global.addValue(scriptNumber(runtime->heap(), 1), u"x");
  grandchild->setValue(scriptNumber(runtime->heap(), 2), u"x");
  EXPECT_FALSE(grandchild->contents().hasName(u"x"));
  EXPECT_EQ(utf8FromUTF16(*global.valueForName(u"x")->stringValueOrError()), "2");
  // Assigning to an undeclared name creates it where the assignment happens.
  grandchild->setValue(scriptNumber(runtime->heap(), 3), u"fresh");
  EXPECT_TRUE(grandchild->contents().hasName(u"fresh"));
  EXPECT_FALSE(child->hasName(u"fresh"));
  // Constants keep their value.
  child->addImmutableValue(scriptNumber(runtime->heap(), 4), u"k");
  grandchild->setValue(scriptNumber(runtime->heap(), 5), u"k");
  child->addValue(scriptNumber(runtime->heap(), 6), u"k");
  EXPECT_EQ(utf8FromUTF16(*grandchild->valueForName(u"k")->stringValueOrError()), "4");
  // An immutable scope keeps out every write, its ancestors' names included.
  grandchild->makeImmutable();
  grandchild->setValue(scriptNumber(runtime->heap(), 7), u"x");
  grandchild->addValue(scriptNumber(runtime->heap(), 7), u"y");
  EXPECT_EQ(utf8FromUTF16(*global.valueForName(u"x")->stringValueOrError()), "2");
  EXPECT_FALSE(grandchild->hasName(u"y"));
  EXPECT_TRUE(grandchild->valueForName(u"nowhere")->isUndefined());
}

TEST_F(ScriptValuesTest, MethodApplication) {
  EXPECT_EQ(typed("(call 12.5 \"toString\" (quote))"), "string 12.5");
  EXPECT_EQ(errorOf("(call (undefined) \"toString\" (quote))"), kScriptErrorMethodOfNothing);
  EXPECT_EQ(errorOf("(call (null) \"x\" (quote))"), kScriptErrorMethodOfNothing);
  EXPECT_EQ(errorOf("(call 1 \"nothing\" (quote))"), kScriptErrorUnknownMethod);
  EXPECT_EQ(text("(call (object \"a\" 1) \"hasOwnProperty\" (quote \"a\"))"), "true");
  EXPECT_EQ(errorOf("(call (object \"a\" 1) \"hasOwnProperty\" (quote \"a\" \"b\"))"), kScriptErrorArgumentCount);
  EXPECT_EQ(errorOf("(call (object \"a\" 1) \"a\" (quote))"), kScriptErrorUnknownMethod);
  EXPECT_EQ(text("(call (object \"f\" (fn \"\" (quote \"v\") (return (* $v 2)))) \"f\" (quote 21))"), "42");
  EXPECT_EQ(text("(call (object) \"toString\" (quote))"), "[object Object]");
  EXPECT_EQ(text("(call (fn \"nm\" (quote)) \"toString\" (quote))"), "nm");
}

TEST_F(ScriptValuesTest, FunctionCalls) {
  // Missing arguments read undefined; extra ones are ignored; return is unwrapped, break is not.
  EXPECT_EQ(text("(defun \"f\" (quote \"a\" \"b\") (return (+ (typeof $a) (typeof $b)))) (f 1)"), "numberundefined");
  EXPECT_EQ(text("(f 1 2 3)"), "numbernumber");
  EXPECT_EQ(typed("(defun \"g\" (quote) (break)) (g)"), "control ");
  EXPECT_EQ(typed("(defun \"h\" (quote)) (h)"), "undefined undefined");
  // An opcode nobody claims and no function answers is undefined, without an error.
  EXPECT_EQ(typed("(11)"), "undefined undefined");
  EXPECT_EQ(typed("(nobody 1 2)"), "undefined undefined");
}

}  // namespace

}  // namespace sdk::analytics

