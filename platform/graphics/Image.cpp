#include "platform/graphics/Image.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

#include "platform/foundation/AtomicFile.h"
#include "platform/graphics/PngEncoder.h"

namespace platform::graphics {
namespace {

// Brings any surface cairo read from a PNG to the one layout every image uses.
cairo_surface_t* toARGB32(cairo_surface_t* s) {
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  if (cairo_image_surface_get_format(s) == CAIRO_FORMAT_ARGB32) return s;
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(out);
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  return out;
}

struct ReadCursor {
  const std::vector<uint8_t>* data;
  size_t offset;
};

cairo_status_t readChunk(void* closure, unsigned char* out, unsigned int length) {
  auto* cur = static_cast<ReadCursor*>(closure);
  if (cur->data->size() - cur->offset < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(out, cur->data->data() + cur->offset, length);
  cur->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

Image::Image(cairo_surface_t* surface, double scale)
    : surface_(surface),
      width_(cairo_image_surface_get_width(surface)),
      height_(cairo_image_surface_get_height(surface)),
      scale_(scale > 0 ? scale : 1) {}

Image::~Image() { cairo_surface_destroy(surface_); }

std::shared_ptr<Image> Image::adoptSurface(cairo_surface_t* surface, double scale) {
  if (!surface) return nullptr;
  surface = toARGB32(surface);
  if (!surface) return nullptr;
  cairo_surface_flush(surface);
  return std::shared_ptr<Image>(new Image(surface, scale));
}

std::shared_ptr<Image> Image::fromPNGFile(const std::string& path, double scale) {
  return adoptSurface(cairo_image_surface_create_from_png(path.c_str()), scale);
}

std::shared_ptr<Image> Image::fromPNGData(const std::vector<uint8_t>& data, double scale) {
  ReadCursor cursor{&data, 0};
  return adoptSurface(cairo_image_surface_create_from_png_stream(readChunk, &cursor), scale);
}

std::shared_ptr<Image> Image::fromRGBA(int width, int height, size_t bytesPerRow, const uint8_t* bytes,
                                       double scale) {
  if (width <= 0 || height <= 0 || !bytes || bytesPerRow < static_cast<size_t>(width) * 4) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  cairo_surface_flush(s);
  unsigned char* dst = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = bytes + y * bytesPerRow;
    auto* row = reinterpret_cast<uint32_t*>(dst + y * stride);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = src + x * 4;
      // Premultiplied components can never exceed alpha; clamp so bad input stays a valid pixel.
      uint32_t a = p[3];
      uint32_t r = std::min<uint32_t>(p[0], a), g = std::min<uint32_t>(p[1], a), b = std::min<uint32_t>(p[2], a);
      row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  cairo_surface_mark_dirty(s);
  return std::shared_ptr<Image>(new Image(s, scale));
}

std::array<uint8_t, 4> Image::pixelBytes(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {0, 0, 0, 0};
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  uint32_t v = reinterpret_cast<const uint32_t*>(data + y * stride)[x];
  uint32_t a = v >> 24;
  auto un = [a](uint32_t c) { return static_cast<uint8_t>(a == 0 ? 0 : (c * 255 + a / 2) / a); };
  return {un((v >> 16) & 0xFF), un((v >> 8) & 0xFF), un(v & 0xFF), static_cast<uint8_t>(a)};
}

Color Image::pixel(int x, int y) const {
  auto b = pixelBytes(x, y);
  return Color::fromBytes(b[0], b[1], b[2], b[3] / 255.0);
}

std::vector<uint8_t> Image::rgbaBytes() const {
  std::vector<uint8_t> out(static_cast<size_t>(width_) * height_ * 4);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  size_t i = 0;
  for (int y = 0; y < height_; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
    for (int x = 0; x < width_; ++x) {
      uint32_t v = row[x];
      out[i++] = (v >> 16) & 0xFF;
      out[i++] = (v >> 8) & 0xFF;
      out[i++] = v & 0xFF;
      out[i++] = v >> 24;
    }
  }
  return out;
}

std::vector<uint8_t> Image::pngData() const {
  cairo_surface_flush(surface_);
  return PngEncoder::encodeARGB32(cairo_image_surface_get_data(surface_), width_, height_,
                                  cairo_image_surface_get_stride(surface_));
}

bool Image::writePNG(const std::string& path) const {
  std::vector<uint8_t> data = pngData();
  return !data.empty() && foundation::AtomicFile::writeAtomically(path, data.data(), data.size()).ok();
}

bool Image::isClear() const {
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  int stride = cairo_image_surface_get_stride(surface_);
  // A whole row at a time, with no branch per pixel: most layers asked are clear and must be read to
  // the end, and a loop that can stop at any pixel is one the compiler cannot widen.
  for (int y = 0; y < height_; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    uint32_t any = 0;
    for (int x = 0; x < width_; ++x) any |= row[x];
    if (any != 0) return false;
  }
  return true;
}

}  // namespace platform::graphics
