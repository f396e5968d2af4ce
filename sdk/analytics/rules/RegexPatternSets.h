#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

#include "sdk/analytics/rules/RegexPatternShape.h"

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
// The pattern is read once, left to right, as ICU reads it: what nothing closes is looked for once,
// and where ICU would stop compiling with an error the reading stops too. Reading costs work of its
// own (every unit read, the table of names, the sets it measures), counted too; it stops once what
// it found passes what the caller allows, the rest unread.
struct RegexPatternSets {
  // `caseless`: the pattern is compiled to ignore case (a "(?i)" in it ignores case from there on),
  // and what its sets hold is measured. `mostNanoseconds`: the most the caller allows compiling, or
  // the reading itself, to take. `shape`, when given, gets what the same reading found outside sets.
  static RegexPatternSets of(std::u16string_view pattern, bool caseless, std::int64_t mostNanoseconds = kUnbounded,
                             RegexPatternShape* shape = nullptr);
  static constexpr std::int64_t kUnbounded = std::numeric_limits<std::int64_t>::max() / 4;

  // What ICU's regular expressions take a class escape inside brackets to stand for, as a set; the
  // escape's capital letter stands for the complement.
  struct ClassEscapeSet {
    char16_t escape;
    std::u16string_view set;
  };
  static constexpr ClassEscapeSet kClassEscapeSets[] = {
      {u'd', u"[:Nd:]"},
      {u'w', u"[\\p{Alphabetic}\\p{Mark}\\p{Nd}\\p{Pc}\\u200c\\u200d]"},
      {u's', u"[\\p{White_Space}]"},
      {u'h', u"[\\p{Zs}\\t]"},
      {u'v', u"[\\n\\x0b\\f\\r\\x85\\u2028\\u2029]"},
  };

  // Bracket expressions (a POSIX one counts as a bracket around a property), and the most building
  // them takes on a Release build: a set holding more than one character is an object of its own.
  std::int64_t brackets = 0;
  std::int64_t bracketNanoseconds = 0;
  // Class escapes (\d, \w, \s, \h, \v and their negations) inside brackets, where each builds its
  // set anew, and outside, where they share one.
  std::int64_t classEscapesInBrackets = 0;
  std::int64_t classEscapes = 0;
  // The most building what the class escapes stand for takes: \d and \h look their sets up anew,
  // inside brackets, at a pattern's first one outside, and under a star or a question mark.
  std::int64_t classEscapeNanoseconds = 0;
  // Properties of code points, and properties of strings (emoji sequences, thousands of strings),
  // and the most building the properties of code points takes, by their kind.
  std::int64_t properties = 0;
  std::int64_t sequenceProperties = 0;
  std::int64_t propertySetNanoseconds = 0;
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
