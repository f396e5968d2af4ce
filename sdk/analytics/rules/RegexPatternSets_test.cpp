#include "sdk/analytics/rules/RegexPatternSets.h"

#include <gtest/gtest.h>

#include <unicode/uniset.h>
#include <unicode/uregex.h>
#include <unicode/unistr.h>

#include <memory>
#include <string>

namespace sdk::analytics {

namespace {

icu::UnicodeSet setOf(std::u16string_view pattern) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeSet set(icu::UnicodeString(pattern.data(), static_cast<int32_t>(pattern.size())), status);
  EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  return set;
}

struct RegexCloser {
  void operator()(URegularExpression* regex) const { uregex_close(regex); }
};

// Whether ICU's regular expression `pattern` matches the single code point `c` whole.
class SingleCharacterMatcher {
 public:
  explicit SingleCharacterMatcher(const std::u16string& pattern) {
    UErrorCode status = U_ZERO_ERROR;
    regex_.reset(uregex_open(pattern.data(), static_cast<int32_t>(pattern.size()), 0, nullptr, &status));
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  }
  bool matches(UChar32 c) {
    UChar text[2];
    int32_t length = 0;
    U16_APPEND_UNSAFE(text, length, c);
    UErrorCode status = U_ZERO_ERROR;
    uregex_setText(regex_.get(), text, length, &status);
    return uregex_matches(regex_.get(), 0, &status) && U_SUCCESS(status);
  }

 private:
  std::unique_ptr<URegularExpression, RegexCloser> regex_;
};

RegexPatternSets read(std::u16string_view pattern, bool caseless = false) {
  return RegexPatternSets::of(pattern, caseless);
}

}  // namespace

// The reader measures a class escape in brackets by the set the table gives it: the set must be the
// one ICU's own regular expressions match (every character of the first two planes, a sample of the
// rest).
TEST(RegexPatternSets, EachClassEscapeSetIsWhatIcuMatchesForTheEscapeInBrackets) {
  for (const auto& entry : RegexPatternSets::kClassEscapeSets) {
    const icu::UnicodeSet set = setOf(entry.set);
    SingleCharacterMatcher icu(std::u16string(u"[\\") + entry.escape + u"]");
    for (UChar32 c = 0; c <= 0x10FFFF; c += c < 0x20000 ? 1 : 61) {
      if (U_IS_SURROGATE(c)) continue;
      ASSERT_EQ(icu.matches(c), static_cast<bool>(set.contains(c)))
          << "\\" << static_cast<char>(entry.escape) << " at U+" << std::hex << c;
    }
  }
}

// A property of strings costs milliseconds to build, one of code points microseconds: the reader
// must tell them apart as ICU does, however loosely the name is written.
TEST(RegexPatternSets, APropertyCountsAsOneOfStringsExactlyWhenIcuBuildsItWithStrings) {
  const std::u16string names[] = {u"Basic_Emoji",           u"Emoji_Keycap_Sequence", u"RGI_Emoji_Modifier_Sequence",
                                  u"RGI_Emoji_Flag_Sequence", u"RGI_Emoji_Tag_Sequence", u"RGI_Emoji_ZWJ_Sequence",
                                  u"RGI_Emoji",             u"Emoji",                 u"Emoji_Presentation",
                                  u"Emoji_Modifier_Base",   u"Emoji_Component",       u"Extended_Pictographic",
                                  u"Lu",                    u"Script=Greek"};
  for (const auto& name : names) {
    const bool ofStrings = setOf(u"[\\p{" + name + u"}]").hasStrings();
    const auto sets = read(u"\\p{" + name + u"}");
    EXPECT_EQ(sets.sequenceProperties, ofStrings ? 1 : 0) << std::string(name.begin(), name.end());
    EXPECT_EQ(sets.properties, ofStrings ? 0 : 1) << std::string(name.begin(), name.end());
  }
  EXPECT_EQ(read(u"\\p{rgi emoji}").sequenceSetNanoseconds, read(u"\\p{RGI_Emoji}").sequenceSetNanoseconds);
  EXPECT_EQ(read(u"[:basic-emoji:]").sequenceProperties, 1);
}

// What the reader cannot measure is priced above anything it can, and it measures all that ICU
// compiles: a property of strings nested as deep as ICU allows costs what it holds, and a property
// no set answers to closes as every character does.
TEST(RegexPatternSets, WhatIsNotMeasuredCostsAtLeastTheDearestThatIs) {
  const auto dearest = read(u"\\p{RGI_Emoji}").sequenceSetNanoseconds;
  EXPECT_GT(dearest, read(u"\\p{Emoji_Keycap_Sequence}").sequenceSetNanoseconds);
  const auto deep = read(std::u16string(40, u'[') + u"\\p{RGI_Emoji}" + std::u16string(40, u']'));
  EXPECT_EQ(deep.sequenceSetNanoseconds, dearest);
  EXPECT_EQ(deep.brackets, 40);

  const auto everything = read(u"[\\x{0}-\\x{10FFFF}]", true).caseClosureNanoseconds;
  EXPECT_EQ(read(u"\\p{NoSuchProperty}", true).caseClosureNanoseconds, everything);
  EXPECT_GT(everything, read(u"\\p{L}", true).caseClosureNanoseconds);
  // "In" names a block and "Is" a property, as ICU's expressions read them.
  EXPECT_EQ(read(u"\\p{InGreek}", true).caseClosureNanoseconds, read(u"\\p{Block=Greek}", true).caseClosureNanoseconds);
  EXPECT_EQ(read(u"\\p{IsLu}", true).caseClosureNanoseconds, read(u"\\p{Lu}", true).caseClosureNanoseconds);
  EXPECT_LT(read(u"\\p{InGreek}", true).caseClosureNanoseconds, everything);
}

