#include <unicode/utypes.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string_view>

#include "sdk/analytics/foundation/FoundationTestSupport.h"
#include "sdk/analytics/rules/AudienceTestSupport.h"
#include "sdk/analytics/rules/ScriptArrayValue.h"
#include "sdk/analytics/rules/ScriptHeap.h"
#include "sdk/analytics/rules/ScriptRegex.h"
#include "sdk/analytics/rules/ScriptRegexCache.h"
#include "sdk/analytics/rules/ScriptValueConverter.h"
#include "sdk/analytics/rules/ScriptTestSupport.h"
#include "sdk/analytics/rules/StringCommandEvaluator.h"
#include "sdk/analytics/rules/StringFilterEvaluator.h"

namespace sdk::analytics {

namespace {

using platform::foundation::Value;

struct Case {
  const char* program;
  const char* result;
};

class StringMethods : public ScriptTest {
 protected:
  // (call receiver "method" (quote args...))
  std::string call(const std::string& receiver, const std::string& method, const std::string& arguments = "") {
    return typed("(call " + receiver + " \"" + method + "\" (quote " + arguments + "))");
  }
};

TEST_F(StringMethods, PositionsAndSearches) {
  const struct {
    const char* receiver;
    const char* method;
    const char* arguments;
    const char* result;
  } cases[] = {
      {"\"abc\"", "charAt", "1.7", "string b"}, {"\"abc\"", "charAt", "-1", "string "},
      {"\"abc\"", "charAt", "3", "string "}, {"\"abc\"", "charAt", "", "string a"},
      {"\"abc\"", "charAt", "1 2", "error 9"}, {"\"abc\"", "indexOf", "\"\"", "number -1"},
      {"\"\"", "indexOf", "\"\"", "number -1"}, {"\"abc\"", "indexOf", "\"c\" 5", "number -1"},
      {"\"abcabc\"", "indexOf", "\"bc\" 2", "number 4"}, {"\"xundefinedx\"", "indexOf", "", "number 1"},
      {"\"abcabc\"", "lastIndexOf", "\"bc\"", "number 4"}, {"\"abcabc\"", "lastIndexOf", "\"bc\" 3", "number 1"},
      {"\"abcabc\"", "lastIndexOf", "\"bc\" 0", "number -1"}, {"\"abcabc\"", "lastIndexOf", "\"bc\" NaN", "number 4"},
      {"\"abc\"", "hasOwnProperty", "\"length\"", "boolean true"}, {"\"\"", "hasOwnProperty", "\"length\"", "boolean true"},
      {"\"abc\"", "hasOwnProperty", "2", "boolean true"}, {"\"abc\"", "hasOwnProperty", "3", "boolean false"},
      {"\"abc\"", "hasOwnProperty", "\"x\"", "boolean false"}, {"\"abc\"", "nosuch", "", "error 17"},
      {"\"a1b22\"", "search", "\"[0-9]+\"", "number 1"}, {"\"abc\"", "search", "\"\"", "number 0"},
      {"\"an undefined\"", "search", "", "number 3"}, {"\"abc\"", "search", "\"z\"", "number -1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(call(c.receiver, c.method, c.arguments), c.result) << c.receiver << "." << c.method << "(" << c.arguments << ")";
  }
}

TEST_F(StringMethods, PiecesAndCases) {
  const struct {
    const char* receiver;
    const char* method;
    const char* arguments;
    const char* result;
  } cases[] = {
      {"\"abcde\"", "slice", "-2", "string de"}, {"\"abcde\"", "slice", "2 1", "string "},
      {"\"abcde\"", "slice", "1 (undefined)", "string "}, {"\"abcde\"", "slice", "1 -1", "string bcd"},
      {"\"abcde\"", "substring", "4 1", "string bcd"}, {"\"abcde\"", "substring", "-5", "string abcde"},
      {"\"bab\"", "split", "\"a\"", "array b,b"}, {"\"aa\"", "split", "\"a\"", "array ,,"},
      {"\"abc\"", "split", "", "array abc"}, {"\"abc\"", "split", "\"\" 2", "array a,b"},
      {"\"abc\"", "split", "\"b\" (undefined)", "array "}, {"\"a,b,c\"", "split", "\",\" -1", "array a,b,c"},
      {"\"\"", "split", "\",\"", "array "}, {"\"a-b-a\"", "replace", "\"a\" \"x\"", "string x-b-a"},
      {"\"abc\"", "replace", "\"z\" \"x\"", "string abc"}, {"\"abc\"", "replace", "\"\" \"x\"", "string xabc"},
      {"\"abc\"", "replace", "\"b\" \"$&$1\"", "string a$&$1c"}, {"\"abc\"", "concat", "1 (null)", "string abc1null"},
      {"\"Stra\xC3\x9F\x65\"", "toUpperCase", "", "string STRASSE"}, {"\"\xC4\xB0I\"", "toLowerCase", "", "string i\xCC\x87i"},
      {"\"abc\"", "toUpperCase", "1", "error 9"}, {"\"  \\n\xC2\xA0x\xE2\x80\xA8\"", "trim", "", "string x"},
      {"\"abc\"", "toString", "", "string abc"}, {"\"abc\"", "match", "\"(b)(c)\"", "array bc"},
      {"\"abc\"", "match", "\"z\"", "null null"}, {"\"abc\"", "match", "", "array "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(call(c.receiver, c.method, c.arguments), c.result) << c.receiver << "." << c.method << "(" << c.arguments << ")";
  }
  EXPECT_EQ(text("(call \"a-b\" \"replace\" (quote \"-\" (fn \"\" (quote \"m\" \"at\" \"all\") (return (+ $at $all)))))"),
            "a1a-bb");
}

TEST_F(StringMethods, RegularExpressionsFailCleanly) {
  EXPECT_EQ(call("\"abc\"", "match", "\"(\""), "error 66310");  // ICU's own error: a missing close parenthesis
  EXPECT_EQ(error.domain, kScriptRegexErrorDomain);
  // A runaway pattern is stopped by the matcher's step limit, which counts work rather than seconds, so
  // the same pattern stops at the same point on any machine.
  EXPECT_EQ(call("\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!\"", "match", "\"(a+)+$\""), "error " + std::to_string(U_REGEX_TIME_OUT));
  EXPECT_EQ(error.domain, kScriptRegexErrorDomain);
  EXPECT_EQ(call("\"aaaa\"", "match", "\"a+$\""), "array aaaa");
}

// Compiling is charged by what the pattern asks for: sets that ignore case cost what closing them
// over case costs on what they hold (a set of every character takes milliseconds), and a pattern
// that would cost more than one call may spend is refused before it is compiled, with error 18 as
// what passes any other limit of the run is. Others are charged against the run's work, and a
// pattern used again in the same run is not compiled again.
TEST_F(StringMethods, CompilingAPatternIsChargedAndBounded) {
  const std::string everyCharacter = "[\\\\x{0}-\\\\x{10FFFF}]";
  std::string sets;
  for (int i = 0; i < 40; ++i) sets += everyCharacter;
  EXPECT_EQ(call("\"abc\"", "search", "\"(?i)" + sets + "\""), "error " + std::to_string(kScriptErrorLimitReached));
  EXPECT_EQ(call("\"abc\"", "search", "\"(?-i)" + sets + "\""), "number -1");

  ScriptLimits limits;
  limits.nativeWork = 2'000'000;
  const std::string loop = "(var \"n\") (= \"n\" 0) (loop (< $n 10) (= \"n\" (+ $n 1)) false (quote ";
  const std::string two = everyCharacter + everyCharacter;
  useLimits(limits);
  EXPECT_EQ(text(loop + "(call \"Ab-12\" \"search\" (quote \"(?i)" + two + "\")))) $n"), "10");
  useLimits(limits);
  EXPECT_EQ(errorOf(loop + "(call \"Ab-12\" \"search\" (quote (+ \"(?i)" + two + "\" $n))))) $n"),
            kScriptErrorLimitReached);
  useLimits(limits);
  EXPECT_EQ(text(loop + "(call \"Ab-12\" \"search\" (quote (+ \"" + two + "\" $n))))) $n"), "10");
}

// A search that ignores case over sets of a few characters compiles in microseconds however many
// sets it has: it searches, and only a pattern that does not compile gives the library's error.
TEST_F(StringMethods, ACaseBlindSearchOfManySetsSearches) {
  std::string eight, forty;
  for (int i = 0; i < 8; ++i) eight += i % 2 ? "[0-9]" : "[a-z]";
  for (int i = 0; i < 40; ++i) forty += "[a-z]";
  EXPECT_EQ(call("\"xx-a1B2c3D4\"", "search", "\"(?i)" + eight + "\""), "number 3");
  EXPECT_EQ(call("\"xx-a1B2c3D4\"", "match", "\"(?i)" + eight + "\""), "array a1B2c3D4");
  EXPECT_EQ(call("\"" + std::string(40, 'Q') + "\"", "search", "\"(?i)" + forty + "\""), "number 0");
  EXPECT_EQ(call("\"abc\"", "search", "\"(?i)" + eight + "(\""), "error 66310");
  EXPECT_EQ(error.domain, kScriptRegexErrorDomain);
}

// A program's text of `units` copies of `unit`, built by doubling, in the name `name`.
std::string doubledText(const std::string& name, const std::string& unit, int units) {
  return "(var \"" + name + "\") (= \"" + name + "\" \"" + unit + "\") (loop (< (. $" + name + " \"length\") " +
         std::to_string(units) + ") (= \"" + name + "\" (+ $" + name + " $" + name + ")) false (quote))";
}

// One step of the matcher may compare a long literal or back reference, or clear a frame of many
// groups at every start position: each is charged, so a search that would need more than the budget
// stops with error 18 where a plain search of the same text fits.
TEST_F(StringMethods, WorkInsideOneMatcherStepIsCharged) {
  ScriptLimits limits;
  limits.nativeWork = 100'000;
  const struct {
    std::string text;
    std::string pattern;
  } searches[] = {
      {doubledText("t", "a", 2048), "(+ (call $t \"substring\" (quote 0 1024)) \"!\")"},
      {doubledText("t", "a", 512), "\"(.*)\\\\1b\""},
      {doubledText("t", "a", 256), "\"(?i)(a*)\\\\1b\""},
      {doubledText("t", "a", 16384) + doubledText("g", "()", 4096), "(+ \"ab\" $g)"},
  };
  for (const auto& search : searches) {
    useLimits(limits);
    EXPECT_EQ(errorOf(search.text + "(call $t \"search\" (quote " + search.pattern + "))"), kScriptErrorLimitReached)
        << search.pattern;
    useLimits(limits);
    EXPECT_EQ(text(search.text + "(call (+ $t \"!\") \"search\" (quote \"a*!\"))"), "0") << search.pattern;
  }
  // A frame so large that every unit of the matcher's time would cost more than one call may spend
  // is refused before the pattern is compiled.
  useLimits({});
  EXPECT_EQ(text(doubledText("g", "()", 16384) + "(call \"ab\" \"search\" (quote (+ \"b\" $g)))"),
            "error " + std::to_string(kScriptErrorLimitReached));
  EXPECT_EQ(text(doubledText("g", "()", 1024) + "(call \"ab\" \"search\" (quote (+ \"b\" $g)))"), "1");
}

// The matcher stopped by the budget at any point, inside a comparison, a scan or a back reference,
// ends the search with error 18; the pattern it keeps then answers the next search rightly.
TEST_F(StringMethods, ASearchStoppedAnywhereEndsCleanly) {
  const char* patterns[] = {"\"(\\\\w)\\\\1\"", "\"(?i)(ab)\\\\1\"", "\"(?<=x{2,3})y\"", "\"\\\\X{2}z\"", "\"[a-z]+@z\""};
  const std::string subject = doubledText("t", "xyab", 512) + "(= \"t\" (+ $t \"xxyABabzz@z\"))";
  for (const char* pattern : patterns) {
    const std::string search = "(call $t \"search\" (quote " + std::string(pattern) + "))";
    const std::string again = "(call \"zz xxy@z\" \"search\" (quote " + std::string(pattern) + "))";
    useLimits({});
    const double expected = number(subject + search);
    const double expectedAgain = number(again);
    ASSERT_GT(expected, 0) << pattern;
    ScriptLimits limits;
    for (limits.nativeWork = 500; limits.nativeWork < 4'000; limits.nativeWork += 37) {
      useLimits(limits);
      const double stopped = number(subject + search);
      EXPECT_TRUE(failed() ? error.code == kScriptErrorLimitReached : stopped == expected) << pattern << " " << stopped;
      runtime->heap().setLimits({});
      EXPECT_EQ(number(again), expectedAgain) << pattern << " at " << limits.nativeWork;
    }
  }
}

// Compiling goes back over what was compiled before each quantifier or lookbehind, a counted
// repetition of a group most of all: a pattern of thousands of them is charged what that costs, and
// one of more than a call may spend is refused before it is compiled. Alternatives do not go back,
// and thousands of them cost what their text does.
TEST_F(StringMethods, CompilingIsChargedWhatItCosts) {
  ScriptLimits limits;
  limits.nativeWork = 1'000'000;
  const std::string fresh = "(var \"n\") (= \"n\" 0) (loop (< $n 10) (= \"n\" (+ $n 1)) false (quote"
                            " (call \"x\" \"search\" (quote (+ $n $p))))) $n";
  for (const char* unit : {"a*", "(?<=a)", "(a){2}"}) {
    useLimits(limits);
    EXPECT_EQ(errorOf(doubledText("p", unit, 16384) + fresh), kScriptErrorLimitReached) << unit;
    useLimits(limits);
    EXPECT_EQ(text(doubledText("p", unit, 128) + fresh), "10") << unit;
  }
  useLimits(limits);
  EXPECT_EQ(text(doubledText("p", "a|", 8192) + fresh), "10");
  useLimits({});
  EXPECT_EQ(text(doubledText("p", "a*", 131072) + "(call \"x\" \"search\" (quote $p))"),
            "error " + std::to_string(kScriptErrorLimitReached));
}

// One pattern and one value give one answer, in a script's search and in an audience's filter alike,
// and it is ICU's on a plain buffer of UTF-16: an empty group repeated before a non-boundary finds no
// match in "x"; a run of anything before a group of two non-boundaries takes all of "-cBz1 ".
TEST_F(StringMethods, OnePatternAndOneValueGiveOneAnswer) {
  EXPECT_EQ(call("\"x\"", "search", "\"(?:){1,3}\\\\B\""), "number -1");
  EXPECT_EQ(call("\"-cBz1 \"", "search", "\".*((((w))|\\\\B\\\\B))\""), "number 0");
  EXPECT_EQ(call("\"-cBz1 \"", "match", "\".*((((w))|\\\\B\\\\B))\""), "array -cBz1 ");

  MonitorScope scope;
  auto audience = [&](const std::string& pattern, const std::string& value) {
    return matchStringFilter(*ostrel::testing::stringFilter(1, pattern, true), value, *scope.monitor);
  };
  EXPECT_EQ(audience("(?:){1,3}\\B", "x"), FilterOutcome(false));
  EXPECT_EQ(audience("^.*((((w))|\\B\\B))$", "-cBz1 "), FilterOutcome(true));
}

// The emoji of every kind, spelled as ICU also reads it, costs what it does to compile: eight of
// them are refused before they are compiled, as the name ICU spells it would be.
TEST_F(StringMethods, EverySpellingOfTheEmojiIsRefusedBeforeItIsCompiled) {
  for (const std::string spelled : {"RGI_Emoji", "IsRGI_Emoji", "Is RGI Emoji", "\tRGI_Emoji"}) {
    std::string pattern;
    for (int i = 0; i < 8; ++i) pattern += "\\\\p{" + spelled + "}";
    useLimits({});
    EXPECT_EQ(call("\"x\"", "search", "\"" + pattern + "\""), "error " + std::to_string(kScriptErrorLimitReached)) << spelled;
    EXPECT_EQ(runtime->heap().regexCache().compiles(), 0) << spelled;
  }
}

// Every compile costs what handing it to its thread and ICU's own start take: an event that
// searches with a new tiny pattern every time is stopped by its count well before the sixty thousand
// such searches that pricing their text alone let through.
TEST_F(StringMethods, NewTinyPatternsAreStoppedByTheirCount) {
  useLimits({});
  const std::string searches = "(var \"i\") (= \"i\" 0)"
                               " (loop true (= \"i\" (+ $i 1)) false (quote (call \"x\" \"search\" (quote (+ $i \"x\")))))";
  EXPECT_EQ(errorOf(searches), kScriptErrorLimitReached);
  const double done = runtime->globalScope().valueForName(u"i")->doubleValueOrError().valueOr(0);
  EXPECT_GT(done, 5'000);
  EXPECT_LT(done, 40'000);
}

// The hash of a UTF-16 text that the standard library's own hash of such texts gives: its
// multiplicative mix of eight bytes at a time, inverted here to make a text of another's hash.
class TextHash {
 public:
  static constexpr std::uint64_t kMultiplier = (std::uint64_t{0xc6a4a793} << 32) + 0x5bd1e995;
  static constexpr std::uint64_t kSeed = 0xc70f6907;
  static std::uint64_t shiftMix(std::uint64_t v) { return v ^ (v >> 47); }
  static std::uint64_t mixed(std::uint64_t block) { return shiftMix(block * kMultiplier) * kMultiplier; }
  // The block that mixes to `data`: the mix undone step by step.
  static std::uint64_t unmixed(std::uint64_t data) { return shiftMix(data * inverse()) * inverse(); }
  static std::uint64_t inverse() {
    std::uint64_t x = kMultiplier;
    for (int i = 0; i < 6; ++i) x *= 2 - kMultiplier * x;
    return x;
  }
  static std::uint64_t block(const std::u16string& text, std::size_t at) {
    std::uint64_t value = 0;
    std::memcpy(&value, text.data() + at, sizeof value);
    return value;
  }
  // The state after the first `blocks` blocks of eight bytes.
  static std::uint64_t stateAfter(const std::u16string& text, std::size_t blocks) {
    std::uint64_t state = kSeed ^ (text.size() * sizeof(char16_t) * kMultiplier);
    for (std::size_t b = 0; b < blocks; ++b) state = (state ^ mixed(block(text, 4 * b))) * kMultiplier;
    return state;
  }
};

// `costly` with a plain literal of its length whose standard hash is the same: its last whole block
// of eight bytes solved for, the units before it changed until the solution is four plain letters.
std::u16string plainTwin(const std::u16string& costly) {
  const std::size_t last = costly.size() / 4 - 1;  // the last whole block
  const std::uint64_t wanted = TextHash::stateAfter(costly, last) ^ TextHash::mixed(TextHash::block(costly, 4 * last));
  std::u16string twin(costly.size(), u'x');
  std::copy(costly.begin() + static_cast<std::ptrdiff_t>(4 * (last + 1)), costly.end(), twin.begin() + static_cast<std::ptrdiff_t>(4 * (last + 1)));
  for (char16_t varied = u'a'; varied <= u'z'; ++varied) {
    for (char16_t other = u'a'; other <= u'z'; ++other) {
      twin[4 * last - 1] = varied;
      twin[4 * last - 2] = other;
      const std::uint64_t block = TextHash::unmixed(wanted ^ TextHash::stateAfter(twin, last));
      bool plain = true;
      for (int u = 0; u < 4; ++u) {
        const auto unit = static_cast<char16_t>(block >> (16 * u));
        plain = plain && unit >= 0x3400 && unit <= 0x9FFF;
        twin[4 * last + static_cast<std::size_t>(u)] = unit;
      }
      if (plain) return twin;
    }
  }
  return {};
}

// A pattern refused as too costly is remembered by its whole text: a plain literal of the same
// length and the same standard hash is searched with as any other.
TEST_F(StringMethods, ARefusalIsKeptByTheWholeText) {
  std::u16string costly = u"(?i)";
  for (int i = 0; i < 6; ++i) costly += u"\\p{RGI_Emoji}";
  costly += u"zzzzzzzzzzzzzzzz";
  costly.resize(90, u'z');
  const std::u16string twin = plainTwin(costly);
  ASSERT_EQ(twin.size(), costly.size());
  ASSERT_EQ(std::hash<std::u16string_view>{}(twin), std::hash<std::u16string_view>{}(costly));
  std::string spelled;
  for (const char16_t c : costly) spelled += c == u'\\' ? std::string("\\\\") : std::string(1, static_cast<char>(c));
  const std::string plain = utf8FromUTF16(twin);
  EXPECT_EQ(call("\"" + plain + "\"", "search", "\"" + spelled + "\""), "error " + std::to_string(kScriptErrorLimitReached));
  EXPECT_EQ(call("\"" + plain + "\"", "search", "\"" + plain + "\""), "number 0");
  EXPECT_EQ(call("\"" + plain + "\"", "search", "\"" + spelled + "\""), "error " + std::to_string(kScriptErrorLimitReached));
}

TEST_F(StringMethods, UTF16CodeUnitsAndLoneSurrogates) {
  // U+1F600 is two code units; its halves stay apart inside the interpreter.
  EXPECT_EQ(text("(. \"\xF0\x9F\x98\x80\" \"length\")"), "2");
  EXPECT_EQ(text("(. (call \"\xF0\x9F\x98\x80x\" \"charAt\" (quote 0)) \"length\")"), "1");
  EXPECT_EQ(text("(call \"\xF0\x9F\x98\x80x\" \"slice\" (quote 1))"), "\xEF\xBF\xBDx");  // leaves as U+FFFD
  EXPECT_EQ(text("(+ (call \"\xF0\x9F\x98\x80\" \"charAt\" (quote 0)) (call \"\xF0\x9F\x98\x80\" \"charAt\" (quote 1)))"),
            "\xF0\x9F\x98\x80");
}

class ArrayMethods : public ScriptTest {
 protected:
  std::string call(const std::string& receiver, const std::string& method, const std::string& arguments = "") {
    return typed("(call " + receiver + " \"" + method + "\" (quote " + arguments + "))");
  }
};

TEST_F(ArrayMethods, SearchesJoinsAndSlices) {
  const struct {
    const char* receiver;
    const char* method;
    const char* arguments;
    const char* result;
  } cases[] = {
      {"(array NaN)", "indexOf", "NaN", "number -1"}, {"(array 1 2 1)", "indexOf", "1 -1", "number 2"},
      {"(array 1 2 1)", "indexOf", "1 3", "number -1"}, {"(array 1 \"1\")", "indexOf", "\"1\"", "number 1"},
      {"(array)", "lastIndexOf", "1", "number -1"}, {"(array 1 2 1)", "lastIndexOf", "1 -4", "number -1"},
      {"(array 1 2 1)", "lastIndexOf", "1", "number 2"}, {"(array 1 2 1)", "lastIndexOf", "1 1", "number 0"},
      {"(array 1 2)", "join", "", "string 1,2"}, {"(array 1 2)", "join", "(null)", "string 12"},
      {"(array 1 2)", "join", "(undefined)", "string 12"}, {"(array 1 2)", "join", "\"-\"", "string 1-2"},
      {"(array 1 2 3)", "slice", "-2", "array 2,3"}, {"(array 1 2 3)", "slice", "3 1", "array "},
      {"(array 1 2 3)", "slice", "0 (undefined)", "array "}, {"(array 1 (array 2))", "concat", "3 (array 4 (array 5))", "array 1,2,3,4,5"},
      {"(array 1)", "concat", "(break)", "error 10"}, {"(array 1)", "hasOwnProperty", "\"length\"", "boolean true"},
      {"(array 1)", "hasOwnProperty", "0", "boolean true"}, {"(array 1)", "hasOwnProperty", "1", "boolean false"},
      {"(array 1)", "nosuch", "", "error 17"}, {"(array 1 2)", "toString", "", "string 1,2"},
      {"(array)", "pop", "", "undefined undefined"}, {"(array)", "shift", "", "undefined undefined"},
      {"(array 1 2)", "push", "3 4", "number 4"}, {"(array 1 2)", "unshift", "3 4", "number 4"},
      {"(array 1 2 3)", "reverse", "", "array 3,2,1"}, {"(array 1)", "sort", "5", "array 1"},
      {"(array 2 1)", "sort", "5", "error 10"}, {"(array 10 9 1)", "sort", "", "array 1,10,9"},
      {"(array 1 2 3)", "splice", "1", "array 2,3"}, {"(array 1 2 3)", "splice", "", "array "},
      {"(array 1 2 3)", "splice", "1 0 7 8", "array "}, {"(array 1 2 3)", "splice", "-1 5", "array 3"},
      {"(array)", "reduce", "(fn \"\" (quote))", "error 8"}, {"(array)", "every", "(fn \"\" (quote))", "boolean true"},
      {"(array)", "some", "(fn \"\" (quote))", "boolean false"}, {"(array 1)", "map", "5", "error 10"},
      {"(array 1)", "map", "", "error 9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(call(c.receiver, c.method, c.arguments), c.result) << c.receiver << "." << c.method << "(" << c.arguments << ")";
  }
  EXPECT_EQ(text("(var \"a\") (= \"a\" (array 1 2 3)) (call $a \"splice\" (quote 1 0 7 8)) $a"), "1,7,8,2,3");
  EXPECT_EQ(text("(= \"a\" (array 1 2 3)) (call $a \"pop\" (quote)) (call $a \"shift\" (quote)) $a"), "2");
}

TEST_F(ArrayMethods, CallbackWalksSkipHolesAndNeverSeeNewElements) {
  run("(var \"h\") (= \"h\" (array 1)) (put $h 2 3)");
  EXPECT_EQ(text("(const \"m\" (call $h \"map\" (quote (fn \"\" (quote \"v\") (return (* $v 10)))))) "
                 "(+ (+ $m \"/\") (call $m \"hasOwnProperty\" (quote 1)))"),
            "10,,30/false");
  EXPECT_EQ(text("(call (array 1 2 3) \"filter\" (quote (fn \"\" (quote \"v\") (return (!= $v 2)))))"), "1,3");
  EXPECT_EQ(text("(call (array 1 2 3) \"some\" (quote (fn \"\" (quote \"v\" \"i\" \"arr\") (return (== (. $arr \"length\") $v)))))"),
            "true");
  EXPECT_EQ(text("(call (array \"a\" \"b\" \"c\") \"reduceRight\" (quote (fn \"\" (quote \"x\" \"y\") (return (+ $x $y)))))"),
            "cba");
  EXPECT_EQ(text("(call (array) \"reduce\" (quote (fn \"\" (quote)) 5))"), "5");
  EXPECT_EQ(text("(call (array 9) \"reduce\" (quote (fn \"\" (quote) (return 0))))"), "9");
  EXPECT_EQ(errorOf("(call (array 9) \"reduce\" (quote (fn \"\" (quote)) (break)))"), kScriptErrorArgumentType);
  // The element, index and array are the callback's arguments as if written in its call: a
  // statement among them runs, and a native callback receives all three.
  EXPECT_EQ(text("(call (quote (+ 1 2)) \"map\" (quote (fn \"\" (quote \"v\" \"i\") (return (+ $v $i)))))"), "3");
  EXPECT_EQ(errorOf("(call (array \"internal.platform\") \"map\" (quote $require))"), kScriptErrorArgumentCount);
  // Callbacks that push and pop the array they walk: the walk keeps to the indices it began with.
  EXPECT_EQ(text("(var \"p\") (= \"p\" (array 1 2 3)) (var \"n\") (= \"n\" 0)"
                 "(call $p \"forEach\" (quote (fn \"\" (quote \"v\") (= \"n\" (+ $n 1)) (call $p \"push\" (quote $v))))) $n"),
            "3");
  EXPECT_EQ(text("(= \"n\" 0) (call $p \"forEach\" (quote (fn \"\" (quote \"v\") (= \"n\" (+ $n 1)) (call $p \"pop\" (quote))"
                 " (call $p \"pop\" (quote))))) $n"),
            "2");  // six elements, two popped per call: the third visit finds index 2 gone
  EXPECT_EQ(text("(= \"p\" (array 1 2 3)) (call $p \"every\" (quote (fn \"\" (quote \"v\") (put $p \"length\" 0) (return true))))"),
            "true");
}

TEST_F(ArrayMethods, SortToleratesAnyComparator) {
  EXPECT_EQ(text("(call (array 3 (undefined) 1 2) \"sort\" (quote (fn \"\" (quote \"a\" \"b\") (return (- $a $b)))))"),
            "1,2,3,");
  run("(var \"s\") (= \"s\" (array 5 1 4)) (put $s 5 0)");
  EXPECT_EQ(text("(call $s \"sort\" (quote)) (. $s \"length\")"), "6");
  EXPECT_EQ(text("(call (array 1 2 3) \"sort\" (quote (fn \"\" (quote \"a\" \"b\") (return \"x\"))))"), "1,2,3");
  // A liar, a thrower and a mutator: no crash, and the error of the thrower ends the run.
  EXPECT_EQ(errorOf("(var \"r\") (= \"r\" (array 5 3 8 1 9 2 7 4 6 0 11 15 13 12 14 10))"
                    "(call $r \"sort\" (quote (fn \"\" (quote \"a\" \"b\") (return (- (% (* $a 7) 3) 1)))))"
                    "(. $r \"length\")"),
            0);
  EXPECT_EQ(text("(. $r \"length\")"), "16");
  EXPECT_EQ(errorOf("(call $r \"sort\" (quote (fn \"\" (quote \"a\" \"b\") (return (call (undefined) \"x\" (quote))))))"),
            kScriptErrorMethodOfNothing);
  EXPECT_EQ(errorOf("(call $r \"sort\" (quote (fn \"\" (quote \"a\" \"b\") (call $r \"push\" (quote 1 2 3))"
                    " (put $r \"length\" 1) (return 1))))"),
            0);
  EXPECT_EQ(text("(. $r \"length\")"), "16");
}

// Numbers a loop computes and pushes are kept in the array as numbers: every way of reading,
// reordering or taking them out sees the values they were, and the memory meter charges each what
// its object costs, from the push until the element is gone.
TEST_F(ArrayMethods, ComputedNumbersPushedStayValuesAndKeepTheirCharge) {
  const std::string filled = "(var \"a\") (= \"a\" (array)) (var \"i\") (= \"i\" 0)"
                             "(loop (< $i 6) (= \"i\" (+ $i 1)) false (quote (call $a \"push\" (quote (* $i 1.5)))))";
  const Case cases[] = {
      {"$a", "0,1.5,3,4.5,6,7.5"},
      {"(+ (. $a 2) (. $a \"length\"))", "9"},
      {"(call $a \"indexOf\" (quote 4.5))", "3"},
      {"(call $a \"lastIndexOf\" (quote \"3\"))", "-1"},
      {"(call (call $a \"slice\" (quote 4)) \"concat\" (quote $a))", "6,7.5,0,1.5,3,4.5,6,7.5"},
      {"(call $a \"sort\" (quote (fn \"\" (quote \"x\" \"y\") (return (- $y $x))))) $a", "7.5,6,4.5,3,1.5,0"},
      {"(call $a \"reverse\" (quote)) (+ (call $a \"pop\" (quote)) (call $a \"shift\" (quote)))", "7.5"},
      {"(+ (call $a \"splice\" (quote 1 2 \"x\")) $a)", "1.5,30,x,4.5,6,7.5"},
      {"(call $a \"push\" (quote (/ 0 0))) (put $a 0 \"z\") (put $a \"length\" 2) (call $a \"unshift\" (quote 5))",
       "3"},
      {"(var \"s\") (= \"s\" 0) (for-of \"v\" $a (quote (= \"s\" (+ $s $v)))) $s", "22.5"},
      {"(call $a \"map\" (quote (fn \"\" (quote \"v\") (return (typeof $v)))))", "number,number,number,number,number,number"},
      {"(=== (. $a 1) 1.5)", "true"},
  };
  for (const auto& c : cases) EXPECT_EQ(text(filled + c.program), c.result) << c.program;
  // Structural equality and the plain form read them as numbers too.
  auto computed = run(filled + "(call $a \"push\" (quote (/ 0 0))) $a");
  auto written = run("(array 0 1.5 3 4.5 6 7.5 (/ 0 0))");
  EXPECT_TRUE(computed->isEqualToRuntimeValue(*written));
  EXPECT_TRUE(written->isEqualToRuntimeValue(*computed));
  EXPECT_EQ(ScriptValueConverter::objectFromRuntimeValue(*computed).value(),
            Value(platform::foundation::Array{0.0, 1.5, 3.0, 4.5, 6.0, 7.5, "NaN"}));
  computed = nullptr;
  written = nullptr;

  run("(var \"b\") (= \"b\" (array)) (var \"k\") (= \"k\" 0)");
  const auto before = runtime->heap().liveBytes();
  run("(loop (< $k 1000) (= \"k\" (+ $k 1)) false (quote (call $b \"push\" (quote $k))))");
  // Every slot the array holds is charged at its full size, the room pushes left for more too.
  EXPECT_EQ(runtime->heap().liveBytes() - before, 1024 * sizeof(ArraySlot) + 1000 * sizeof(ScriptNumberValue));
  run("(put $b \"length\" 0)");
  // Taken out, overwritten, cut, reordered or dropped by a comparator that pushes as the sort
  // runs: each element's charge goes when the element goes.
  const char* changes[] = {
      "(call $b \"pop\" (quote)) (call $b \"shift\" (quote))",
      "(call $b \"splice\" (quote 0 10 $k))",
      "(put $b 3 \"x\") (put $b 1200 (undefined))",
      "(call $b \"reverse\" (quote)) (call $b \"slice\" (quote 5)) (call $b \"concat\" (quote $b))",
      "(call $b \"sort\" (quote (fn \"\" (quote \"x\" \"y\") (call $b \"push\" (quote (+ $k 1))) (return 0))))",
      "(put $b \"length\" 100) (call $b \"indexOf\" (quote 7)) (call $b \"join\" (quote))",
  };
  for (const char* change : changes) {
    run("(= \"k\" 0) (loop (< $k 1000) (= \"k\" (+ $k 1)) false (quote (call $b \"push\" (quote $k))))");
    run(change);
    ASSERT_FALSE(failed()) << change;
    run("(put $b \"length\" 0)");
    EXPECT_EQ(runtime->heap().liveBytes(), before) << change;
  }
}

}  // namespace

}  // namespace sdk::analytics

