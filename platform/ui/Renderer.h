#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/graphics/Image.h"
#include "platform/ui/View.h"

namespace platform::ui {

class Window;

// Composites a view tree into pixels: lays it out, brings every out-of-date view's contents up to date,
// then draws the layers back to front, each subtree at its own opacity. The same tree renders to the
// same bytes every time.
class Renderer {
 public:
  // The window at its screen's scale, over the black of the screen behind it.
  static std::shared_ptr<graphics::Image> render(Window& window);
  // Any view, in its own frame size, over a backdrop (clear when none).
  static std::shared_ptr<graphics::Image> render(View& view, double scale,
                                                 std::optional<Color> backdrop = std::nullopt);
  // The window written as a PNG file; false when it could not be written.
  static bool writePNG(Window& window, const std::string& path);
};

}  // namespace platform::ui
