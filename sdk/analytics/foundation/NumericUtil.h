#pragma once

#include <cstdint>

#include "platform/foundation/SaturatedInt64.h"

namespace sdk::analytics {

class NumericUtil {
 public:
  static constexpr double kInt64Bound = platform::foundation::kInt64Bound;

  // A signed 64-bit integer from 8 bytes of the system's secure random source; 0 (logged) when the
  // source fails.
  static std::int64_t randomInt64();

  // Seconds (a time since 1970, or a span) as whole milliseconds, truncated toward zero as the stored and
  // sent times are. A time read back from a file or a server can be anything: past the int64 range the
  // result saturates and NaN gives 0, where a bare cast is undefined (and dated events at INT64_MIN).
  static std::int64_t millisecondsFromSeconds(double seconds);
};

}  // namespace sdk::analytics

