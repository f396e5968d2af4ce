#include "sdk/analytics/rules/ScriptRegexCost.h"

#include <gtest/gtest.h>

#include <unicode/unistr.h>

#include <algorithm>
#include <string>

#include "sdk/analytics/rules/CharacterNames.h"
#include "sdk/analytics/rules/PatternShapesTestSupport.h"
#include "sdk/analytics/rules/ScriptLimits.h"
#include "sdk/analytics/rules/StringFilterEvaluator.h"

// What the estimate says of each kind of escape ICU looks something up for as it compiles, held to
// fixed bounds of the order that compiling each was measured at on a Release build (the estimate
// benchmark holds each to its measured cost): what storing a filter and searching with it go by.
namespace sdk::analytics {

namespace {

using namespace ostrel::testing;

constexpr std::int64_t kEventTime = kEventCpuNanoseconds;

std::int64_t escapeEstimate(const std::string& pattern, bool caseless = false) {
  return regexCompileNanoseconds(icu::UnicodeString::fromUTF8(pattern), caseless);
}

// Nanoseconds of a Release build, in this build's.
constexpr std::int64_t releaseNanoseconds(std::int64_t nanoseconds) { return nanoseconds * kBuildSlowness; }

std::u16string utf16Of(const std::string& text) {
  const auto unicode = icu::UnicodeString::fromUTF8(text);
  return std::u16string(unicode.getBuffer(), static_cast<std::size_t>(unicode.length()));
}

// Every kind of escape, in a shape that compiles in well under a tenth of an event's time, is
// estimated so, ignoring case or not: none is refused, nor set aside for want of time. A thousand
// names late in ICU's table take more than a tenth, and are estimated so.
TEST(EscapeEstimates, NoEscapeThatCompilesInATenthOfAnEventsTimeIsEstimatedAbove) {
  for (const auto& shape : escapePatternShapes()) {
    EXPECT_LE(escapeEstimate(shape.pattern, false), kEventTime / 10) << shape.name;
    EXPECT_LE(escapeEstimate(shape.pattern, true), kEventTime / 10) << shape.name << " ignoring case";
  }
  const auto dear = dearEscapePatternShapes();
  EXPECT_LE(escapeEstimate(dear[0].pattern, true), kEventTime) << dear[0].name;
  EXPECT_GT(escapeEstimate(dear[1].pattern, false), kEventTime / 10) << dear[1].name;
}

// ICU looks a name up by walking its table in code point order: a hundred of the last name take
// some ten milliseconds and more, a hundred early ones a tenth of one; a computed ideograph is read
// off its name; the last Hangul syllable is counted up to; a name ICU does not know costs the whole
// walk. Names are found in any case, as ICU finds them, inside brackets as outside.
TEST(EscapeEstimates, ANameCostsWhatFindingItInICUsTableCosts) {
  auto names = [](const std::string& name) { return escapeEstimate(repeated(named(name), 100)); };
  const std::int64_t late = names(kLateName);
  EXPECT_GE(late, releaseNanoseconds(100 * 100'000));
  EXPECT_LE(names("LATIN SMALL LETTER A") * 40, late);
  EXPECT_EQ(names("latin small letter a"), names("LATIN SMALL LETTER A"));
  EXPECT_LE(names("CJK UNIFIED IDEOGRAPH-4E00") * 40, late);
  EXPECT_GE(names("HANGUL SYLLABLE HIH"), releaseNanoseconds(100 * 50'000));
  EXPECT_GE(names("NO SUCH CHARACTER"), late);
  EXPECT_GE(names("TAG LATIN SMALL LETTER ZZ"), late);
  EXPECT_GE(escapeEstimate("[" + repeated(named(kLateName), 100) + "]"), late);
  // Nested deeper than the reading follows, names are still found and priced.
  EXPECT_GE(escapeEstimate(repeated("[", 40) + repeated(named(kLateName), 100) + repeated("]", 40)), late);

  const auto& table = CharacterNames::shared();
  EXPECT_EQ(table.find("tag latin small letter z").codePoint, 0xE007A);
  EXPECT_EQ(table.find("HANGUL SYLLABLE GA").codePoint, 0xAC00);
  EXPECT_EQ(table.find("CJK UNIFIED IDEOGRAPH-4E00").codePoint, 0x4E00);
  EXPECT_EQ(table.find("CJK UNIFIED IDEOGRAPH-4E00X").codePoint, -1);
  EXPECT_EQ(table.find("LATIN SMALL LETTER A ").codePoint, -1);
}

// Reading a pattern of 8,000 names late in the table stops once what it found costs more than the
// caller allows: it has looked a few hundred up, its own work well within that bound; and it says
// the pattern costs more than allowed. Read whole, the same pattern costs many times as much.
TEST(EscapeEstimates, ReadingStopsOnceThePatternCostsMoreThanAllowed) {
  (void)CharacterNames::shared();
  constexpr std::int64_t kMost = 1'000'000;
  const auto pattern = utf16Of("x|" + repeated(named(kLateName), 8000));
  const auto bounded = ScriptRegexCost::of(pattern, false, kMost);
  EXPECT_GT(bounded.compileWork, kMost);
  EXPECT_LE(bounded.estimateWork, kMost / 100);
  const auto whole = ScriptRegexCost::of(pattern, false);
  EXPECT_GT(whole.compileWork, 50 * kMost);
  EXPECT_GT(whole.estimateWork, 10 * bounded.estimateWork);
}

// A property of strings costs what ICU builds for it: the dozen keycaps some ten microseconds, every
// emoji tens of milliseconds, and the sequences in between by their number; ignoring case, ICU
// closes each string over case as well.
TEST(EscapeEstimates, APropertyOfStringsCostsWhatItHolds) {
  for (const bool caseless : {false, true}) {
    const auto property = [&](const std::string& name) { return escapeEstimate("\\p{" + name + "}", caseless); };
    EXPECT_LE(escapeEstimate(repeated("\\p{Emoji_Keycap_Sequence}", 12), caseless), releaseNanoseconds(12 * 100'000)) << caseless;
    EXPECT_GE(property("RGI_Emoji"), releaseNanoseconds(18'000'000)) << caseless;
    EXPECT_LT(property("Emoji_Keycap_Sequence"), property("RGI_Emoji_Flag_Sequence"));
    EXPECT_LT(property("RGI_Emoji_Flag_Sequence"), property("RGI_Emoji_Modifier_Sequence"));
    EXPECT_LT(property("RGI_Emoji_Modifier_Sequence"), property("RGI_Emoji_ZWJ_Sequence"));
    EXPECT_LT(property("RGI_Emoji_ZWJ_Sequence"), property("RGI_Emoji"));
    // One deep in brackets is measured as at the top, not priced as the dearest.
    const auto deep = escapeEstimate(repeated("[", 40) + "\\p{Emoji_Keycap_Sequence}" + repeated("]", 40), caseless);
    EXPECT_GE(deep, property("Emoji_Keycap_Sequence"));
    EXPECT_LT(deep, property("RGI_Emoji_Flag_Sequence"));
  }
  EXPECT_GT(escapeEstimate("\\p{RGI_Emoji}", true), escapeEstimate("\\p{RGI_Emoji}", false));
}

// Ignoring case, ICU compares a letter beyond ASCII under each of its cases, a long s (also s and S)
// taking some 140 ns: 10,000 of them cost more than 10,000 ASCII letters, which cost alike either
// way but for folding their one string; minding case, a letter is a letter. Written as an escape or
// quoted, it is the same letter.
TEST(EscapeEstimates, CaseBlindLettersBeyondASCIICostTheirCases) {
  const std::string longS = repeated("\xC5\xBF", 10000);
  const std::string ascii(10000, 's');
  EXPECT_GE(escapeEstimate(longS, true), releaseNanoseconds(10000 * 140));
  EXPECT_GE(escapeEstimate(repeated("\xCE\xB1", 10000), true), releaseNanoseconds(10000 * 100));
  EXPECT_EQ(escapeEstimate(longS, false), escapeEstimate(ascii, false));
  EXPECT_GE(escapeEstimate(ascii, true), escapeEstimate(ascii, false));
  EXPECT_LE(escapeEstimate(ascii, true), escapeEstimate(ascii, false) + releaseNanoseconds(1'000));
  EXPECT_GT(escapeEstimate("(?i)" + longS), escapeEstimate(longS));
  EXPECT_GE(escapeEstimate(repeated("\\x{17F}", 10000), true), escapeEstimate(longS, true));
  EXPECT_GE(escapeEstimate("\\Q" + longS + "\\E", true), escapeEstimate(longS, true));
}

// A lookbehind goes over all it holds again to learn how far back it reaches, the lookbehinds
// inside it included: nested 50 or 90 deep they cost some 50 ns for each pair of levels. Parentheses
// inside brackets or quotes open no group, so ninety lookbehinds in a row that hold one cost less.
TEST(EscapeEstimates, NestedLookbehindsCostEachLevelGoneOverAgain) {
  auto nested = [](int depth) { return repeated("(?<=", depth) + "a" + repeated(")", depth); };
  for (const int depth : {50, 90}) {
    EXPECT_GE(escapeEstimate(nested(depth)), releaseNanoseconds(depth * depth * 50)) << depth;
    EXPECT_GE(escapeEstimate(nested(depth), true), releaseNanoseconds(depth * depth * 50)) << depth;
  }
  EXPECT_LT(escapeEstimate(repeated("(?<=[(])", 90) + "a"), escapeEstimate(nested(90)));
  EXPECT_LT(escapeEstimate(repeated("(?<=\\Q(\\E)", 90) + "a"), escapeEstimate(nested(90)));
}


// Every spelling ICU reads as every emoji costs what every emoji does, some tens of milliseconds:
// repeated to under what a call may spend as one name ICU does not know would cost, it is refused.
TEST(EscapeEstimates, EverySpellingOfTheEmojiCostsWhatTheEmojiCost) {
  for (const std::string spelled : {"IsRGI_Emoji", "\tRGI_Emoji", "RGI\t_Emoji", "Is RGI Emoji", "Is\tRGI_Emoji"}) {
    for (const bool caseless : {false, true}) {
      EXPECT_GE(escapeEstimate("\\p{" + spelled + "}", caseless), releaseNanoseconds(18'000'000)) << spelled;
      EXPECT_GT(escapeEstimate(repeated("\\p{" + spelled + "}", 40), caseless), kEventTime) << spelled;
    }
  }
  EXPECT_GE(escapeEstimate("[[:IsRGI_Emoji:]]"), releaseNanoseconds(18'000'000));
}

// A pattern is read once, left to right: 262,144 units of POSIX brackets or escapes that nothing
// closes are read in time linear in their length, and the reading is charged, every unit of it. ICU
// stops compiling at the first escape nothing closes, after looking to the end for a property's or a
// name's brace, at once for a code point's; the estimate reads no further, and prices that looking.
TEST(EscapeEstimates, APatternIsReadOnceAndItsReadingCharged) {
  const auto shapes = unclosedEscapeShapes();
  for (const auto& shape : shapes) {
    const auto pattern = utf16Of(shape.pattern);
    ASSERT_GE(pattern.size(), 262'144u) << shape.name;
    EXPECT_LE(ScriptRegexCost::of(pattern, false).estimateWork, ScriptLimits{}.nativeWork / 4) << shape.name;
  }
  const auto brackets = utf16Of(shapes[0].pattern);
  EXPECT_GE(ScriptRegexCost::of(brackets, false).estimateWork * ScriptRegexCost::kNanosecondsPerStep,
            static_cast<std::int64_t>(brackets.size()) * 4);
  EXPECT_GE(escapeEstimate(shapes[1].pattern), releaseNanoseconds(262'144 * 15));
  EXPECT_GE(escapeEstimate(shapes[3].pattern), releaseNanoseconds(262'144 * 15));
  EXPECT_LE(escapeEstimate(shapes[2].pattern), releaseNanoseconds(10'000));
}

// Patterns that compile in milliseconds at most are estimated at less than ten times that (each
// bound here is ten times what a Release build took): literal alternations of thousands of words,
// the classes of scripts whose cases lie apart, names written as properties, a name in brackets
// nested deep.
TEST(EscapeEstimates, CheapPatternsAreNotPricedTenTimesOver) {
  const struct {
    const char* name;
    std::int64_t caseSensitive;
    std::int64_t caseless;
  } bounds[] = {{"5,000 words", 16'000'000, 30'000'000},
                {"20,000 words", 70'000'000, 120'000'000},
                {"100 Cherokee classes", 1'000'000, 3'400'000},
                {"100 Deseret classes", 1'000'000, 3'400'000},
                {"100 Georgian classes", 1'000'000, 3'400'000},
                {"40 names as properties", 600'000, 1'700'000},
                {"a name in 40 brackets", 120'000, 200'000}};
  const auto shapes = cheapMissedShapes();
  for (const auto& bound : bounds) {
    const auto shape = std::find_if(shapes.begin(), shapes.end(), [&](const PatternShape& s) { return s.name == bound.name; });
    ASSERT_NE(shape, shapes.end()) << bound.name;
    EXPECT_LE(escapeEstimate(shape->pattern, false), releaseNanoseconds(bound.caseSensitive)) << bound.name;
    EXPECT_LE(escapeEstimate(shape->pattern, true), releaseNanoseconds(bound.caseless)) << bound.name << " ignoring case";
  }
}

// A quantifier after a group makes ICU go over all the group holds: 99 groups each repeated around
// a million and a half dots take most of a second, more than an event has, and are estimated so. A
// tiny pattern still costs what every compile costs, a couple of microseconds.
TEST(EscapeEstimates, RepeatedGroupsAndTinyPatternsCostWhatTheyDo) {
  const auto nested = nestedGroupShapes();
  EXPECT_GT(escapeEstimate(nested[1].pattern), kEventTime) << nested[1].name;
  EXPECT_LT(escapeEstimate(nested[0].pattern), kEventTime / 4) << nested[0].name;
  EXPECT_GE(escapeEstimate(tinyPatternShape().pattern), releaseNanoseconds(2'000));
}

}  // namespace

}  // namespace sdk::analytics
