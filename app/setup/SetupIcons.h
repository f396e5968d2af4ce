#pragma once

#include <memory>

#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"

namespace app::setup {

// The small pictures of the setup screens, drawn in code at twice the point size. Each takes the
// colour it is drawn in, so it follows the theme in force when it is made.
struct SetupIcons {
  using Color = platform::graphics::Color;
  using Image = platform::graphics::Image;

  static std::shared_ptr<Image> check(const Color& color);    // 20 x 20: a tick
  static std::shared_ptr<Image> radio(const Color& color);    // 20 x 20: a ring with a dot
  static std::shared_ptr<Image> filter(const Color& color);   // 22 x 22: a funnel
  static std::shared_ptr<Image> search(const Color& color);   // 22 x 22: a magnifier
  static std::shared_ptr<Image> close(const Color& color);    // 22 x 22: a cross
  static std::shared_ptr<Image> back(const Color& color);     // 22 x 22: a chevron to the left
  static std::shared_ptr<Image> sortDown(const Color& color); // 14 x 14: bars shortening over an arrow
};

}  // namespace app::setup

