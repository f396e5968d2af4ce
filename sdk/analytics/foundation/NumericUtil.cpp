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
  return platform::foundation::saturatedInt64(seconds * 1000.0);
}

}  // namespace sdk::analytics

