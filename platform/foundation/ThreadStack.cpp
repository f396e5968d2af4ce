#include "platform/foundation/ThreadStack.h"

#include <pthread.h>

namespace platform::foundation {

// The main thread's stack reads as the size its limit allows, which it grows into; another thread's
// as the block it was made with, less its guard page.
std::uintptr_t ThreadStack::measuredFloor() {
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 1;
  void* lowest = nullptr;
  std::size_t size = 0;
  const bool read = pthread_attr_getstack(&attributes, &lowest, &size) == 0;
  pthread_attr_destroy(&attributes);
  return read && lowest ? reinterpret_cast<std::uintptr_t>(lowest) : 1;
}

}  // namespace platform::foundation
