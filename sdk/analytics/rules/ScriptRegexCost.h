#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace sdk::analytics {

// What a regular expression costs a run, read from its pattern before it is compiled: compiling it,
// keeping it, and each kind of progress the matcher reports while it searches. The matcher reports
// only its start positions and every ten thousand of its backtracking steps, and a step may compare
// a long literal, or read up to all of the text (a back reference, a boundary, what a lookaround
// scans and drops): so a start position is charged what the pattern clears and compares there, and
// every ten thousand steps what they may copy, compare and read, by the length of the text searched.
struct ScriptRegexCost {
  // `caseless`: compiled to ignore case whatever the pattern says. `mostWork`: the most compiling
  // it may take; a pattern that costs more is read no further, and its `compileWork` passes that.
  static ScriptRegexCost of(const std::u16string& pattern, bool caseless = false, std::int64_t mostWork = kUnbounded);
  static constexpr std::int64_t kUnbounded = std::numeric_limits<std::int64_t>::max() / 4;
  // A step of native work on a Release build.
  static constexpr std::int64_t kNanosecondsPerStep = 30;

  // Native work of one unit of the matcher's time (ten thousand backtracking steps) on a text of
  // `units` code units.
  std::int64_t workPerTimeUnitOn(std::int64_t units) const;
  // Native work of trying the pattern at a start position holding `unit`, `left` units from the end
  // of the text: the leading literal is compared only where its first unit stands.
  std::int64_t sixteenthsPerStartAt(char16_t unit, std::int64_t left) const;

  // Native work and memory of compiling and keeping the pattern.
  std::int64_t compileWork = 0;
  // Native work that reading the pattern for this took: every unit, the names it found, the sets
  // it measured. Reading stops short of more than `mostWork` of it.
  std::int64_t estimateWork = 0;
  std::size_t bytes = 0;
  // Native work of one start position, in sixteenths of a step: most positions are a glance.
  std::int64_t sixteenthsPerStart = 0;
  // Native work of one unit of the matcher's time besides what it reads of the text.
  std::int64_t workPerTimeUnit = 0;
  // Steps of the matcher that may each read all of the text, the longest literal one may compare,
  // and the literal the pattern begins with.
  std::int64_t scanningSteps = 0;
  std::int64_t longestLiteral = 0;
  std::int64_t leadingLiteral = 0;
  char16_t leadingUnit = 0;
  // Comparisons fold case.
  bool caseless = false;
};

}  // namespace sdk::analytics
