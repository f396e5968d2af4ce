#include "testing/HeldWork.h"

namespace ostrel::testing {

void HeldWork::hold() {
  std::unique_lock lock(mutex_);
  ++begun_;
  changed_.notify_all();
  changed_.wait(lock, [&] { return released_; });
}

void HeldWork::waitUntilBegun(std::size_t count) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return begun_ >= count; });
}

void HeldWork::release() {
  std::lock_guard lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

std::size_t HeldWork::begun() const {
  std::lock_guard lock(mutex_);
  return begun_;
}

}  // namespace ostrel::testing
