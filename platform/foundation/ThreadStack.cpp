#include "platform/foundation/ThreadStack.h"

#include <pthread.h>

#include <cstdint>

namespace platform::foundation {

namespace {

// The lowest address of the calling thread's stack. The main thread's reads as the size its limit
// allows, which it grows into; another thread's as the block it was made with, less its guard page.
std::uintptr_t measuredFloor() {
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 1;
  void* lowest = nullptr;
  std::size_t size = 0;
  const bool read = pthread_attr_getstack(&attributes, &lowest, &size) == 0;
  pthread_attr_destroy(&attributes);
  return read && lowest ? reinterpret_cast<std::uintptr_t>(lowest) : 1;
}

thread_local std::uintptr_t floor = 0;  // read once per thread

}  // namespace

std::size_t ThreadStack::bytesLeft() {
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  if (floor == 0) floor = measuredFloor();
  return here > floor ? here - floor : 0;
}

}  // namespace platform::foundation
