#pragma once

#include <memory>

#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Image.h"

namespace platform::graphics {

// A context drawing into its own pixels: 8-bit RGBA premultiplied, device RGB, origin top left.
// `scale` pixels per point.
class BitmapContext : public Context {
 public:
  // Null when the size is empty or the pixels cannot be had.
  static std::unique_ptr<BitmapContext> create(Size points, double scale = 1, bool opaque = false);
  ~BitmapContext() override;
  // A copy of the pixels drawn so far; the context may go on drawing.
  std::shared_ptr<Image> makeImage() const;
  // The drawn pixels themselves, without a copy, for a context that draws no more: it is consumed.
  static std::shared_ptr<Image> finish(std::unique_ptr<BitmapContext> context);
  int pixelWidth() const;
  int pixelHeight() const;
  double scale() const { return scale_; }

 private:
  BitmapContext(cairo_t* cr, void* surface, double scale);
  void* surface_;
  double scale_;
};

}  // namespace platform::graphics
