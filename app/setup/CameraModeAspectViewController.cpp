#include "app/setup/CameraModeAspectViewController.h"

#include "app/kit/UIConstants.h"
#include "app/settings/BasicGuide.h"
#include "app/settings/InteractiveGuideManager.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupText.h"
#include "platform/foundation/Format.h"
#include "platform/ui/AnimationOptions.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::View;

namespace app::setup {

namespace {

constexpr double kPageSlide = 0.3;

using app::setup::localized;

}  // namespace

CameraModeAspectViewController::CameraModeAspectViewController()
    : ViewController(platform::runtime::classOf<CameraModeAspectViewController>()) {}

void CameraModeAspectViewController::viewDidLoad() {
  auto& v = views_;
  const auto& searchField = v.searchFormatBar->searchTextField();
  searchField->setTextColor(kit::UIConstants::textFieldTextColor());
  searchField->setBackgroundColor(kit::UIConstants::textFieldBG());
  searchField->setBorderStyle(platform::ui::TextBorderStyle::None);
  searchField->layer().setCornerRadius(4.0);
  searchField->setFont(kit::UIConstants::romanFontWithSize(15));
  markCropList = true;
  searching = false;
  filterMenuOpen = false;
  filterMenuTopConstraint.setConstant(-kFilterMenuHeight);
  v.createNewBtn->styleCustomButtonWithString(localized("+ ADD CUSTOM CAMERA"), 0);
  v.createNewBtn->setBackgroundColor(Color::clearColor());
  v.saveBtn->styleCustomButtonWithString(localized("SAVE"), 2);
  v.saveBtn->setBackgroundColor(Color::clearColor());
  setUpForms();
  for (const auto& table : {v.cameraTableView, v.shootingModeTableView, v.aspectRatioTableView}) {
    table->setDataSource(this);
    table->setDelegate(this);
  }
  v.searchFormatBar->setDelegate(this);
}

void CameraModeAspectViewController::viewWillAppear(bool) {
  myInteractiveGuideManager_ = settings::InteractiveGuideManager::ofApplication();
  myInteractiveGuideManager_->registerViewForInteractiveGuide(std::shared_ptr<settings::InteractiveGuideDelegate>(self(), this),
                                                              view(), kGuideScreen);
  oldCameraManuID = currentCameraManuID = SetupControllerUtil::getCurrentCameraManufacturerID();
  oldShootingModeID = currentShootingModeID = SetupControllerUtil::getCurrentShootingModeID();
  oldAspectRatioID = currentAspectRatioID = SetupControllerUtil::getCurrentCropID();
  bindUI();
  loadDataFromDB();

  openedOnModesOrRatios_ = startWithShootingMode || startWithAspectRatio;
  const int page = startWithShootingMode ? 2 : (startWithAspectRatio ? 3 : 1);
  menuPosition = page;
  placeTables(page);
  if (page != 1) showHeaderFor(page);
  if (page == 3) {
    myInteractiveGuideManager_->viewTimeCount = 0;
    myInteractiveGuideManager_->aspectRatioShown = true;
  }
  view()->setNeedsLayout();
  view()->layoutIfNeeded();
  setInitialTableViewState();
}

void CameraModeAspectViewController::viewDidAppear(bool) {
  // Only now do the tables have their size: the chosen rows are scrolled to the middle again.
  view()->layoutIfNeeded();
  setInitialTableViewState();
  if (positionNativeAspect) {
    views_.aspectRatioTableView->scrollToRowAtIndexPath(
        platform::ui::IndexPath::forRow(static_cast<int64_t>(*positionNativeAspect), 0),
        platform::ui::TableViewScrollPosition::Middle, false);
  }
}

void CameraModeAspectViewController::viewWillDisappear(bool) {
  if (myInteractiveGuideManager_) myInteractiveGuideManager_->unregisterViewForInteractiveGuide();
  myInteractiveGuideManager_.reset();
}

void CameraModeAspectViewController::bindUI() {
  // Set again on every appearance; a target-action pair is kept once however often it is added.
  auto& v = views_;
  using Self = CameraModeAspectViewController;
  v.backBtn->addTarget(this, &Self::backButtonPressed, ControlEvent::TouchUpInside);
  v.exitBtn->addTarget(this, &Self::exitButtonPressed, ControlEvent::TouchUpInside);
  v.searchBtn->addTarget(this, &Self::searchButtonPressed, ControlEvent::TouchUpInside);
  v.searchCancelBtn->addTarget(this, &Self::searchCancelButtonPressed, ControlEvent::TouchUpInside);
  v.filterCameraBtn->addTarget(this, &Self::filterButtonDown, ControlEvent::TouchDown);
  v.filterCameraBtn->addTarget(this, &Self::filterButtonUp, ControlEvent::TouchUpOutside | ControlEvent::TouchCancel);
  v.filterCameraBtn->addTarget(this, &Self::filterButtonPressed, ControlEvent::TouchUpInside);
  v.filterCameraCineBtn->addTarget(this, &Self::filterCineButtonPressed, ControlEvent::TouchUpInside);
  v.filterCameraPhotoBtn->addTarget(this, &Self::filterPhotoButtonPressed, ControlEvent::TouchUpInside);
  v.createNewBtn->button()->addTarget(this, &Self::createNewButtonPressed, ControlEvent::TouchUpInside);
  v.saveBtn->button()->addTarget(this, &Self::saveBtnPressed, ControlEvent::TouchUpInside);
}

void CameraModeAspectViewController::loadDataFromDB() {
  loadCameraManufacturerList();
  views_.cameraTableView->reloadData();
  const auto package = SetupControllerUtil::getCurrentPackage();
  if (!package) return;
  if (package->cameraManufacturer) loadShootingModesForManufacturer(package->cameraManufacturer->manufacturerId);
  if (package->shootingMode) loadAspectRatioList(*package->shootingMode);
}

void CameraModeAspectViewController::setInitialTableViewState() {
  const auto middle = platform::ui::TableViewScrollPosition::Middle;
  if (const auto camera = indexPathOfCamera(currentCameraManuID)) {
    views_.cameraTableView->selectRowAtIndexPath(camera, false, middle);
  }
  if (const auto mode = indexPathOfMode(currentShootingModeID)) {
    views_.shootingModeTableView->selectRowAtIndexPath(mode, false, middle);
  }
}

std::string CameraModeAspectViewController::subHeaderForModes() const {
  std::optional<model::Camera> camera = tmpManufacturer;
  if (!camera) camera = SetupControllerUtil::getCurrentCameraManufacturer();
  return camera ? platform::foundation::format("%@ %@", camera->manufacturer, camera->model) : std::string();
}

void CameraModeAspectViewController::showHeaderFor(int page) {
  auto& v = views_;
  const bool canGoBack = page == 2 && !openedOnModesOrRatios_;
  v.backBtn->setHidden(!canGoBack);
  v.backBtn->setAlpha(canGoBack ? 1 : 0);
  v.exitBtn->setHidden(canGoBack);
  v.exitBtn->setAlpha(canGoBack ? 0 : 1);
  v.topBarTitleLabel->setAlpha(1);
  switch (page) {
    case 1:
      v.topBarTitleLabel->setText(localized("CAMERA"));
      v.filterBarTitleLabel->setAlpha(0);
      v.filterCameraView->setAlpha(1);
      v.searchBtn->setAlpha(1);
      v.createNewBtn->setAlpha(1);
      v.createNewBtn->styleCustomButtonWithString(localized("+ ADD CUSTOM CAMERA"), 0);
      break;
    case 2:
      v.topBarTitleLabel->setText(localized("SHOOTING MODE"));
      v.filterBarTitleLabel->setText(subHeaderForModes());
      v.filterBarTitleLabel->setAlpha(1);
      v.filterCameraView->setAlpha(0);
      v.searchBtn->setAlpha(0);
      v.createNewBtn->setAlpha(0);
      break;
    default:
      v.topBarTitleLabel->setText(localized("ASPECT RATIO"));
      v.filterBarTitleLabel->setAlpha(0);
      v.filterCameraView->setAlpha(0);
      v.searchBtn->setAlpha(0);
      v.createNewBtn->setAlpha(1);
      v.createNewBtn->styleCustomButtonWithString(localized("+ ADD CUSTOM RATIO"), 0);
      break;
  }
}

void CameraModeAspectViewController::goToMenuPosition(int page, bool animated) {
  auto& v = views_;
  menuPosition = page;
  if (page == 1) {
    // The filters end here: cleared before the list is loaded again, so it is loaded without them.
    filterCineActive = false;
    filterPhotoActive = false;
    loadCameraManufacturerList();
    v.cameraTableView->reloadData();
    closeFilterMenu(searchActive);
  } else if (page == 2 && filterMenuOpen) {
    filterMenuOpen = false;
    filterCineActive = false;
    filterPhotoActive = false;
    filterMenuTopConstraint.setConstant(-kFilterMenuHeight);
    setFilterLooks();
  }
  v.topBarTitleLabel->setAlpha(0);
  v.filterBarTitleLabel->setAlpha(0);
  const auto changes = [this, page] {
    placeTables(page);
    showHeaderFor(page);
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
  };
  if (animated) {
    View::animate(kPageSlide, 0, platform::ui::AnimationOptionCurveEaseInOut, changes);
  } else {
    changes();
  }
}

void CameraModeAspectViewController::closeController() {
  const PackageStoreNotice packageStore;
  SetupControllerUtil::setNewCameraSetupWithCamera(currentCameraManuID, currentShootingModeID, currentAspectRatioID);
  // A package not stored leaves the picker open under its notice.
  if (packageStore.tellIfRefused(*this, saveFailure_)) return;
  if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

void CameraModeAspectViewController::backButtonPressed() {
  currentAspectRatioID = 1;
  currentShootingModeID = oldShootingModeID;
  // The camera tapped last is left for the one the entry format belongs to.
  SetupControllerUtil::setNewCameraSetupWithCamera(currentCameraManuID, oldShootingModeID, 1);
  currentCameraManuID = SetupControllerUtil::getCurrentCameraManufacturerID();
  tmpManufacturer.reset();
  loadShootingModesForManufacturer(currentCameraManuID);
  goToMenuPosition(1);
}

void CameraModeAspectViewController::exitButtonPressed() {
  SetupControllerUtil::setNewCameraSetupWithCamera(oldCameraManuID, oldShootingModeID, oldAspectRatioID);
  if (auto* navigation = navigationController()) navigation->popViewControllerAnimated(true);
}

void CameraModeAspectViewController::showGuide(settings::BasicGuide& guide) {
  if (guide.guideTag != kGuideTag) return;
  const auto* window = view()->window();
  const double width = window ? window->bounds().width() : view()->bounds().width();
  const double right = window ? window->windowSafeAreaInsets().right : 0;
  guide.createAndShowGuideWithTapCenter({0, 0}, {width - right - 240, 160});
}

}  // namespace app::setup

