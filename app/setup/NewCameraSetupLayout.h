#pragma once

#include "app/setup/NewCameraSetupViews.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/View.h"

namespace app::setup {

// Makes the setup menu's views and places them by hand, in place of its storyboard scene.
class NewCameraSetupLayout {
 public:
  static constexpr double kRowHeight = 60;
  static constexpr double kReviewAlertHeight = 101;

  // The numbers the screen moves its views by.
  struct Moves {
    const platform::ui::LayoutConstraint& blueIndicatorViewLeadConstraint;
    const platform::ui::LayoutConstraint& reviewAlertBottomConstraint;
    const platform::ui::LayoutConstraint& lensSetupTopConstraint;
  };

  // Every view made, styled in the current theme and added to `root`.
  static NewCameraSetupViews build(platform::ui::View& root);
  // Places them in `bounds`, inside the safe area's top and bottom.
  static void layOut(const NewCameraSetupViews& views, const Moves& moves, const platform::ui::Rect& bounds,
                     const platform::ui::EdgeInsets& safe);
};

}  // namespace app::setup
