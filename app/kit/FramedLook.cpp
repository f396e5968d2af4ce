#include "app/kit/FramedLook.h"

namespace app::kit {

void paintFramedLook(platform::ui::View* outline, platform::ui::Button& button, const FramedLook& look) {
  if (outline) {
    outline->setBackgroundColor(look.background);
    outline->layer().setBorderColor(look.border);
  }
  button.setTitleColor(look.text, platform::ui::ControlState::Normal);
}

}  // namespace app::kit

