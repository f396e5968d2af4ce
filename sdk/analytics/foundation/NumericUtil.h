#pragma once

#include <cstdint>

namespace sdk::analytics {

class NumericUtil {
 public:
  // 2^63: the first double past the int64 range (the largest int64 is not a double), so a double converts to
  // int64 only when -kInt64Bound <= value < kInt64Bound.
  static constexpr double kInt64Bound = 9223372036854775808.0;

  // A signed 64-bit integer from 8 bytes of the system's secure random source; 0 (logged) when the
  // source fails.
  static std::int64_t randomInt64();

  // Seconds (a time since 1970, or a span) as whole milliseconds, truncated toward zero as the stored and
  // sent times are. A time read back from a file or a server can be anything: past the int64 range the
  // result saturates and NaN gives 0, where a bare cast is undefined (and dated events at INT64_MIN).
  static std::int64_t millisecondsFromSeconds(double seconds);
};

}  // namespace sdk::analytics

