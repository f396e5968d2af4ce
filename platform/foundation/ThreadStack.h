#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::foundation {

// The calling thread's native stack, for code that recurses as deep as its input asks (an
// interpreter's nested calls): it stops while room is left, whatever the frames of the build.
class ThreadStack {
 public:
  // Bytes of the calling thread's stack left below the caller's frame.
  [[gnu::always_inline]] static std::size_t bytesLeft() {
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (floor_ == 0) floor_ = measuredFloor();
    return here > floor_ ? here - floor_ : 0;
  }

 private:
  // The lowest address of the calling thread's stack, read once per thread.
  static std::uintptr_t measuredFloor();
  static inline thread_local std::uintptr_t floor_ = 0;
};

}  // namespace platform::foundation
