#pragma once

#include "platform/foundation/SizedBlockCache.h"

#include <cstddef>
#include <mutex>

typedef struct _cairo_surface cairo_surface_t;

namespace platform::graphics {

// The pixels of window-sized bitmap surfaces, kept for the next surface of the same size once one is
// done with them. Every shot draws the whole window into a new bitmap of the same size; memory that
// large is mapped afresh for each and unmapped after, so each took a page fault for every page drawn
// on, where clearing memory already in place costs a fraction of that. Smaller bitmaps are left to
// the allocator, which reuses their memory without faults.
class PixelBufferPool {
 public:
  static constexpr std::size_t kSmallestKept = 4 * 1024 * 1024;
  // The most kept and unused at a time; the oldest go first.
  static constexpr std::size_t kMostKept = 16 * 1024 * 1024;

  static PixelBufferPool& shared();
  PixelBufferPool();
  // Surfaces made by the pool must be destroyed first.
  ~PixelBufferPool() = default;
  PixelBufferPool(const PixelBufferPool&) = delete;
  PixelBufferPool& operator=(const PixelBufferPool&) = delete;

  // A clear ARGB32 surface over kept pixels when some of the size are waiting, else over fresh ones.
  // Its pixels come back here when cairo destroys it.
  cairo_surface_t* createSurface(int width, int height);
  std::size_t keptBytes() const;

 private:
  static void giveBack(void* loan);
  unsigned char* take(std::size_t size);

  mutable std::mutex mutex_;
  platform::foundation::SizedBlockCache kept_;
};

}  // namespace platform::graphics
