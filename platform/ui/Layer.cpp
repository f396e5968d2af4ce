#include "platform/ui/Layer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/graphics/Context.h"
#include "platform/graphics/Path.h"
#include "platform/ui/AnimationBlock.h"
#include "platform/ui/ShownValues.h"

namespace platform::ui {
namespace {

graphics::Path boundsPath(const Rect& r, double radius) {
  return radius > 0 ? graphics::Path::roundedRect(r, radius) : graphics::Path::rect(r);
}

}  // namespace

Layer::~Layer() {
  for (auto& sub : sublayers_) sub->superlayer_ = nullptr;
}

void Layer::setBounds(const Rect& bounds) {
  willChange("bounds");
  if (bounds.size != bounds_.size) needsDisplay_ = true;
  bounds_ = bounds;
}

Rect Layer::frame() const { return toSuperlayer().apply(Rect{bounds_.origin, bounds_.size}); }

void Layer::setFrame(const Rect& f) {
  willChange("bounds");
  willChange("position");
  Size size{f.width(), f.height()};
  if (size != bounds_.size) needsDisplay_ = true;
  bounds_.size = size;
  position_ = {f.minX() + anchor_.x * size.width, f.minY() + anchor_.y * size.height};
}

AffineTransform Layer::toSuperlayer() const {
  double ox = bounds_.origin.x + anchor_.x * bounds_.size.width;
  double oy = bounds_.origin.y + anchor_.y * bounds_.size.height;
  return AffineTransform::translation(-ox, -oy).concat(transform_).concat(
      AffineTransform::translation(position_.x, position_.y));
}

std::optional<Point> Layer::convertFromSuperlayer(Point p) const {
  // Hit-testing asks this of every subview under a finger, so the common untransformed layer is a
  // plain offset rather than a composed and inverted matrix.
  Point local{p.x - position_.x, p.y - position_.y};
  if (!transform_.isIdentity()) {
    double det = transform_.a * transform_.d - transform_.b * transform_.c;
    if (det == 0 || !std::isfinite(det)) return std::nullopt;
    local = transform_.inverted().apply(local);
  }
  return Point{local.x + bounds_.origin.x + anchor_.x * bounds_.size.width,
               local.y + bounds_.origin.y + anchor_.y * bounds_.size.height};
}

void Layer::setOpacity(double opacity) {
  willChange("opacity");
  opacity_ = std::isfinite(opacity) ? std::clamp(opacity, 0.0, 1.0) : 1.0;
}

void Layer::setMask(std::shared_ptr<Layer> mask) {
  if (mask.get() == this) return;  // a layer cannot cut itself
  mask_ = std::move(mask);
}

void Layer::detach(const Layer* layer) {
  auto it = std::find_if(sublayers_.begin(), sublayers_.end(), [&](auto& l) { return l.get() == layer; });
  if (it != sublayers_.end()) sublayers_.erase(it);
}

void Layer::addSublayer(const std::shared_ptr<Layer>& layer) { insertSublayer(layer, sublayers_.size()); }

void Layer::insertSublayer(const std::shared_ptr<Layer>& layer, size_t index) {
  // Refuse cycles: a layer cannot hold itself or one of its ancestors.
  if (!layer || layer.get() == this || isDescendantOf(layer.get())) return;
  std::shared_ptr<Layer> keep = layer;  // may be held only by its old superlayer
  if (keep->superlayer_) keep->superlayer_->detach(keep.get());
  keep->superlayer_ = this;
  index = std::min(index, sublayers_.size());
  sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), keep);
}

void Layer::insertSublayerBelow(const std::shared_ptr<Layer>& layer, const Layer* sibling) {
  if (layer.get() == sibling) return;
  if (layer && layer->superlayer_ == this) detach(layer.get()), layer->superlayer_ = nullptr;
  auto it = std::find_if(sublayers_.begin(), sublayers_.end(), [&](auto& l) { return l.get() == sibling; });
  insertSublayer(layer, it == sublayers_.end() ? 0 : static_cast<size_t>(it - sublayers_.begin()));
}

void Layer::insertSublayerAbove(const std::shared_ptr<Layer>& layer, const Layer* sibling) {
  if (layer.get() == sibling) return;
  if (layer && layer->superlayer_ == this) detach(layer.get()), layer->superlayer_ = nullptr;
  auto it = std::find_if(sublayers_.begin(), sublayers_.end(), [&](auto& l) { return l.get() == sibling; });
  insertSublayer(layer, it == sublayers_.end() ? sublayers_.size() : static_cast<size_t>(it - sublayers_.begin()) + 1);
}

