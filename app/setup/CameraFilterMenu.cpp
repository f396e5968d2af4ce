#include "app/setup/CameraFilterMenu.h"

#include "app/kit/UIConstants.h"
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/SetupIcons.h"
#include "platform/ui/AnimationOptions.h"

using platform::ui::View;

namespace app::setup {

namespace {

constexpr double kFilterSlide = 0.2;
constexpr double kFilterSettle = 0.1;

std::shared_ptr<CameraModeAspectViewController> filterScreenOf(const std::weak_ptr<platform::runtime::Object>& weak) {
  return std::static_pointer_cast<CameraModeAspectViewController>(weak.lock());
}

}  // namespace

CameraListSource::Filter CameraFilterMenu::filter() const {
  using Filter = CameraListSource::Filter;
  return filterCineActive ? Filter::Cine : (filterPhotoActive ? Filter::Photo : Filter::None);
}

void CameraFilterMenu::buttonDown() {
  screen_.views().filterCameraIcon->setImage(SetupIcons::filter(kit::UIConstants::blue()));
}

void CameraFilterMenu::buttonUp() {
  screen_.views().filterCameraIcon->setImage(SetupIcons::filter(kit::UIConstants::contrastText()));
}

void CameraFilterMenu::showLooks() {
  const auto& v = screen_.views();
  const bool on = filterCineActive || filterPhotoActive;
  v.filterCameraIcon->setImage(SetupIcons::filter(on ? kit::UIConstants::blue() : kit::UIConstants::contrastText()));
  v.filterCameraBtn->setSelected(on);
  if (filterCineActive) v.filterCameraCineBtn->setFilterSelected(); else v.filterCameraCineBtn->setFilterNotSelected();
  if (filterPhotoActive) v.filterCameraPhotoBtn->setFilterSelected(); else v.filterCameraPhotoBtn->setFilterNotSelected();
}

void CameraFilterMenu::toggle() {
  const auto& v = screen_.views();
  if (filterMenuOpen) {
    close(screen_.searchActive);
    return;
  }
  filterMenuOpen = true;
  v.filterCameraIcon->setImage(SetupIcons::filter(kit::UIConstants::blue()));
  v.filterCameraBtn->setSelected(true);
  std::weak_ptr<platform::runtime::Object> weak = screen_.weak_from_this();
  View::animate(
      kFilterSlide, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        screen_.views().filterCameraCineBtn->setAlpha(0.5);
        screen_.views().filterCameraPhotoBtn->setAlpha(0.5);
        screen_.filterMenuTopConstraint.setConstant(0);
        screen_.view()->setNeedsLayout();
        screen_.view()->layoutIfNeeded();
      },
      [weak](bool) {
        auto screen = filterScreenOf(weak);
        if (!screen) return;
        View::animate(kFilterSettle, 0, platform::ui::AnimationOptionCurveEaseOut, [screen] {
          screen->views().filterCameraCineBtn->setAlpha(1);
          screen->views().filterCameraPhotoBtn->setAlpha(1);
        });
      });
}

void CameraFilterMenu::close(bool keepCreateHidden) {
  filterMenuOpen = false;
  std::weak_ptr<platform::runtime::Object> weak = screen_.weak_from_this();
  View::animate(
      kFilterSlide, 0, platform::ui::AnimationOptionCurveEaseInOut,
      [this] {
        screen_.filterMenuTopConstraint.setConstant(-CameraModeAspectLayout::kFilterMenuHeight);
        screen_.view()->setNeedsLayout();
        screen_.view()->layoutIfNeeded();
      },
      [weak, keepCreateHidden](bool) {
        auto screen = filterScreenOf(weak);
        if (!screen) return;
        screen->filterMenu().showLooks();
        View::animate(kFilterSettle, 0, platform::ui::AnimationOptionCurveEaseOut, [screen, keepCreateHidden] {
          if (!keepCreateHidden && !screen->searchActive && screen->menuPosition != 2 && !screen->newFormatCreation) {
            screen->views().createNewBtn->setAlpha(1);
          }
        });
      });
}

void CameraFilterMenu::closeAtOnce() {
  filterMenuOpen = false;
  clearFilters();
  screen_.filterMenuTopConstraint.setConstant(-CameraModeAspectLayout::kFilterMenuHeight);
  showLooks();
}

void CameraFilterMenu::clearFilters() {
  filterCineActive = false;
  filterPhotoActive = false;
}

void CameraFilterMenu::cinePressed() {
  if (!filterCineActive) {
    filterCineActive = true;
    filterPhotoActive = false;
  } else {
    filterCineActive = false;
  }
  reload();
}

void CameraFilterMenu::photoPressed() {
  if (!filterPhotoActive) {
    filterPhotoActive = true;
    filterCineActive = false;
  } else {
    filterPhotoActive = false;
  }
  reload();
}

void CameraFilterMenu::reload() {
  showLooks();
  screen_.views().filterCameraIcon->setImage(SetupIcons::filter(kit::UIConstants::blue()));
  screen_.loadCameraManufacturerList();
  screen_.views().cameraTableView->reloadData();
}

}  // namespace app::setup
