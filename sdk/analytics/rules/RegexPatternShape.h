#pragma once

#include <cstdint>

namespace sdk::analytics {

// What a regular expression's pattern shows of it outside its sets, gathered in the same reading
// that measures the sets (RegexPatternSets): what compiling it goes over again, and what one step
// of its matcher may have to read.
struct RegexPatternShape {
  // Code units read: to the pattern's end, or to where ICU stops compiling it.
  std::int64_t length = 0;
  // Every parenthesis that opens a group, of any kind.
  std::int64_t groups = 0;
  // Quantifiers and alternatives, each a slot of the matcher's frame.
  std::int64_t quantifiers = 0;
  std::int64_t alternatives = 0;
  // What the quantifiers cost ICU, which goes back over what it compiled before each (a little for
  // a star, much for a counted or possessive repetition of a group) and over all the group it
  // repeats holds: on a Release build.
  std::int64_t quantifierNanoseconds = 0;
  // Runs of literal text read where case is ignored: ICU folds each as one string.
  std::int64_t caselessRuns = 0;
  // What matches without reading: anchors, boundaries, groups.
  std::int64_t assertions = 0;
  // Whether any part ignores case.
  bool caseless = false;
  // What each lookbehind holds, summed: ICU goes over it again, inner ones once for each around.
  std::int64_t lookbehindUnits = 0;
  // What a single step of the matcher may read all of the text for, keeping no place to come back
  // to: back references, word boundaries, grapheme clusters, and what lookarounds, atomic groups
  // and possessive quantifiers scan and then drop.
  std::int64_t scanningSteps = 0;
  // The longest run of literal text, which one step may compare whole.
  std::int64_t longestLiteral = 0;
  // The literal text the pattern begins with, which the matcher compares at every start position
  // that holds its first unit, and that unit.
  std::int64_t leadingLiteral = 0;
  char16_t leadingUnit = 0;
};

}  // namespace sdk::analytics
