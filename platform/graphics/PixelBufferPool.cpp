#include "platform/graphics/PixelBufferPool.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform::graphics {
namespace {

// What a surface over kept pixels carries, to give them back when it is destroyed.
struct Loan {
  PixelBufferPool* pool;
  unsigned char* bytes;
  std::size_t size;
};

const cairo_user_data_key_t kLoanKey{};

}  // namespace

PixelBufferPool& PixelBufferPool::shared() {
  // Never destroyed: surfaces may be let go of on other threads while the process ends.
  static auto* pool = new PixelBufferPool();
  return *pool;
}

PixelBufferPool::~PixelBufferPool() {
  for (const Pixels& p : kept_) std::free(p.bytes);
}

cairo_surface_t* PixelBufferPool::createSurface(int width, int height) {
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
  const std::size_t size = stride > 0 && height > 0 ? static_cast<std::size_t>(stride) * height : 0;
  unsigned char* bytes = size >= kSmallestKept ? take(size) : nullptr;
  // Small or impossible sizes, and memory refused, are cairo's own to make (or to refuse).
  if (!bytes) return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(bytes, CAIRO_FORMAT_ARGB32, width, height, stride);
  auto* loan = new Loan{this, bytes, size};
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
      cairo_surface_set_user_data(surface, &kLoanKey, loan, &PixelBufferPool::giveBack) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    giveBack(loan);
    return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  }
  return surface;
}

std::size_t PixelBufferPool::keptBytes() const {
  std::lock_guard lock(mutex_);
  return keptBytes_;
}

void PixelBufferPool::giveBack(void* loan) {
  auto* returned = static_cast<Loan*>(loan);
  returned->pool->keep({returned->bytes, returned->size});
  delete returned;
}

unsigned char* PixelBufferPool::take(std::size_t size) {
  unsigned char* bytes = nullptr;
  {
    std::lock_guard lock(mutex_);
    // The most recently kept first: its pages are the likeliest still in the caches.
    auto found = std::find_if(kept_.rbegin(), kept_.rend(), [size](const Pixels& p) { return p.size == size; });
    if (found != kept_.rend()) {
      bytes = found->bytes;
      keptBytes_ -= size;
      kept_.erase(std::next(found).base());
    }
  }
  if (bytes) {
    std::memset(bytes, 0, size);
    return bytes;
  }
  // Fresh memory comes clear from the system, page by page as it is first drawn on.
  return static_cast<unsigned char*>(std::calloc(size, 1));
}

void PixelBufferPool::keep(Pixels pixels) {
  std::deque<Pixels> dropped;
  {
    std::lock_guard lock(mutex_);
    kept_.push_back(pixels);
    keptBytes_ += pixels.size;
    while (keptBytes_ > kMostKept) {
      keptBytes_ -= kept_.front().size;
      dropped.push_back(kept_.front());
      kept_.pop_front();
    }
  }
  for (const Pixels& p : dropped) std::free(p.bytes);
}

}  // namespace platform::graphics
