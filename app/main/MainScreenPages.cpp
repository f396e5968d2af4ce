#include "app/main/MainScreenPages.h"

#include <optional>

using platform::ui::View;

namespace app::main {

namespace {

// Which of the screen's views a page shows; the page's own view is always shown and the other five
// hidden.
struct PageLook {
  bool header, valueDisplay, blanking, focalLength, aperture, distance, packageTwoBars, secondHeader;
  double distanceBottom, apertureBottom;
  std::optional<double> secondFocalLengthTop;
};

PageLook pageLook(int page, bool smallPhone) {
  switch (page) {
    case 1: return {true, true, true, true, true, true, false, false, 0, 0, std::nullopt};
    case 2: return {true, true, true, true, false, true, false, false, 0, -64, std::nullopt};
    case 3: return {true, true, true, true, true, false, true, true, 64, 0, 0.0};
    case 4:
      return {true, false, false, false, false, false, false, true, smallPhone ? 188.0 : 128.0, 0,
              smallPhone ? -120.0 : -60.0};
    default: return {true, false, true, true, false, false, false, false, 128, 0, -60.0};
  }
}

double alpha(bool shown) { return shown ? 1 : 0; }

}  // namespace

void MainScreenPages::show(const MainScreenViews& v, MainScreenConstraints& constraints, int page, bool smallPhone) {
  if (page < 1 || page > 6) return;
  const auto pages = v.pages();
  for (size_t i = 0; i < pages.size(); ++i) pages[i]->setAlpha(alpha(static_cast<int>(i) + 1 == page));
  if (page == 6) {
    for (const auto& view : std::initializer_list<std::shared_ptr<View>>{
             v.formatView, v.formatBGView, v.valueDisplayView, v.safeAreaBlankingView, v.focalLengthScrollBar,
             v.apertureScrollBar, v.distanceScrollBar, v.SecondFocalLengthScrollBar, v.secondApertureScrollBar,
             v.secondValueDisplayView, v.secondFormatView, v.secondFormatBGView, v.formatButtonOne,
             v.formatButtonTwo}) {
      view->setAlpha(0);
    }
    return;
  }
  const PageLook look = pageLook(page, smallPhone);
  v.formatView->setAlpha(alpha(look.header));
  v.formatBGView->setAlpha(alpha(look.header));
  v.valueDisplayView->setAlpha(alpha(look.valueDisplay));
  v.safeAreaBlankingView->setAlpha(alpha(look.blanking));
  v.focalLengthScrollBar->setAlpha(alpha(look.focalLength));
  v.apertureScrollBar->setAlpha(alpha(look.aperture));
  v.distanceScrollBar->setAlpha(alpha(look.distance));
  for (const auto& view : std::initializer_list<std::shared_ptr<View>>{
           v.SecondFocalLengthScrollBar, v.secondApertureScrollBar, v.secondValueDisplayView}) {
    view->setAlpha(alpha(look.packageTwoBars));
  }
  v.secondFormatView->setAlpha(alpha(look.secondHeader));
  v.secondFormatBGView->setAlpha(alpha(look.secondHeader));
  // A header's button goes with its header: a hidden header takes no press.
  v.formatButtonOne->setAlpha(alpha(look.header));
  v.formatButtonTwo->setAlpha(alpha(look.secondHeader));
  constraints.distanceScrollBarBottomConstraint.setConstant(look.distanceBottom);
  constraints.apertureScrollBarBottomConstraint.setConstant(look.apertureBottom);
  if (look.secondFocalLengthTop) constraints.secondFocalLengthTopConstraint.setConstant(*look.secondFocalLengthTop);
}

}  // namespace app::main
