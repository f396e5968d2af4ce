#include "platform/ui/Renderer.h"

#include <utility>

#include "platform/graphics/Context.h"
#include "platform/ui/Window.h"

namespace platform::ui {

std::shared_ptr<graphics::Image> Renderer::render(View& view, double scale, std::optional<Color> backdrop) {
  view.layoutIfNeeded();
  Rect b = view.bounds();
  auto context = graphics::BitmapContext::create(b.size, scale);
  if (!context) return nullptr;
  if (backdrop) {
    context->setFillColor(*backdrop);
    context->fillRect({{0, 0}, b.size});
  }
  // The view's own position and transform place it in its superview, not on this canvas: draw its
  // bounds at the origin, keeping only its opacity and hidden flag.
  if (!view.isHidden() && view.alpha() > 0) {
    context->translate(-b.minX(), -b.minY());
    view.layer().renderInContext(*context, scale);
  }
  return graphics::BitmapContext::finish(std::move(context));
}

std::shared_ptr<graphics::Image> Renderer::render(Window& window) {
  return render(window, window.scale(), Color::blackColor());
}

bool Renderer::writePNG(Window& window, const std::string& path) {
  auto image = render(window);
  return image && image->writePNG(path);
}

}  // namespace platform::ui
