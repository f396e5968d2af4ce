#pragma once

#include <cstdint>

#include "app/setup/LensAdapterViews.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/View.h"

namespace app::setup {

// Makes the lens-adapter picker's views and places them by hand, in place of its storyboard scene.
class LensAdapterLayout {
 public:
  static constexpr double kSide = 16;
  static constexpr int64_t kFactorFieldTag = 1;  // the name field follows it

  // The numbers the screen moves its views by.
  struct Moves {
    const platform::ui::LayoutConstraint& topBarConstraint;
    const platform::ui::LayoutConstraint& createNewBtnLeadingConstraint;
  };

  // Every view made, styled in the current theme and added to `root`.
  static LensAdapterViews build(platform::ui::View& root);
  // Places them in `bounds`, inside the safe area's top and bottom.
  static void layOut(const LensAdapterViews& views, const Moves& moves, const platform::ui::Rect& bounds,
                     const platform::ui::EdgeInsets& safe);
};

}  // namespace app::setup
