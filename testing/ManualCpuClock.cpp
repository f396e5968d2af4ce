#include "testing/ManualCpuClock.h"

namespace ostrel::testing {

namespace {
constexpr std::int64_t kSecondsBetweenOrigins = 1'000'000;
std::atomic<std::int64_t> nextOrigin{0};
}  // namespace

std::int64_t ManualCpuClock::threadNanoseconds() const {
  thread_local const std::int64_t origin = nextOrigin.fetch_add(kSecondsBetweenOrigins * 1'000'000'000);
  return origin + (now_ += step);
}

}  // namespace ostrel::testing
