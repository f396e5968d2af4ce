#pragma once

// Tests and benchmarks only: the shapes of regular expression that configurations and event-editing
// programs hold, for the estimate of what compiling one may take.

#include <string>
#include <vector>

namespace ostrel::testing {

// `count` copies of `unit`, `between` each two.
inline std::string repeated(const std::string& unit, int count, const std::string& between = "") {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += between;
    text += unit;
  }
  return text;
}

// A pattern and a value it matches.
struct PatternShape {
  std::string name;
  std::string pattern;
  std::string value;
};

// Alternatives of a code, address validators and rows of sets: each compiles in well under a
// millisecond on a Release build, ignoring case or not.
inline std::vector<PatternShape> cheapPatternShapes() {
  const std::string octet = "(25[0-5]|2[0-4][0-9]|[01]?[0-9][0-9]?)";
  std::string address = "^";
  address += repeated(octet, 4, "\\.");
  address += "$";
  return {{"twenty alternatives", repeated("^[a-z]{2}\\d{4}$", 20, "|"), "ab1234"},
          {"two address validators", address + "|" + address, "192.168.0.1"},
          {"39 sets", repeated("[a-z]", 39), std::string(39, 'q')},
          {"40 sets", repeated("[a-z]", 40), std::string(40, 'q')},
          {"(?i) and 40 sets", "(?i)" + repeated("[a-z]", 40), std::string(40, 'q')}};
}

// Sets dear to close over case that a Release build still compiles in a tenth of an event's time
// ignoring case: a row of the letters, rows of every character, the emoji sequences, lower-case
// letters.
inline std::vector<PatternShape> dearPatternShapes() {
  return {{"20 letters in brackets", repeated("[\\p{L}]", 20), std::string(20, 'q')},
          {"10 of every character", repeated("[\\x{0}-\\x{10FFFF}]", 10), std::string(10, 'q')},
          {"emoji", "\\p{RGI_Emoji}", "\xF0\x9F\x98\x80"},
          {"10 lower-case letters", repeated("\\p{Ll}", 10), std::string(10, 'q')}};
}

// 1,300 ages: more than an event's time to compile ignoring case, some seconds; a tenth of a second
// minding it.
inline PatternShape agesPatternShape() {
  return {"1,300 ages", repeated("\\p{Age=3.2}", 1300), std::string(1300, 'a')};
}

// `name` in braces after \N.
inline std::string named(const std::string& name) { return "\\N{" + name + "}"; }

// The last name of ICU's table, which its lookup compares with every other name first, and its
// character in UTF-8.
inline const std::string kLateName = "TAG LATIN SMALL LETTER Z";
inline const std::string kLateCharacter = "\xF3\xA0\x81\xBA";

// Escapes that ICU looks something up for as it compiles, each kind in a shape that compiles in
// well under a tenth of an event's time, ignoring case or not: characters by name early and late
// in ICU's table, computed ones, properties of strings, cased letters beyond ASCII, and lookbehinds
// nested and in a row.
inline std::vector<PatternShape> escapePatternShapes() {
  const std::string keycaps = repeated("\\p{Emoji_Keycap_Sequence}", 12);
  return {{"1,000 early names", repeated(named("LATIN SMALL LETTER A"), 1000), std::string(1000, 'a')},
          {"40 late names", repeated(named(kLateName), 40), repeated(kLateCharacter, 40)},
          {"40 late names in brackets", "[" + repeated(named(kLateName), 40) + "]", kLateCharacter},
          {"200 ideographs by name", repeated(named("CJK UNIFIED IDEOGRAPH-4E00"), 200), repeated("\xE4\xB8\x80", 200)},
          {"100 last syllables by name", repeated(named("HANGUL SYLLABLE HIH"), 100), repeated("\xED\x9E\xA3", 100)},
          {"12 keycaps", "^x$|" + keycaps, "x"},
          {"flags and tags", "^x$|\\p{RGI_Emoji_Flag_Sequence}\\p{RGI_Emoji_Tag_Sequence}", "x"},
          {"basic emoji", "^\\p{Basic_Emoji}$", "\xF0\x9F\x98\x80"},
          {"10,000 Greek letters", repeated("\xCE\xB1", 10000), repeated("\xCE\xB1", 10000)},
          {"10,000 long s", repeated("\xC5\xBF", 10000), repeated("\xC5\xBF", 10000)},
          {"5,000 Deseret letters", repeated("\xF0\x90\x90\x80", 5000), repeated("\xF0\x90\x90\x80", 5000)},
          {"lookbehinds 90 deep", repeated("(?<=", 90) + "a" + repeated(")", 90), "a"},
          {"1,000 lookbehinds in a row", repeated("(?<=a)", 1000) + "b", "ab"}};
}

