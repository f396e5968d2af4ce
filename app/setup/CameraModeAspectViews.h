#pragma once

#include <memory>
#include <vector>

#include "app/kit/CustomButton.h"
#include "app/kit/TextButton.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"

namespace app::setup {

// The camera picker's views: the top bar (back, title, exit), the bar under it (create, the search,
// the filter button, or an open form's title, close and save), the filter menu sliding out under it,
// the forms for a camera and an aspect ratio of the person's own, and the three lists side by side.
struct CameraModeAspectViews {
  std::shared_ptr<platform::ui::View> topBar, secondBar, filterCameraView, filterMenuView, customFormatView,
      customFramelineView;
  std::shared_ptr<platform::ui::Label> topBarTitleLabel, filterBarTitleLabel;
  std::shared_ptr<platform::ui::Button> backBtn, exitBtn, searchBtn, searchCancelBtn, filterCameraBtn;
  std::shared_ptr<platform::ui::ImageView> filterCameraIcon;
  std::shared_ptr<platform::ui::SearchBar> searchFormatBar;
  std::shared_ptr<kit::TextButton> filterCameraCineBtn, filterCameraPhotoBtn;
  std::shared_ptr<kit::CustomButton> createNewBtn, saveBtn;
  std::shared_ptr<platform::ui::TextField> customFormatNameTextField, customFormatSensorWidthTextField,
      customFormatSensorHeightTextField, customAspectRatioWidthTextField, customAspectRatioHeightTextField;
  std::vector<std::shared_ptr<platform::ui::Label>> formLabels;
  std::shared_ptr<platform::ui::TableView> cameraTableView, shootingModeTableView, aspectRatioTableView;
};

}  // namespace app::setup
