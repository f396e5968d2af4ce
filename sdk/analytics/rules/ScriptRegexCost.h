#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sdk::analytics {

// What a regular expression costs a run, read from its pattern before it is compiled: compiling it,
// keeping it, and each kind of progress the matcher reports while it searches. The matcher counts
// only its backtracking steps, and a step may compare a long literal, a back reference or a frame
// of thousands of groups; so the text is read in small metered chunks, every start position is
// charged what the pattern clears there, and every ten thousand steps what they copy.
struct ScriptRegexCost {
  // `caseless`: compiled to ignore case whatever the pattern says.
  static ScriptRegexCost of(const std::u16string& pattern, bool caseless = false);

  // Native work and memory of compiling and keeping the pattern.
  std::int64_t compileWork = 0;
  std::size_t bytes = 0;
  // Native work of one start position, in sixteenths of a step: most positions are a glance.
  std::int64_t sixteenthsPerStart = 0;
  // Native work of one unit of the matcher's time (ten thousand backtracking steps).
  std::int64_t workPerTimeUnit = 0;
  // Native work of each chunk of the text the matcher reads.
  std::int64_t workPerChunk = 0;
};

}  // namespace sdk::analytics
