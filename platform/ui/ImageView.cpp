#include "platform/ui/ImageView.h"

#include <algorithm>

#include "platform/graphics/Context.h"

namespace platform::ui {

ImageView::ImageView(const Rect& frame) : View(frame) { setUserInteractionEnabled(false); }

ImageView::ImageView(std::shared_ptr<graphics::Image> image)
    : ImageView(Rect{{0, 0}, image ? image->size() : Size{}}) {
  image_ = std::move(image);
}

void ImageView::setImage(std::shared_ptr<graphics::Image> image) {
  image_ = std::move(image);
  setNeedsDisplay();
}

void ImageView::setContentMode(ContentMode mode) {
  mode_ = mode;
  setNeedsDisplay();
}

Rect ImageView::imageRect() const {
  Rect b = bounds();
  if (!image_) return {};
  Size s = image_->size();
  if (s.width <= 0 || s.height <= 0) return {};
  auto centred = [&](Size size) {
    return Rect{b.minX() + (b.width() - size.width) / 2, b.minY() + (b.height() - size.height) / 2, size.width,
                size.height};
  };
  switch (mode_) {
    case ContentMode::ScaleToFill: return b;
    case ContentMode::ScaleAspectFit: {
      double k = std::min(b.width() / s.width, b.height() / s.height);
      return centred({s.width * k, s.height * k});
    }
    case ContentMode::ScaleAspectFill: {
      double k = std::max(b.width() / s.width, b.height() / s.height);
      return centred({s.width * k, s.height * k});
    }
    case ContentMode::Center: return centred(s);
    case ContentMode::Top: return {centred(s).minX(), b.minY(), s.width, s.height};
    case ContentMode::Bottom: return {centred(s).minX(), b.maxY() - s.height, s.width, s.height};
    case ContentMode::Left: return {b.minX(), centred(s).minY(), s.width, s.height};
    case ContentMode::Right: return {b.maxX() - s.width, centred(s).minY(), s.width, s.height};
  }
  return b;
}

Size ImageView::sizeThatFits(Size) const { return image_ ? image_->size() : Size{}; }

Size ImageView::intrinsicContentSize() const { return image_ ? image_->size() : Size{-1, -1}; }

void ImageView::drawRect(const Rect&) {
  Context* context = graphics::currentContext();
  if (!context || !image_) return;
  context->saveGState();
  context->clipToRect(bounds());  // aspect fill and the fixed-size modes may overflow
  context->drawImage(*image_, imageRect());
  context->restoreGState();
}

}  // namespace platform::ui
