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

}  // namespace ostrel::testing
