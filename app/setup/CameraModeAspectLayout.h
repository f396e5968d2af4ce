#pragma once

#include <cstdint>

#include "app/setup/CameraModeAspectViews.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/View.h"

namespace app::setup {

// Makes the camera picker's views and places them by hand, in place of its storyboard scene.
class CameraModeAspectLayout {
 public:
  static constexpr double kRowHeight = 40;
  static constexpr double kFilterMenuHeight = 44;
  static constexpr double kSide = 16;
  // Form fields, tagged in order inside their form for the Next button.
  static constexpr int64_t kNameFieldTag = 1, kSensorWidthFieldTag = 2, kSensorHeightFieldTag = 3;
  static constexpr int64_t kRatioWidthFieldTag = 1, kRatioHeightFieldTag = 2;

  // The numbers the screen moves its views by.
  struct Moves {
    const platform::ui::LayoutConstraint& leadingConstraintCameraTable;
    const platform::ui::LayoutConstraint& leadingConstraintShootingModeTable;
    const platform::ui::LayoutConstraint& leadingConstraintAspectRatioTable;
    const platform::ui::LayoutConstraint& topBarConstraint;
    const platform::ui::LayoutConstraint& filterMenuTopConstraint;
    const platform::ui::LayoutConstraint& createNewBtnLeadingConstraint;
    const platform::ui::LayoutConstraint& createNewButtonWidthConstraint;
  };

  // Every view made, styled in the current theme and added to `root`.
  static CameraModeAspectViews build(platform::ui::View& root);
  // Places them in `bounds`, below the safe area's top.
  static void layOut(const CameraModeAspectViews& views, const Moves& moves, const platform::ui::Rect& bounds,
                     double safeTop);

 private:
  static void buildForms(CameraModeAspectViews& views, platform::ui::View& root);
};

}  // namespace app::setup