// Case closure is paid only ignoring case, grows with what a set holds, and is paid again for a
// bracket inside another.
TEST(RegexPatternSets, CaseClosureGrowsWithWhatTheSetsHold) {
  EXPECT_EQ(read(u"[\\x{0}-\\x{10FFFF}]").caseClosureNanoseconds, 0);
  const auto letters = read(u"[a-z]", true).caseClosureNanoseconds;
  EXPECT_GT(letters, 0);
  EXPECT_LT(letters, read(u"[\\x{0}-\\x{FFFF}]", true).caseClosureNanoseconds);
  EXPECT_LT(read(u"[\\x{0}-\\x{FFFF}]", true).caseClosureNanoseconds,
            read(u"[\\x{0}-\\x{10FFFF}]", true).caseClosureNanoseconds);
  EXPECT_GT(read(u"[[a-z]]", true).caseClosureNanoseconds, letters);
  EXPECT_EQ(read(u"[z-a]", true).caseClosureNanoseconds, letters);
}

TEST(RegexPatternSets, CountsWhatCompilingLooksUp) {
  auto sets = read(u"[[:alpha:]x][\\d\\w]\\s\\Q[\\d]\\E\\N{LATIN SMALL LETTER A}\\P{RGI_Emoji}");
  EXPECT_EQ(sets.brackets, 3);
  EXPECT_EQ(sets.properties, 1);
  EXPECT_EQ(sets.sequenceProperties, 1);
  EXPECT_EQ(sets.classEscapesInBrackets, 2);
  EXPECT_EQ(sets.classEscapes, 1);
  EXPECT_EQ(sets.namedCharacters, 1);
  EXPECT_GT(sets.nameLookupNanoseconds, 0);
  EXPECT_FALSE(sets.cutShort);

  EXPECT_EQ(read(u"\u00E9\\x{C9}a\u4E2D", true).caselessLiterals, 2);
  EXPECT_EQ(read(u"\u00E9\\x{C9}a", false).caselessLiterals, 0);
  EXPECT_EQ(read(u"[\u00E9]", true).caselessLiterals, 0);
}

TEST(RegexPatternSets, StopsReadingOncePastWhatTheCallerAllows) {
  const std::u16string pattern = u"[a-z]\\p{RGI_Emoji}[0-9]";
  EXPECT_FALSE(RegexPatternSets::of(pattern, true).cutShort);
  const auto cut = RegexPatternSets::of(pattern, true, 1'000);
  EXPECT_TRUE(cut.cutShort);
  EXPECT_LT(cut.brackets, 2);
}

}  // namespace sdk::analytics

namespace sdk::analytics {

namespace {

// Whether ICU's regular expression of one property compiles, and whether what it built is every
// emoji: it holds a face, as the emoji of every kind and the basic emoji do, and not '#', which is an
// emoji character but every emoji holds only as the keycap sequence.
struct IcuReading {
  bool compiles = false;
  bool isEveryEmoji = false;
};
IcuReading icuReads(const std::u16string& property) {
  const std::u16string pattern = u"^" + property + u"$";
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<URegularExpression, RegexCloser> regex(
      uregex_open(pattern.data(), static_cast<int32_t>(pattern.size()), 0, nullptr, &status));
  if (U_FAILURE(status)) return {};
  auto matches = [&](const std::u16string& text) {
    uregex_setText(regex.get(), text.data(), static_cast<int32_t>(text.size()), &status);
    return uregex_matches(regex.get(), 0, &status) && U_SUCCESS(status);
  };
  return {true, matches(u"\U0001F600") && !matches(u"#")};
}

}  // namespace

// A property name is read as ICU's regular expressions read it: case, blanks and tabs, '-' and '_'
// anywhere, an "Is" before it, a value after it, a POSIX bracket around it all name one property,
// and every spelling for which ICU builds every emoji is priced as every emoji; spellings ICU
// refuses (a blank before "Is", "is" in small letters) build nothing of the kind.
TEST(RegexPatternSets, PropertyNamesAreReadAsIcuReadsThem) {
  const auto emoji = read(u"\\p{RGI_Emoji}").sequenceSetNanoseconds;
  const std::u16string spellings[] = {u"\\p{RGI_Emoji}",    u"\\p{IsRGI_Emoji}",  u"\\p{\tRGI_Emoji}",
                                      u"\\p{RGI\t_Emoji}",  u"\\p{Is RGI Emoji}", u"\\p{Is\tRGI_Emoji}",
                                      u"\\p{RGI_Emoji=Yes}", u"\\p{rgi-emoji}",    u"[[:IsRGI_Emoji:]]",
                                      u"\\p{ IsRGI_Emoji}", u"\\p{isrgi_emoji}",  u"\\p{Isrgi emoji}"};
  for (const auto& spelled : spellings) {
    const std::string shown(spelled.begin(), spelled.end());
    const auto icu = icuReads(spelled);
    const auto sets = read(spelled);
    EXPECT_EQ(sets.sequenceProperties, icu.isEveryEmoji ? 1 : 0) << shown;
    if (icu.isEveryEmoji) {
      EXPECT_EQ(sets.sequenceSetNanoseconds, emoji) << shown;
    }
  }
  EXPECT_TRUE(icuReads(u"\\p{Is RGI Emoji}").isEveryEmoji);
  EXPECT_FALSE(icuReads(u"\\p{ IsRGI_Emoji}").compiles);
}

}  // namespace sdk::analytics
