#pragma once

#include <cstddef>
#include <cstdint>

namespace sdk::analytics {

// How many times slower this build runs the same program than a Release build.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr std::int64_t kBuildSlowness = 20;
#elif defined(__OPTIMIZE__)
inline constexpr std::int64_t kBuildSlowness = 1;
#else
inline constexpr std::int64_t kBuildSlowness = 5;
#endif

// CPU time of one event's evaluation, behind every count of the interpreter: what no count saw still
// ends the event with error 18, within its second once the stop is noticed and unwound. The counts
// hold the costliest program within them to about a third of a second on a Release build, so this
// stops none of those on a core well over twice as slow; sanitizer and unoptimised builds do the
// same work many times slower, and get as much more. One event's audience filters share as much.
inline constexpr std::int64_t kEventCpuNanoseconds = kBuildSlowness * 800'000'000;

// The hard limits of one script runtime. Programs arrive from a server and run where every event
// passes, so each of these turns a hostile or buggy program into error 18 instead of a hang, a stack
// overflow or an exhausted process. Tests inject small ones.
struct ScriptLimits {
  // Evaluations between two resets of the instruction counter.
  std::int64_t instructions = 1'000'000;
  // Nested evaluations (statements inside statements, calls inside calls).
  int evaluationDepth = 512;
  // Nested arrays and maps walked by one conversion or comparison.
  int conversionDepth = 64;
  // Elements of one array; a longer "length" is error 11, a write past it error 18.
  std::int64_t arrayLength = 1 << 20;
  // UTF-16 code units of one string.
  std::size_t stringLength = 1 << 22;
  // Bytes held by the runtime's values, scopes and containers, and by what a run hands out of the
  // interpreter (edited parameters, created events) until the next event.
  std::size_t memoryBytes = 64u << 20;
  // Steps of native work (an element visited, four code units copied or scanned, a slice of a
  // regular expression's matching) between two resets: measured on a Release build, the whole
  // budget spent on the costliest kind of step takes well under a second.
  std::int64_t nativeWork = 10'000'000;
  // What one conversion to plain values may write: elements (every array and map entry, each time
  // a shared one is written) and bytes.
  std::int64_t conversionElements = 65'536;
  std::size_t conversionBytes = 4u << 20;
  // Script log output: bytes of one line, and of all lines between two resets.
  std::size_t logLineBytes = 1024;
  std::size_t logRunBytes = 64u << 10;
  // Containers and scopes made since the last collection that start one in the middle of a run.
  std::size_t collectionThreshold = 20'000;
  // CPU time of one event's evaluation, behind every count above.
  std::int64_t cpuNanoseconds = kEventCpuNanoseconds;
};

}  // namespace sdk::analytics

