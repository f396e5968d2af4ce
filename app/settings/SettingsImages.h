#pragma once

#include <memory>
#include <string>

#include "platform/graphics/Image.h"

namespace app::settings {

// The settings page's images, drawn here rather than shipped, under the names the page asks for:
// "ostrel_white_transparent" (the logo for the dark theme), "ostrel_black_transparent" (for the light
// one) and "slider_thumb" (the knob of the circle-of-confusion slider). Any other name gives none.
class SettingsImages {
 public:
  static std::shared_ptr<platform::graphics::Image> imageNamed(const std::string& name);

 private:
  static std::shared_ptr<platform::graphics::Image> logo(const platform::graphics::Color& ink);
  static std::shared_ptr<platform::graphics::Image> sliderThumb();
};

}  // namespace app::settings
