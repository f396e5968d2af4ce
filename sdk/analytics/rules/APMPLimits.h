#pragma once

#include <cstddef>
#include <cstdint>

// The hard limits of one script runtime. Programs arrive from a server and run where every event
// passes, so each of these turns a hostile or buggy program into error 18 instead of a hang, a stack
// overflow or an exhausted process. Tests inject small ones.
struct APMPLimits {
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
  // Bytes held by the runtime's values, scopes and containers.
  std::size_t memoryBytes = 64u << 20;
  // Element steps of native work (sorting, searching, copying) between two resets.
  std::int64_t nativeWork = 50'000'000;
};
