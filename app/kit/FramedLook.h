#pragma once

#include "platform/ui/Button.h"

namespace app::kit {

// The look of a framed button: its outline's background and border and its title colour. The framed
// button and the settings button share it.

struct FramedLook {
  platform::graphics::Color background = platform::graphics::Color::clearColor();
  platform::graphics::Color border = platform::graphics::Color::clearColor();
  platform::graphics::Color text = platform::graphics::Color::clearColor();
};

// Paints the look; an outline already gone (it is held weakly) leaves only the title.
void paintFramedLook(platform::ui::View* outline, platform::ui::Button& button, const FramedLook& look);

}  // namespace app::kit

