#pragma once

#include <array>
#include <memory>

#include "app/kit/MenuScrollView.h"
#include "app/main/InputScrollView.h"
#include "app/main/ValueDisplayView.h"
#include "app/pages/CoverageView.h"
#include "app/pages/DOFView.h"
#include "app/pages/FOVView.h"
#include "app/pages/LensMatchView.h"
#include "app/pages/SensorsView.h"
#include "app/settings/SettingsView.h"
#include "platform/graphics/Color.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"

namespace app::main {

// The main screen's views, made in code in place of its storyboard scene.
struct MainScreenViews {
  std::shared_ptr<kit::MenuScrollView> menuScrollView;
  std::shared_ptr<platform::ui::View> formatView, formatBGView, secondFormatView, secondFormatBGView;
  std::shared_ptr<platform::ui::Button> formatButtonOne, formatButtonTwo;
  std::shared_ptr<platform::ui::Label> formatOneLabel, formatTwoLabel, lensSetOneLabel, lensSetTwoLabel,
      adapterOneLabel, adapterTwoLabel;
  std::shared_ptr<InputScrollView> focalLengthScrollBar, apertureScrollBar, distanceScrollBar,
      SecondFocalLengthScrollBar, secondApertureScrollBar;
  std::shared_ptr<ValueDisplayView> valueDisplayView, secondValueDisplayView;
  std::shared_ptr<platform::ui::Button> overlayValueFormatOneA, overlayValueFormatOneB, overlayValueFormatTwoA,
      overlayValueFormatTwoB;
  std::shared_ptr<platform::ui::View> safeAreaBlankingView;
  std::shared_ptr<pages::DOFView> DOFResultView;
  std::shared_ptr<pages::FOVView> FOVResultView;
  std::shared_ptr<pages::LensMatchView> lensMatchView;
  std::shared_ptr<pages::SensorsView> sensorsView;
  std::shared_ptr<pages::CoverageView> coverageView;
  std::shared_ptr<settings::SettingsView> settingsView;

  std::array<std::shared_ptr<InputScrollView>, 5> bars() const {
    return {focalLengthScrollBar, apertureScrollBar, distanceScrollBar, SecondFocalLengthScrollBar,
            secondApertureScrollBar};
  }
  std::array<std::shared_ptr<platform::ui::View>, 6> pages() const {
    return {DOFResultView, FOVResultView, lensMatchView, sensorsView, coverageView, settingsView};
  }
};

// The constants the screen changes in code; their base values and the rest of the geometry are the
// layout's own (MainScreenLayout.cpp).
struct MainScreenConstraints {
  platform::ui::LayoutConstraint formatOneLabelTopConstraint, formatTwoLabelTopConstraint;
  platform::ui::LayoutConstraint distanceScrollBarBottomConstraint, apertureScrollBarBottomConstraint;
  platform::ui::LayoutConstraint secondFocalLengthTopConstraint;
  platform::ui::LayoutConstraint valueDisplayViewOneBottomConstraint, valueDisplayViewTwoBottomConstraint;
};

inline constexpr double kMenuHeight = 44;
inline constexpr double kHeaderHeight = 56;
inline constexpr double kBarHeight = 64;
inline constexpr double kValueDisplayHeight = 44;

// Makes every view of the screen into `root`, in the order they overlap.
void buildMainScreen(platform::ui::View& root, MainScreenViews& views);
// Places the views for the constraint constants as they stand, within the safe area.
void layOutMainScreen(platform::ui::View& root, const MainScreenViews& views, const MainScreenConstraints& c,
                      const platform::ui::EdgeInsets& safeArea);

}  // namespace app::main

