#pragma once

#include <atomic>
#include <cstdint>

namespace platform::log {

// A request retried until it works fails the same way again and again: each failure still writes its
// own lines at their levels, and the failure that begins a series also tells the person what happens
// next, once; a success ends the series (and may say how many failures it held). Safe from any thread.
class FailureSeries {
 public:
  // Counts a failure; true when it begins a series.
  bool failed() { return failures_.fetch_add(1, std::memory_order_relaxed) == 0; }
  // Ends the series; the number of failures it held (0 when there was none).
  std::int64_t succeeded() { return failures_.exchange(0, std::memory_order_relaxed); }

 private:
  std::atomic<std::int64_t> failures_{0};
};

}  // namespace platform::log
