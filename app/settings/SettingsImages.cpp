#include "app/settings/SettingsImages.h"

#include "platform/graphics/Context.h"

namespace app::settings {

using platform::graphics::Color;

std::shared_ptr<platform::graphics::Image> SettingsImages::imageNamed(const std::string& name) {
  if (name == "ostrel_white_transparent") return logo(Color::whiteColor());
  if (name == "ostrel_black_transparent") return logo(Color::blackColor());
  if (name == "slider_thumb") return sliderThumb();
  return nullptr;
}

// Two lens rings side by side, one a little behind the other: the two packages the app compares.
std::shared_ptr<platform::graphics::Image> SettingsImages::logo(const Color& ink) {
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

// A small light knob with a darker rim, so it stands out on the dark and on the light theme alike (an
// image does not follow the theme, and the slider's track is a low-contrast line in both).
std::shared_ptr<platform::graphics::Image> SettingsImages::sliderThumb() {
  auto context = platform::graphics::BitmapContext::create({20, 20}, 2);
  context->setFillColor(Color::fromBytes(150, 150, 150));
  context->fillEllipse({1, 1, 18, 18});
  context->setFillColor(Color::fromBytes(232, 232, 232));
  context->fillEllipse({2.5, 2.5, 15, 15});
  return context->makeImage();
}

}  // namespace app::settings
