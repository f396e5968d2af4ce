#pragma once

#include <memory>
#include <string>

#include "platform/graphics/Image.h"

namespace app::settings {

// The app's logo images, drawn here rather than shipped: "ostrel_white_transparent" for the dark theme,
// "ostrel_black_transparent" for the light one. Any other name gives none.
std::shared_ptr<platform::graphics::Image> logoImageNamed(const std::string& name);

}  // namespace app::settings