void Layer::removeFromSuperlayer() {
  if (!superlayer_) return;
  auto keep = shared_from_this();
  superlayer_->detach(this);
  superlayer_ = nullptr;
}

void Layer::removeAllSublayers() {
  auto old = std::move(sublayers_);
  sublayers_.clear();
  for (auto& l : old) l->superlayer_ = nullptr;
}

bool Layer::isDescendantOf(const Layer* ancestor) const {
  for (const Layer* l = this; l; l = l->superlayer_) {
    if (l == ancestor) return true;
  }
  return false;
}

void Layer::displayIfNeeded(double scale) {
  if (!delegate_) return;
  bool stale = needsDisplay_ || contentsScale_ != scale || contentsSize_ != bounds_.size;
  if (!stale) return;
  needsDisplay_ = false;
  contentsScale_ = scale;
  contentsSize_ = bounds_.size;
  contents_.reset();
  if (!delegate_->mayDrawLayer(*this)) return;
  auto bitmap = graphics::BitmapContext::create(bounds_.size, scale);
  if (!bitmap) return;
  bitmap->translate(-bounds_.origin.x, -bounds_.origin.y);
  bool drew = delegate_->drawLayer(*this, *bitmap);
  // Most views that draw nothing are containers whose drawing is the plain view's: their bitmap is as
  // clear as it was made, so it is neither kept nor read.
  if (!drew && !bitmap->hasDrawn()) return;
  auto image = graphics::BitmapContext::finish(std::move(bitmap));
  if (drew || !image->isClear()) contents_ = std::move(image);
}

void Layer::renderInContext(Context& context, double scale) {
  ShownValues shown(*this);
  shown.drawWithTransition(context, [&] { drawTree(context, scale); });
}

void Layer::renderInSuperlayer(Context& context, double scale) {
  ShownValues shown(*this);  // running animations' values, while this layer draws
  if (hidden_ || opacity_ <= 0) return;
  context.saveGState();
  context.concat(toSuperlayer());
  shown.drawWithTransition(context, [&] { drawTree(context, scale); });
  context.restoreGState();
}

void Layer::drawTree(Context& context, double scale) {
  cairo_t* cr = context.cairo();
  bool grouped = opacity_ < 1 || mask_;
  if (grouped) cairo_push_group(cr);
  drawOwn(context, scale);
  if (!grouped) return;
  cairo_pattern_t* content = cairo_pop_group(cr);
  if (mask_) {
    cairo_push_group(cr);
    mask_->renderInSuperlayer(context, scale);
    cairo_pattern_t* cut = cairo_pop_group(cr);
    cairo_push_group(cr);
    cairo_set_source(cr, content);
    cairo_mask(cr, cut);
    cairo_pattern_destroy(cut);
    cairo_pattern_destroy(content);
    content = cairo_pop_group(cr);
  }
  cairo_save(cr);
  cairo_set_source(cr, content);
  cairo_paint_with_alpha(cr, opacity_);
  cairo_restore(cr);
  cairo_pattern_destroy(content);
}

void Layer::drawOwn(Context& context, double scale) {
  graphics::Path outline = boundsPath(bounds_, cornerRadius_);
  if (background_ && background_->alpha() > 0) {
    context.saveGState();
    context.setFillColor(*background_);
    context.fillPath(outline);
    context.restoreGState();
  }
  context.saveGState();
  if (masksToBounds_) context.clipToPath(outline);
  displayIfNeeded(scale);
  if (contents_) context.drawImage(*contents_, bounds_);
  drawInContext(context);
  for (const auto& sub : std::vector<std::shared_ptr<Layer>>(sublayers_)) sub->renderInSuperlayer(context, scale);
  if (delegate_) delegate_->drawLayerOverlay(*this, context);
  context.restoreGState();
  if (borderWidth_ > 0 && borderColor_.alpha() > 0) {
    // The border lies inside the bounds, over the sublayers.
    graphics::Path border = boundsPath(bounds_.insetBy(borderWidth_ / 2, borderWidth_ / 2),
                                       std::max(0.0, cornerRadius_ - borderWidth_ / 2));
    border.lineWidth = borderWidth_;
    context.saveGState();
    context.setStrokeColor(borderColor_);
    context.strokePath(border);
    context.restoreGState();
  }
}

void Layer::willChange(const char* keyPath) { AnimationBlock::noteWillChange(*this, keyPath); }

}  // namespace platform::ui
