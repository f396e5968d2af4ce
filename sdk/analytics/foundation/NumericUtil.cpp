#include "sdk/analytics/foundation/NumericUtil.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "platform/security/RandomBytes.h"
#include "sdk/analytics/foundation/FoundationMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

std::int64_t NumericUtil::randomInt64() {
  std::uint8_t bytes[8];
  if (platform::security::copyRandomBytes(bytes, sizeof bytes) != platform::security::kStatusSuccess) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kRandomIntegerFailed,
                                    "Unable to generate random integer");
    return 0;
  }
  std::int64_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

std::int64_t NumericUtil::millisecondsFromSeconds(double seconds) {
  const double ms = seconds * 1000.0;
  if (std::isnan(ms)) return 0;
  if (ms >= kInt64Bound) return std::numeric_limits<std::int64_t>::max();
  if (ms < -kInt64Bound) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(ms);
}

}  // namespace sdk::analytics

