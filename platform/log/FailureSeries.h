#pragma once

#include <atomic>
#include <cstdint>

namespace platform::log {

// A request retried until it works fails the same way again and again: the person is told once, at
// the failure that begins a series (with what happens next), later failures are written as repeats
// (debug lines), and a success ends the series. Safe from any thread.
class FailureSeries {
 public:
  // Counts a failure; true when it begins a series.
  bool failed() { return failures_.fetch_add(1, std::memory_order_relaxed) == 0; }
  // Ends the series; the number of failures it held (0 when there was none).
  std::int64_t succeeded() { return failures_.exchange(0, std::memory_order_relaxed); }
  // Whether a failure now would repeat one of a series not yet ended.
  bool underWay() const { return failures_.load(std::memory_order_relaxed) > 0; }

 private:
  std::atomic<std::int64_t> failures_{0};
};

}  // namespace platform::log
