#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/foundation/KeyedArchive.h"

namespace sdk::transport {

// When an event was sent: wall time, the time zone's offset, the kernel's boot time and the time since
// boot. Read-only once made; archived with the event.
class ClockSnapshot final : public platform::foundation::KeyedCodable {
 public:
  static constexpr const char* kClassName = "VDTCORClock";
  static constexpr const char* kTimeMillisKey = "VDTCORClockTimeMillis";
  static constexpr const char* kTimezoneOffsetSecondsKey = "VDTCORClockTimezoneOffsetSeconds";
  static constexpr const char* kKernelBootTimeKey = "VDTCORClockKernelBootTime";
  static constexpr const char* kUptimeKey = "VDTCORClockUptime";

  // A clock read now, on the process clock.
  static std::shared_ptr<ClockSnapshot> snapshot();
  // As snapshot(), with the time moved `millisInTheFuture` ahead.
  static std::shared_ptr<ClockSnapshot> clockSnapshotInTheFuture(std::int64_t millisInTheFuture);

  ClockSnapshot(std::int64_t timeMillis, std::int64_t timezoneOffsetSeconds, std::int64_t kernelBootTimeNanoseconds,
              std::int64_t uptimeNanoseconds);

  std::int64_t timeMillis() const { return timeMillis_; }
  std::int64_t timezoneOffsetSeconds() const { return timezoneOffsetSeconds_; }
  std::int64_t kernelBootTimeNanoseconds() const { return kernelBootTimeNanoseconds_; }
  std::int64_t uptimeNanoseconds() const { return uptimeNanoseconds_; }
  std::int64_t kernelBootTime() const { return kernelBootTimeNanoseconds_; }
  std::int64_t uptime() const { return uptimeNanoseconds_; }
  std::int64_t uptimeMilliseconds() const { return uptimeNanoseconds_ / 1000000; }

  // Across boots the later boot wins; within one boot the later wall time does. Time-zone offsets do
  // not take part: the wall times are both UTC already.
  bool isAfter(const ClockSnapshot& other) const;

  std::size_t hash() const;
  bool isEqual(const platform::foundation::Object& other) const override;
  std::string description() const override;

  std::string className() const override { return kClassName; }
  void encodeWithCoder(platform::foundation::KeyedArchiver& coder) const override;
  static std::shared_ptr<ClockSnapshot> initWithCoder(platform::foundation::KeyedUnarchiver& coder);

  // The kernel's boot time in nanoseconds since 1970, in whole microseconds (platform::foundation::BootTime),
  // 0 when it cannot be read. Read once: within a run it does not move with later adjustments of the wall
  // clock, so the snapshots of one run compare by their wall times.
  static std::int64_t kernelBootTimeNanosecondsNow();

 private:
  std::int64_t timeMillis_;
  std::int64_t timezoneOffsetSeconds_;
  std::int64_t kernelBootTimeNanoseconds_;
  std::int64_t uptimeNanoseconds_;
};

}  // namespace sdk::transport

