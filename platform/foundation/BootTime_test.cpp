#include "platform/foundation/BootTime.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdlib>
#include <fstream>
#include <string>

using platform::foundation::BootTime;

namespace {

std::int64_t nanosecondsOf(clockid_t clock) {
  timespec now{};
  EXPECT_EQ(::clock_gettime(clock, &now), 0);
  return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// The kernel's own statement: whole seconds, the fraction dropped.
std::int64_t statedBootSeconds() {
  std::ifstream stat("/proc/stat");
  for (std::string line; std::getline(stat, line);) {
    if (line.rfind("btime ", 0) == 0) return std::stoll(line.substr(6));
  }
  return 0;
}

}  // namespace

// The boot time carries its microseconds: it lies in the second the kernel states, at the wall time less
// the time since boot, never before it, and each read finds it within a microsecond of the last.
TEST(BootTime, CarriesItsMicrosecondsAndNeverComesBeforeTheBoot) {
  const auto boot = BootTime::read();
  ASSERT_TRUE(boot);
  EXPECT_GE(boot->microseconds, 0);
  EXPECT_LT(boot->microseconds, 1000000);
  // The wall time less the time since boot, read between two readings of the latter: a thread put aside
  // between them on a busy machine widens the bracket, so it is read until the bracket is narrow.
  std::int64_t earliest = 0, latest = 0;
  for (int attempt = 0; attempt < 1000 && (latest == 0 || latest - earliest > 1000); ++attempt) {
    const std::int64_t upBefore = nanosecondsOf(CLOCK_BOOTTIME);
    const std::int64_t wall = nanosecondsOf(CLOCK_REALTIME);
    const std::int64_t upAfter = nanosecondsOf(CLOCK_BOOTTIME);
    earliest = wall - upAfter;
    latest = wall - upBefore;
  }
  EXPECT_GE(boot->nanoseconds(), earliest - 1000) << "the boot time lost its fraction of a second";
  EXPECT_LE(boot->nanoseconds(), latest + 1000);
  // A time since boot reckoned from it stays within the machine's own.
  EXPECT_LE(nanosecondsOf(CLOCK_REALTIME) - boot->nanoseconds(), nanosecondsOf(CLOCK_BOOTTIME));
  const std::int64_t stated = statedBootSeconds();
  if (stated != 0) {
    EXPECT_LE(std::llabs(boot->seconds - stated), 1);
  }
  for (int again = 0; again < 20; ++again) {
    EXPECT_LE(std::llabs(BootTime::read()->nanoseconds() - boot->nanoseconds()), 1000) << "the boot time wanders";
  }
}
