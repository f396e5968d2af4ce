#pragma once

#include "app/main/MainScreenLayout.h"

namespace app::main {

// Which of the main screen's views each of its six pages shows, and where the bars stand on it: a
// page's own view is shown and the other five hidden; the settings page hides everything of the
// packages and leaves the constants as they were.
class MainScreenPages {
 public:
  // Shows `page` (1 to 6; any other number changes nothing) on a phone small or not.
  static void show(const MainScreenViews& views, MainScreenConstraints& constraints, int page, bool smallPhone);
};

}  // namespace app::main
