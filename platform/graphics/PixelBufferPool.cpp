#include "platform/graphics/PixelBufferPool.h"

#include <cairo.h>

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

PixelBufferPool::PixelBufferPool() : kept_(kMostKept, kMostKept / kSmallestKept, &std::free) {}

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
  return kept_.keptBytes();
}

void PixelBufferPool::giveBack(void* loan) {
  auto* returned = static_cast<Loan*>(loan);
  {
    std::lock_guard lock(returned->pool->mutex_);
    returned->pool->kept_.keep(returned->bytes, returned->size);
  }
  delete returned;
}

unsigned char* PixelBufferPool::take(std::size_t size) {
  unsigned char* bytes = nullptr;
  {
    std::lock_guard lock(mutex_);
    bytes = static_cast<unsigned char*>(kept_.take(size));
  }
  if (bytes) {
    std::memset(bytes, 0, size);
    return bytes;
  }
  // Fresh memory comes clear from the system, page by page as it is first drawn on.
  return static_cast<unsigned char*>(std::calloc(size, 1));
}

}  // namespace platform::graphics
