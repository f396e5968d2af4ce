#pragma once

#include <cstdint>

class APMNumericUtil {
 public:
  // A signed 64-bit integer from 8 bytes of the system's secure random source; 0 (logged) when the
  // source fails.
  static std::int64_t randomInt64();
};
