#include "platform/graphics/BitmapContext.h"

#include <cairo.h>

#include <cmath>
#include <memory>

#include "platform/graphics/PixelBufferPool.h"

namespace platform::graphics {

BitmapContext::BitmapContext(cairo_t* cr, void* surface, double scale)
    : Context(cr), surface_(surface), scale_(scale) {}

BitmapContext::~BitmapContext() { cairo_surface_destroy(static_cast<cairo_surface_t*>(surface_)); }

std::unique_ptr<BitmapContext> BitmapContext::create(Size points, double scale, bool opaque) {
  if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
  double w = std::ceil(points.width * scale), h = std::ceil(points.height * scale);
  constexpr double kMaxSide = 32767;  // cairo's limit for image surfaces
  if (!(w >= 1 && h >= 1) || w > kMaxSide || h > kMaxSide) return nullptr;
  cairo_surface_t* s = PixelBufferPool::shared().createSurface(static_cast<int>(w), static_cast<int>(h));
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  std::unique_ptr<BitmapContext> context(new BitmapContext(cairo_create(s), s, scale));
  if (opaque) {
    cairo_t* cr = context->cairo();
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
  }
  context->Context::scale(scale, scale);
  return context;
}

std::shared_ptr<Image> BitmapContext::makeImage() const {
  auto* s = static_cast<cairo_surface_t*>(surface_);
  cairo_surface_flush(s);
  int w = pixelWidth(), h = pixelHeight();
  cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(copy);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  return Image::adoptSurface(copy, scale_);
}

std::shared_ptr<Image> BitmapContext::finish(std::unique_ptr<BitmapContext> context) {
  if (!context) return nullptr;
  auto* s = cairo_surface_reference(static_cast<cairo_surface_t*>(context->surface_));
  const double scale = context->scale_;
  context.reset();  // nothing draws into the pixels once the image holds them
  return Image::adoptSurface(s, scale);
}

int BitmapContext::pixelWidth() const { return cairo_image_surface_get_width(static_cast<cairo_surface_t*>(surface_)); }
int BitmapContext::pixelHeight() const {
  return cairo_image_surface_get_height(static_cast<cairo_surface_t*>(surface_));
}

}  // namespace platform::graphics
