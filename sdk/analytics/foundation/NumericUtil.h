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
};

}  // namespace sdk::analytics

