#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace platform::foundation {

// 2^63: the first double past the int64 range (the largest int64 is not a double), so a double converts to
// int64 only when -kInt64Bound <= value < kInt64Bound.
inline constexpr double kInt64Bound = 9223372036854775808.0;

// A double as int64, its fraction cut off: past the range it saturates and NaN gives 0, where a bare cast
// is undefined. Times become whole milliseconds through it, since a time read from a file, a server or a
// wrong clock can be anything (callers round first where they round).
inline std::int64_t saturatedInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= kInt64Bound) return std::numeric_limits<std::int64_t>::max();
  if (value < -kInt64Bound) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

}  // namespace platform::foundation
