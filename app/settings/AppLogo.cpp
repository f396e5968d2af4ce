#include "app/settings/AppLogo.h"

#include <cmath>

#include "platform/graphics/Context.h"

namespace app::settings {

using platform::graphics::Color;

std::shared_ptr<platform::graphics::Image> logoImageNamed(const std::string& name) {
  Color ink;
  if (name == "ostrel_white_transparent") {
    ink = Color::whiteColor();
  } else if (name == "ostrel_black_transparent") {
    ink = Color::blackColor();
  } else {
    return nullptr;
  }
  // Two lens rings side by side, one a little behind the other: the two packages the app compares.
  auto context = platform::graphics::BitmapContext::create({96, 60}, 2);
  context->setStrokeColor(ink);
  context->setLineWidth(5);
  context->addEllipse({8, 8, 44, 44});
  context->strokePath();
  context->setAlpha(0.6);
  context->addEllipse({44, 8, 44, 44});
  context->strokePath();
  return context->makeImage();
}

}  // namespace app::settings

