#pragma once

#include <cstdint>
#include <optional>

namespace platform::foundation {

// When the machine booted, as the system's wall clock has it: whole seconds since 1970 and the
// microseconds beyond them, as the kernel keeps a boot time. Linux states it in /proc/stat in whole
// seconds only, up to a second early, so it is read as the wall time less the time since boot.
struct BootTime {
  std::int64_t seconds = 0;
  std::int64_t microseconds = 0;

  // Read between two reads of the time since boot, again until both give the same microsecond; should
  // they keep straddling one, the later of the two. Never before the boot, so a time since boot
  // reckoned from it never stands above the machine's own. Nothing when the clocks cannot be read.
  static std::optional<BootTime> read();

  std::int64_t nanoseconds() const { return seconds * 1000000000 + microseconds * 1000; }
};

}  // namespace platform::foundation
