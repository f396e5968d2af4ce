#pragma once

#include <memory>

#include "app/kit/CustomRadioButtonView.h"
#include "app/kit/StyledViews.h"
#include "app/kit/CustomButton.h"
#include "app/kit/TextButton.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
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

}  // namespace app::setup
