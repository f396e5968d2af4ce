#pragma once

#include <memory>

#include "app/kit/CustomRadioButtonView.h"
#include "app/kit/StyledViews.h"
#include "app/kit/CustomButton.h"
#include "app/kit/TextButton.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/TextField.h"

namespace app::setup {

// The lens picker's views as its layout leaves them, before the screen gives them texts and actions.
//
// From the top: the top bar (back, title, exit, done), raised out of sight while searching or while a
// form is open, uncovering the row beneath it (search bar with its cancel button, or a form's cancel,
// title and save); the filter bar (filter button, the series name, search) with the filter menu that
// slides out under it; the two pages side by side (the series table, the lens table); the bottom row
// (create button, lens count). The forms lie over the pages.
struct LensPickerViews {
  std::shared_ptr<kit::TopBarView> topBar;
  std::shared_ptr<kit::GeneralBackgroundView> statusCover;  // over the top inset, hiding the raised top bar
  std::shared_ptr<kit::TopBarTitleLabel> topBarTitleLabel;
  std::shared_ptr<platform::ui::Button> backBtn, exitBtn;
  std::shared_ptr<kit::CustomButton> doneBtn;

  std::shared_ptr<kit::StyledSearchBar> searchFormatBar;
  std::shared_ptr<platform::ui::Button> searchCancelBtn, backFilterBarBtn;
  std::shared_ptr<platform::ui::Label> titleLabel;  // the open form's title
  std::shared_ptr<kit::CustomButton> saveBtn;

  std::shared_ptr<kit::FilterBarView> filterLensesView;
  std::shared_ptr<kit::TextButton> filterLensesBtn;
  std::shared_ptr<platform::ui::ImageView> filterLensIcon;
  std::shared_ptr<platform::ui::Label> filterBarTitleLabel;
  std::shared_ptr<platform::ui::Button> searchBtn;
  std::shared_ptr<platform::ui::View> filterMenuClip;  // shows the menu only below the filter bar
  std::shared_ptr<kit::FilterBarView> filterMenuView;
  std::shared_ptr<kit::TextButton> filterLensesPrimesBtn, filterLensesZoomsBtn, filterLensesSphericalBtn,
      filterLensesAnamorphicBtn, filterLensesClearBtn;

  std::shared_ptr<kit::GeneralTableView> lensSeriesTableView, focalLengthsTableView;

  std::shared_ptr<kit::CustomButton> createNewBtn;
  std::shared_ptr<platform::ui::Label> primeLensCountLabel;

  std::shared_ptr<kit::GeneralBackgroundView> customLensSeriesView;
  std::shared_ptr<kit::StyledTextField> customLensSeriesNameTextField, customLensSeriesSqueezeTextField;
  std::shared_ptr<kit::CustomRadioButtonView> customLensSeriesTypeRadioBtn;
  std::shared_ptr<kit::GeneralBackgroundView> customPrimeLensView;
  std::shared_ptr<platform::ui::Label> customPrimeLensLabel;
  std::shared_ptr<platform::ui::Label> customPrimeLensCaption;  // the focal length's bounds
  std::shared_ptr<kit::StyledTextField> customPrimeLensTextField;
  std::shared_ptr<kit::GeneralBackgroundView> customZoomLensView;
  std::shared_ptr<platform::ui::Label> customZoomLensLabel;
  std::shared_ptr<platform::ui::Label> customZoomLensCaption;  // the bounds of both ends
  std::shared_ptr<kit::StyledTextField> customZoomMinTextField, customZoomMaxTextField;
};

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

