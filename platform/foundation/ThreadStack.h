#pragma once

#include <cstddef>

namespace platform::foundation {

// The calling thread's native stack, for code that recurses as deep as its input asks (an
// interpreter's nested calls): it stops while room is left, whatever the frames of the build.
class ThreadStack {
 public:
  // Bytes of the calling thread's stack left below the caller's frame. Out of line, so that a hot
  // caller keeps no frame pointer for it.
  [[gnu::noinline]] static std::size_t bytesLeft();
};

}  // namespace platform::foundation
