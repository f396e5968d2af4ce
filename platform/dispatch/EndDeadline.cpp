#include "platform/dispatch/EndDeadline.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>

#include "platform/dispatch/QuitRequest.h"

namespace platform::dispatch {

namespace {

using Steady = std::chrono::steady_clock;

// When the end began, in nanoseconds of the steady clock; 0 while it has not.
std::atomic<std::int64_t> endBegan{0};

std::int64_t nowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch()).count();
}

}  // namespace

void EndDeadline::begin() {
  std::int64_t none = 0;
  endBegan.compare_exchange_strong(none, nowNanoseconds(), std::memory_order_acq_rel);
}

Steady::time_point EndDeadline::at() {
  std::int64_t start = endBegan.load(std::memory_order_acquire);
  const std::int64_t asked = QuitRequest::requestedAtNanoseconds();
  if (asked != 0 && (start == 0 || asked < start)) start = asked;
  if (start == 0) return Steady::time_point::max();
  const auto limit = std::chrono::nanoseconds(start) +
                     std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(kSeconds));
  return Steady::time_point(std::chrono::duration_cast<Steady::duration>(limit));
}

double EndDeadline::secondsLeft() {
  const auto deadline = at();
  if (deadline == Steady::time_point::max()) return std::numeric_limits<double>::infinity();
  return std::max(0.0, std::chrono::duration<double>(deadline - Steady::now()).count());
}

void EndDeadline::resetForTesting() { endBegan.store(0, std::memory_order_release); }

}  // namespace platform::dispatch
