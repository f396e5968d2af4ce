#pragma once

#include <memory>
#include <vector>

#include "app/kit/CustomButton.h"
#include "app/kit/TextButton.h"
#include "app/settings/ReviewAlert.h"
#include "app/setup/CameraSetupButton.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"

namespace app::setup {

// The setup menu's views: the header (the SETUP and FAVORITES tabs, DONE), the setup page with its
// blocks of rows, the saved packages' page with its bar, and the rating card.
struct NewCameraSetupViews {
  std::shared_ptr<platform::ui::View> header, blueIndicatorView, setupView, cameraSetupWithModeView,
      setupWithoutModeView, lensSetupView, filterBarView, noFavoritesView, ReviewAlertView;
  std::shared_ptr<platform::ui::Button> menuSetup, menuFavorites;
  std::shared_ptr<kit::CustomButton> doneBtn, addToFavoritesBtn;
  std::shared_ptr<CameraSetupButton> camera, shootingMode, aspectRatio, frameline, lensSeries, focalLengths,
      lensAdapter, cameraWithoutMode, aspectRatioWithoutMode, framelineWithoutMode;
  std::shared_ptr<platform::ui::TableView> favoriteTable;
  std::shared_ptr<kit::TextButton> favoriteSortBtn;
  std::shared_ptr<platform::ui::ImageView> favoriteSortIcon;
  std::shared_ptr<platform::ui::Label> tapToLoadLabel, noFavoritesLabel;
  std::shared_ptr<settings::ReviewAlert> actualReviewAlert;

  std::vector<std::shared_ptr<CameraSetupButton>> rows() const {
    return {camera, shootingMode, aspectRatio, frameline, lensSeries, focalLengths, lensAdapter,
            cameraWithoutMode, aspectRatioWithoutMode, framelineWithoutMode};
  }
};

}  // namespace app::setup
