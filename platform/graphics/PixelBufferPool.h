#pragma once

#include <cstddef>
#include <deque>
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
  PixelBufferPool() = default;
  // Surfaces made by the pool must be destroyed first.
  ~PixelBufferPool();
  PixelBufferPool(const PixelBufferPool&) = delete;
  PixelBufferPool& operator=(const PixelBufferPool&) = delete;

  // A clear ARGB32 surface over kept pixels when some of the size are waiting, else over fresh ones.
  // Its pixels come back here when cairo destroys it.
  cairo_surface_t* createSurface(int width, int height);
  std::size_t keptBytes() const;

 private:
  struct Pixels {
    unsigned char* bytes;
    std::size_t size;
  };
  static void giveBack(void* loan);
  unsigned char* take(std::size_t size);
  void keep(Pixels pixels);

  mutable std::mutex mutex_;
  std::deque<Pixels> kept_;
  std::size_t keptBytes_ = 0;
};

}  // namespace platform::graphics
