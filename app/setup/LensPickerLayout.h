#pragma once

#include "app/setup/LensPickerViews.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/View.h"

namespace app::setup {

// The numbers the screen moves its views by.
struct LensPickerConstraints {
  platform::ui::LayoutConstraint topBarConstraint;         // 0 shown, -50 raised
  platform::ui::LayoutConstraint filterMenuTopConstraint;  // 0 open, minus the menu's height closed
  platform::ui::LayoutConstraint createNewBtnLeadingConstraint;
  platform::ui::LayoutConstraint leadingConstraintLensSeriesTable;
  platform::ui::LayoutConstraint leadingConstraintFocalLengthsTable;
};

class LensPickerLayout {
 public:
  static constexpr double kBarHeight = 50;
  static constexpr double kFilterBarHeight = 44;
  static constexpr double kFilterMenuHeight = 76;
  static constexpr double kBottomHeight = 64;
  static constexpr double kRowHeight = 40;
  // The tags that chain each form's fields for Next; the squeeze field's is fixed at 11.
  static constexpr int kNameTag = 10;
  static constexpr int kSqueezeTag = 11;
  static constexpr int kPrimeTag = 20;
  static constexpr int kZoomMinTag = 30;
  static constexpr int kZoomMaxTag = 31;

  // Every view made, styled in the current theme and added to `root`.
  static LensPickerViews build(platform::ui::View& root);
  // Places them in the root's bounds below the top safe inset.
  static void layOut(const LensPickerViews& views, const LensPickerConstraints& constraints,
                     const platform::ui::Rect& bounds, double safeTop);
};

}  // namespace app::setup
