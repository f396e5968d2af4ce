#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace sdk::analytics {

// What a regular expression costs a run, read from its pattern before it is compiled: compiling it,
// keeping it, and each kind of progress the matcher reports while it searches. The matcher counts
// only its backtracking steps, and a step may compare a long literal, a back reference or a frame
// of thousands of groups; so the text is read in small metered chunks, every start position is
// charged what the pattern clears there, and every ten thousand steps what they copy.
struct ScriptRegexCost {
  // `caseless`: compiled to ignore case whatever the pattern says. `mostWork`: the most compiling
  // it may take; a pattern that costs more is read no further, and its `compileWork` passes that.
  static ScriptRegexCost of(const std::u16string& pattern, bool caseless = false, std::int64_t mostWork = kUnbounded);
  static constexpr std::int64_t kUnbounded = std::numeric_limits<std::int64_t>::max() / 4;

  // Native work and memory of compiling and keeping the pattern.
  std::int64_t compileWork = 0;
  // Native work that reading the pattern for this took: the names it found, the sets it measured.
  // Reading stops short of more than `mostWork` of it.
  std::int64_t estimateWork = 0;
  std::size_t bytes = 0;
  // Native work of one start position, in sixteenths of a step: most positions are a glance.
  std::int64_t sixteenthsPerStart = 0;
  // Native work of one unit of the matcher's time (ten thousand backtracking steps).
  std::int64_t workPerTimeUnit = 0;
  // Native work of each chunk of the text the matcher reads.
  std::int64_t workPerChunk = 0;
};

}  // namespace sdk::analytics
