#pragma once

#include <cstdint>
#include <string_view>

namespace sdk::analytics {

// The sets that compiling a regular expression builds, read from its pattern: bracket expressions,
// class escapes and properties (\p{...}, \P{...}, [:...:]). Building one costs microseconds but for a
// property's lookup. A pattern that ignores case has ICU close every bracket expression and every
// property over case as well, one character at a time and adding the other cases of each character
// that has case; so what that costs is measured on what each set really holds: [a-z] closes in a
// microsecond, a set of every character in milliseconds, and a property inside brackets, or a
// bracket inside another, is closed once for each.
struct RegexPatternSets {
  // `caseless`: the pattern is compiled to ignore case, and what its sets hold is measured.
  static RegexPatternSets of(std::u16string_view pattern, bool caseless);

  // Bracket expressions (a POSIX one counts as a bracket around a property).
  std::int64_t brackets = 0;
  // Class escapes (\d, \w, \s, \h, \v and their negations) inside brackets, where each builds its
  // set anew, and outside, where they share one.
  std::int64_t classEscapesInBrackets = 0;
  std::int64_t classEscapes = 0;
  // Properties of code points, and properties of strings (emoji sequences, thousands of strings).
  std::int64_t properties = 0;
  std::int64_t sequenceProperties = 0;
  // The most that closing every set over case takes on a Release build, in nanoseconds; 0 unless
  // `caseless`.
  std::int64_t caseClosureNanoseconds = 0;
};

}  // namespace sdk::analytics
