#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

typedef struct _cairo_surface cairo_surface_t;

namespace platform::graphics {

// An immutable bitmap: 8-bit RGBA with premultiplied alpha in device RGB, row 0 at the top. Its size in
// points is its size in pixels divided by its scale.
class Image {
 public:
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  // Null when the file is missing or not a PNG.
  static std::shared_ptr<Image> fromPNGFile(const std::string& path, double scale = 1);
  static std::shared_ptr<Image> fromPNGData(const std::vector<uint8_t>& data, double scale = 1);
  // Bytes R, G, B, A per pixel, alpha premultiplied and last. Null for a size of zero or a short buffer.
  static std::shared_ptr<Image> fromRGBA(int width, int height, size_t bytesPerRow, const uint8_t* bytes,
                                         double scale = 1);
  // Takes over a cairo image surface in ARGB32 (the reference is adopted).
  static std::shared_ptr<Image> adoptSurface(cairo_surface_t* surface, double scale);

  int pixelWidth() const { return width_; }
  int pixelHeight() const { return height_; }
  double scale() const { return scale_; }
  Size size() const { return {width_ / scale_, height_ / scale_}; }

  // The pixel at (x, y) in pixels, alpha un-premultiplied; clear outside the image.
  Color pixel(int x, int y) const;
  // The same as bytes 0...255 (r, g, b, a), for exact comparisons.
  std::array<uint8_t, 4> pixelBytes(int x, int y) const;
  // Every pixel as R, G, B, A bytes, alpha premultiplied, rows top to bottom without padding.
  std::vector<uint8_t> rgbaBytes() const;
  // True when every pixel is fully transparent.
  bool isClear() const;

  // The image as a PNG file (PngEncoder): the same pixels give the same bytes on every run.
  std::vector<uint8_t> pngData() const;
  // Written under a temporary name and renamed, so a reader never sees half a file.
  bool writePNG(const std::string& path) const;

  cairo_surface_t* surface() const { return surface_; }

 private:
  Image(cairo_surface_t* surface, double scale);
  cairo_surface_t* surface_;
  int width_;
  int height_;
  double scale_;
};

}  // namespace platform::graphics
