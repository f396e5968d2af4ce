#include "sdk/transport/ClockSnapshot.h"

#include <cmath>
#include <ctime>
#include <functional>
#include <limits>

#include "platform/foundation/BootTime.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/SaturatedInt64.h"

namespace sdk::transport {

namespace {

std::int64_t timezoneOffsetAt(double secondsSince1970) {
  std::time_t when = static_cast<std::time_t>(std::floor(secondsSince1970));
  std::tm local{};
  if (!::localtime_r(&when, &local)) return 0;
  return local.tm_gmtoff;
}

std::int64_t millisOf(double secondsSince1970) {
  return platform::foundation::saturatedInt64(secondsSince1970 * 1000.0);
}

}  // namespace

std::int64_t ClockSnapshot::kernelBootTimeNanosecondsNow() {
  static const std::int64_t bootTime = [] {
    const auto boot = platform::foundation::BootTime::read();
    return boot ? boot->nanoseconds() : 0;
  }();
  return bootTime;
}

ClockSnapshot::ClockSnapshot(std::int64_t timeMillis, std::int64_t timezoneOffsetSeconds,
                         std::int64_t kernelBootTimeNanoseconds, std::int64_t uptimeNanoseconds)
    : timeMillis_(timeMillis),
      timezoneOffsetSeconds_(timezoneOffsetSeconds),
      kernelBootTimeNanoseconds_(kernelBootTimeNanoseconds),
      uptimeNanoseconds_(uptimeNanoseconds) {}

std::shared_ptr<ClockSnapshot> ClockSnapshot::snapshot() { return clockSnapshotInTheFuture(0); }

std::shared_ptr<ClockSnapshot> ClockSnapshot::clockSnapshotInTheFuture(std::int64_t millisInTheFuture) {
  // The wall time is the app's, as every date it stores; the time since boot is the system's clock
  // against the kernel's boot time, which the app's clock (a container's lead, a headless script's
  // virtual time) knows nothing of.
  double now = platform::foundation::Clock::current()->now();
  std::int64_t boot = kernelBootTimeNanosecondsNow();
  std::int64_t nowNanos = platform::foundation::Clock::toNanoseconds(platform::foundation::Clock::forSystemTimes()->now());
  // Saturating: a time past the end of the range stays the latest time there is, never a negative one.
  std::int64_t time = 0;
  if (__builtin_add_overflow(millisOf(now), millisInTheFuture, &time)) {
    time = millisInTheFuture > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
  }
  return std::make_shared<ClockSnapshot>(time, timezoneOffsetAt(now), boot,
                                       nowNanos - boot);
}

bool ClockSnapshot::isAfter(const ClockSnapshot& other) const {
  if (kernelBootTimeNanoseconds_ != other.kernelBootTimeNanoseconds_) {
    return kernelBootTimeNanoseconds_ > other.kernelBootTimeNanoseconds_;
  }
  return timeMillis_ > other.timeMillis_;
}

std::size_t ClockSnapshot::hash() const {
  std::hash<std::int64_t> h;
  return h(kernelBootTimeNanoseconds_) ^ h(uptimeNanoseconds_) ^ h(timeMillis_) ^ h(timezoneOffsetSeconds_);
}

bool ClockSnapshot::isEqual(const platform::foundation::Object& other) const {
  auto clock = dynamic_cast<const ClockSnapshot*>(&other);
  return clock && clock->timeMillis_ == timeMillis_ && clock->timezoneOffsetSeconds_ == timezoneOffsetSeconds_ &&
         clock->kernelBootTimeNanoseconds_ == kernelBootTimeNanoseconds_ &&
         clock->uptimeNanoseconds_ == uptimeNanoseconds_;
}

std::string ClockSnapshot::description() const {
  return platform::foundation::format("<VDTCORClock time:%lld offset:%lld boot:%lld uptime:%lld>", timeMillis_,
                                      timezoneOffsetSeconds_, kernelBootTimeNanoseconds_, uptimeNanoseconds_);
}

void ClockSnapshot::encodeWithCoder(platform::foundation::KeyedArchiver& coder) const {
  coder.encodeInt64(timeMillis_, kTimeMillisKey);
  coder.encodeInt64(timezoneOffsetSeconds_, kTimezoneOffsetSecondsKey);
  coder.encodeInt64(kernelBootTimeNanoseconds_, kKernelBootTimeKey);
  coder.encodeInt64(uptimeNanoseconds_, kUptimeKey);
}

std::shared_ptr<ClockSnapshot> ClockSnapshot::initWithCoder(platform::foundation::KeyedUnarchiver& coder) {
  return std::make_shared<ClockSnapshot>(coder.decodeInt64(kTimeMillisKey), coder.decodeInt64(kTimezoneOffsetSecondsKey),
                                       coder.decodeInt64(kKernelBootTimeKey), coder.decodeInt64(kUptimeKey));
}

}  // namespace sdk::transport