// Escapes that ICU takes long over: the dearest properties of strings (under a tenth of an event's
// time even ignoring case), and characters by names late in ICU's table, a thousand of which take
// more than a tenth.
inline std::vector<PatternShape> dearEscapePatternShapes() {
  return {{"emoji sequences", "^x$|\\p{RGI_Emoji_ZWJ_Sequence}\\p{RGI_Emoji_Modifier_Sequence}", "x"},
          {"1,000 late names", repeated(named(kLateName), 1000), repeated(kLateCharacter, 1000)}};
}

// The emoji of every kind spelled as ICU also reads the name: with "Is" before it, blanks and tabs
// in it, or in a POSIX bracket. ICU builds every emoji for each, tens of milliseconds.
inline std::vector<PatternShape> emojiSpellingShapes() {
  const std::string emoji = "\xF0\x9F\x98\x80";
  return {{"emoji as IsRGI_Emoji", "^x$|\\p{IsRGI_Emoji}", emoji},
          {"emoji after a tab", "^x$|\\p{\tRGI_Emoji}", emoji},
          {"emoji with a tab inside", "^x$|\\p{RGI\t_Emoji}", emoji},
          {"emoji as Is RGI Emoji", "^x$|\\p{Is RGI Emoji}", emoji},
          {"emoji as Is and a tab", "^x$|\\p{Is\tRGI_Emoji}", emoji},
          {"emoji in a POSIX bracket", "^x$|[[:IsRGI_Emoji:]]", emoji},
          {"emoji with a value", "^x$|\\p{RGI_Emoji=Yes}", emoji}};
}

// Escapes that open what nothing closes, repeated: ICU reads each once, as the estimate must.
inline std::vector<PatternShape> unclosedEscapeShapes() {
  return {{"65,536 unclosed POSIX brackets", repeated("[:a]", 65536), ":"},
          {"65,536 unclosed properties", "x|" + repeated("\\p{a", 65536), "x"},
          {"65,536 unclosed code points", "x|" + repeated("\\x{a", 65536), "x"},
          {"65,536 unclosed names", "x|" + repeated("\\N{a", 65536), "x"}};
}

// Groups nested as deep as ICU allows around a million and a half dots, each group repeated: ICU
// goes over all a group holds again at every quantifier after it.
inline std::vector<PatternShape> nestedGroupShapes() {
  const std::string dots(1'500'000, '.');
  return {{"99 nested groups around 1.5M dots", repeated("(", 99) + dots + repeated(")", 99), ""},
          {"99 repeated groups around 1.5M dots", repeated("(", 99) + dots + repeated(")*", 99), ""},
          {"20 repeated groups around 1.5M dots", repeated("(?:", 20) + dots + repeated("){2}", 20), ""}};
}

// What an event that searches with a new tiny pattern each time compiles, one of thousands.
inline PatternShape tinyPatternShape() { return {"a tiny pattern", "x17", "x17"}; }

// Patterns that compile in a few milliseconds at most: literal alternations of thousands of words,
// case-blind classes of the scripts whose cases lie in blocks of their own, characters by name as a
// property, and a name inside brackets nested deeper than a reading follows.
inline std::vector<PatternShape> cheapMissedShapes() {
  auto words = [](int count) {
    std::string pattern;
    for (int i = 0; i < count; ++i) pattern += (i ? "|w" : "w") + std::to_string(100000 + i);
    return pattern;
  };
  return {{"5,000 words", words(5000), "w104999"},
          {"20,000 words", words(20000), "w119999"},
          {"100 Cherokee classes", repeated("[\\x{13A0}-\\x{13F5}]", 100), repeated("\xE1\x8E\xA0", 100)},
          {"100 Deseret classes", repeated("[\\x{10400}-\\x{1044F}]", 100), repeated("\xF0\x90\x90\x80", 100)},
          {"100 Georgian classes", repeated("[\\x{10A0}-\\x{10FF}]", 100), repeated("\xE1\x82\xA0", 100)},
          {"40 names as properties", repeated("\\p{na=LATIN SMALL LETTER A}", 40), std::string(40, 'a')},
          {"a name in 40 brackets", repeated("[", 40) + named("LATIN SMALL LETTER A") + repeated("]", 40), "a"}};
}

}  // namespace ostrel::testing
