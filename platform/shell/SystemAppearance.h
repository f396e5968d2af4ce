#pragma once

#include "platform/ui/Window.h"

namespace platform::shell {

// The system's light or dark setting, switched from outside the app as a phone's control centre or
// settings app does: an active app resigns active while the setting changes and the window follows it,
// then becomes active again. That interruption is when an app that follows the system hears of the
// change. The runner's `appearance` step and the desktop window's F2 both switch it here.
class SystemAppearance {
 public:
  static void switchTo(ui::Window& window, bool dark);
};

}  // namespace platform::shell
