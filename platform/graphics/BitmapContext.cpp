#include "platform/graphics/Context.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <vector>

#include "platform/graphics/PixelBufferPool.h"
#include "platform/log/Log.h"

// Bitmap contexts, the image contexts made of them, and the stack of current contexts.
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

// --- the current-context stack ---

namespace {

// Per thread, like the drawing passes that push them.
thread_local std::vector<Context*> contextStack;
thread_local std::vector<std::unique_ptr<BitmapContext>> imageContexts;

}  // namespace

Context* currentContext() { return contextStack.empty() ? nullptr : contextStack.back(); }

void pushContext(Context* context) { contextStack.push_back(context); }

void popContext() {
  if (!contextStack.empty()) contextStack.pop_back();
}

void beginImageContext(Size size, bool opaque, double scale) {
  if (!(scale > 0)) scale = kScreenScale;
  auto ctx = BitmapContext::create(size, scale, opaque);
  if (!ctx) {
    platform::log::write(platform::log::Error, "image context of an empty or oversized size; drawing is ignored");
  }
  pushContext(ctx.get());  // a null entry keeps begin and end balanced
  imageContexts.push_back(std::move(ctx));
}

std::shared_ptr<Image> imageFromCurrentImageContext() {
  if (imageContexts.empty() || !imageContexts.back() || currentContext() != imageContexts.back().get()) {
    return nullptr;
  }
  return imageContexts.back()->makeImage();
}

void endImageContext() {
  if (imageContexts.empty()) return;
  // Normally on top; if drawing code pushed a context after it and has not popped it yet, the entry is
  // taken out from below, so the stack never keeps a pointer to the context about to be freed.
  Context* ending = imageContexts.back().get();
  auto it = std::find(contextStack.rbegin(), contextStack.rend(), ending);
  if (it != contextStack.rend()) contextStack.erase(std::next(it).base());
  imageContexts.pop_back();
}

}  // namespace platform::graphics
