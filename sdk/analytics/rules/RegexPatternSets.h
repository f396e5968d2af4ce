#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace sdk::analytics {

// The sets that compiling a regular expression builds, read from its pattern: bracket expressions,
// class escapes and properties (\p{...}, \P{...}, [:...:]). Building one costs microseconds but for a
// property's lookup, and a property of strings, whose thousands of emoji sequences ICU gathers one
// by one into a sorted list. A pattern that ignores case has ICU close every bracket expression and
// every property over case as well, one character at a time and adding the other cases of each
// character that has case; so what that costs is measured on what each set really holds: [a-z]
// closes in a microsecond, a set of every character in milliseconds, and a property inside
// brackets, or a bracket inside another, is closed once for each. Besides the sets, the reading
// prices what else ICU looks up as it compiles: each character written by its name, and each cased
// character beyond ASCII written out in a pattern that ignores case.
//
// Reading costs work of its own (the table of names, the sets it measures), counted too; it stops
// once what it found passes what the caller allows, the rest unread.
struct RegexPatternSets {
  // `caseless`: the pattern is compiled to ignore case, and what its sets hold is measured.
  // `mostNanoseconds`: the most the caller allows compiling, or the reading itself, to take.
  static RegexPatternSets of(std::u16string_view pattern, bool caseless,
                             std::int64_t mostNanoseconds = kUnbounded);
  static constexpr std::int64_t kUnbounded = std::numeric_limits<std::int64_t>::max() / 4;

  // Bracket expressions (a POSIX one counts as a bracket around a property).
  std::int64_t brackets = 0;
  // Class escapes (\d, \w, \s, \h, \v and their negations) inside brackets, where each builds its
  // set anew, and outside, where they share one.
  std::int64_t classEscapesInBrackets = 0;
  std::int64_t classEscapes = 0;
  // Properties of code points, and properties of strings (emoji sequences, thousands of strings).
  std::int64_t properties = 0;
  std::int64_t sequenceProperties = 0;
  // The most that building the properties of strings takes on a Release build, in nanoseconds,
  // measured on what each holds.
  std::int64_t sequenceSetNanoseconds = 0;
  // The most that closing every set over case takes on a Release build, in nanoseconds; 0 unless
  // `caseless`.
  std::int64_t caseClosureNanoseconds = 0;
  // Characters written by their names, and the most ICU's lookups of them take.
  std::int64_t namedCharacters = 0;
  std::int64_t nameLookupNanoseconds = 0;
  // Characters beyond ASCII that have case, written outside brackets; 0 unless `caseless`.
  std::int64_t caselessLiterals = 0;
  // The most the reading's own lookups and sets took, in nanoseconds.
  std::int64_t readingNanoseconds = 0;
  // The reading stopped short of the pattern's end: compiling it, or reading it, takes more than
  // was allowed.
  bool cutShort = false;
};

}  // namespace sdk::analytics
