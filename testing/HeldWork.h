#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace ostrel::testing {

// Work a test holds in the middle: the work calls hold(), which says it has begun and waits until
// the test releases it. The test waits for that state (waitUntilBegun), never for time.
class HeldWork {
 public:
  HeldWork() = default;
  ~HeldWork() { release(); }
  HeldWork(const HeldWork&) = delete;
  HeldWork& operator=(const HeldWork&) = delete;

  // In the work: counts it as begun, then waits for release().
  void hold();
  // In the test: waits until `count` pieces of work have begun.
  void waitUntilBegun(std::size_t count = 1);
  void release();
  std::size_t begun() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t begun_ = 0;
  bool released_ = false;
};

}  // namespace ostrel::testing
