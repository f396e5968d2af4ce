#include "platform/foundation/BootTime.h"

#include <time.h>

namespace platform::foundation {

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
constexpr int kAttempts = 8;

std::optional<std::int64_t> nanosecondsOf(clockid_t clock) {
  timespec now{};
  if (::clock_gettime(clock, &now) != 0) return std::nullopt;
  return std::int64_t{now.tv_sec} * kNanosecondsPerSecond + now.tv_nsec;
}

// Rounded up: a boot time a little late only shortens the time since boot.
std::int64_t microsecondsUp(std::int64_t nanoseconds) {
  const std::int64_t whole = nanoseconds / 1000;
  return nanoseconds % 1000 > 0 ? whole + 1 : whole;
}

}  // namespace

std::optional<BootTime> BootTime::read() {
  std::int64_t boot = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const auto upBefore = nanosecondsOf(CLOCK_BOOTTIME);
    const auto wall = nanosecondsOf(CLOCK_REALTIME);
    const auto upAfter = nanosecondsOf(CLOCK_BOOTTIME);
    if (!upBefore || !wall || !upAfter) return std::nullopt;
    // The wall time was read at some instant between the two: the boot lies between these.
    const std::int64_t earliest = microsecondsUp(*wall - *upAfter);
    boot = microsecondsUp(*wall - *upBefore);
    if (earliest == boot) break;
  }
  if (boot <= 0) return std::nullopt;
  return BootTime{boot / 1000000, boot % 1000000};
}

}  // namespace platform::foundation
