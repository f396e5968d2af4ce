#include "app/setup/CameraModeAspectViewController.h"

#include "app/kit/UIConstants.h"
#include "app/settings/BasicGuide.h"
#include "app/settings/InteractiveGuideManager.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupIcons.h"
#include "app/setup/SetupPause.h"
#include "app/setup/SetupText.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "platform/ui/AnimationOptions.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::IndexPath;
using platform::ui::View;

namespace app::setup {

namespace {

constexpr double kPageSlide = 0.3;
constexpr double kMenuSlide = 0.2;
constexpr double kFormFade = 0.2;

}  // namespace

CameraModeAspectViewController::CameraModeAspectViewController()
    : SetupScreenController(platform::runtime::classOf<CameraModeAspectViewController>()) {}

std::shared_ptr<CameraModeAspectViewController> CameraModeAspectViewController::self() {
  return std::static_pointer_cast<CameraModeAspectViewController>(shared_from_this());
}

void CameraModeAspectViewController::buildViews(View& root) {
  views_ = CameraModeAspectLayout::build(root);
  createNewBtnLeadingConstraint.setConstant(CameraModeAspectLayout::kSide);
  createNewButtonWidthConstraint.setConstant(70);
}

void CameraModeAspectViewController::layOutViews() {
  const auto* window = view()->window();
  // The pages lie side by side a screen's width apart, whatever width they were placed for.
  if (view()->bounds().width() != placedWidth_) placeTables(menuPosition);
  CameraModeAspectLayout::layOut(views_,
                                 {leadingConstraintCameraTable, leadingConstraintShootingModeTable,
                                  leadingConstraintAspectRatioTable, topBarConstraint, filterMenuTopConstraint,
                                  createNewBtnLeadingConstraint, createNewButtonWidthConstraint},
                                 view()->bounds(), window ? window->windowSafeAreaInsets().top : 0);
}

void CameraModeAspectViewController::viewDidLoad() {
  auto& v = views_;
  const auto& searchField = v.searchFormatBar->searchTextField();
  searchField->setTextColor(kit::UIConstants::textFieldTextColor());
  searchField->setBackgroundColor(kit::UIConstants::textFieldBG());
  searchField->setBorderStyle(platform::ui::TextBorderStyle::None);
  searchField->layer().setCornerRadius(4.0);
  searchField->setFont(kit::UIConstants::romanFontWithSize(15));
  markCropList = true;
  cameraList_.searching = false;
  filterMenu_.filterMenuOpen = false;
  filterMenuTopConstraint.setConstant(-kFilterMenuHeight);
  v.createNewBtn->styleCustomButtonWithString(localized("+ ADD CUSTOM CAMERA"), 0);
  v.createNewBtn->setBackgroundColor(Color::clearColor());
  v.saveBtn->styleCustomButtonWithString(localized("SAVE"), 2);
  v.saveBtn->setBackgroundColor(Color::clearColor());
  setUpForms();
  v.cameraTableView->setDataSource(&cameraList_);
  v.cameraTableView->setDelegate(&cameraList_);
  v.shootingModeTableView->setDataSource(&shootingModeList_);
  v.shootingModeTableView->setDelegate(&shootingModeList_);
  v.aspectRatioTableView->setDataSource(&aspectRatioList_);
  v.aspectRatioTableView->setDelegate(&aspectRatioList_);
  v.searchFormatBar->setDelegate(&cameraList_);
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
  if (const auto native = aspectRatioList_.positionNativeAspect) {
    views_.aspectRatioTableView->scrollToRowAtIndexPath(
        platform::ui::IndexPath::forRow(static_cast<int64_t>(*native), 0),
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
  if (const auto camera = cameraList_.indexPathOfCamera(currentCameraManuID)) {
    views_.cameraTableView->selectRowAtIndexPath(camera, false, middle);
  }
  if (const auto mode = shootingModeList_.indexPathOfMode(currentShootingModeID)) {
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

void CameraModeAspectViewController::placeTables(int page) {
  if (!isViewLoaded()) return;
  const auto* window = view()->window();
  double width = view()->bounds().width();
  if (width <= 0 && window) width = window->bounds().width();
  placedWidth_ = width;
  const double away = width + 2;
  leadingConstraintCameraTable.setConstant(page == 1 ? 0 : -away);
  leadingConstraintShootingModeTable.setConstant(page == 1 ? away : (page == 2 ? 0 : -away));
  leadingConstraintAspectRatioTable.setConstant(page == 3 ? 0 : away);
}

void CameraModeAspectViewController::goToMenuPosition(int page, bool animated) {
  auto& v = views_;
  menuPosition = page;
  if (page == 1) {
    // The filters end here: cleared before the list is loaded again, so it is loaded without them.
    filterMenu_.clearFilters();
    loadCameraManufacturerList();
    v.cameraTableView->reloadData();
    filterMenu_.close(searchActive);
  } else if (page == 2 && filterMenu_.filterMenuOpen) {
    filterMenu_.closeAtOnce();
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

// --- lists ---

void CameraModeAspectViewController::loadCameraManufacturerList() {
  cameraList_.load(filterMenu_.filter(), views_.searchFormatBar->text());
}

void CameraModeAspectViewController::loadShootingModesForManufacturer(int manufacturerId) {
  shootingModeList_.load(manufacturerId);
  views_.shootingModeTableView->reloadData();
}

void CameraModeAspectViewController::loadAspectRatioList(const model::CameraShootingMode& mode) {
  aspectRatioList_.load(mode);
  auto& table = *views_.aspectRatioTableView;
  table.reloadData();
  if (const auto native = aspectRatioList_.positionNativeAspect) {
    table.scrollToRowAtIndexPath(IndexPath::forRow(static_cast<int64_t>(*native), 0),
                                 platform::ui::TableViewScrollPosition::Middle, false);
  }
}

void CameraModeAspectViewController::tapCamera(const IndexPath& path) {
  const auto* row = cameraList_.cameraAt(path);
  if (!row) return;
  const model::Camera camera = *row;
  if (cameraList_.searching) searchCancelButtonPressed();
  // A pick from the list below an open form leaves the form behind.
  if (newFormatCreation) closeForm();
  loadShootingModesForManufacturer(camera.manufacturerId);
  // A camera without a shooting mode has nothing to commit: the screen stays as it was.
  const auto& modes = shootingModeList_.shootingModeItemsArray;
  if (modes.empty()) {
    platform::log::write(platform::log::Error, "The camera " + camera.getListString() + " has no shooting mode");
    loadShootingModesForManufacturer(currentCameraManuID);
    return;
  }
  currentCameraManuID = camera.manufacturerId;
  aspectRatioList_.cropList.clear();
  views_.aspectRatioTableView->reloadData();
  tmpManufacturer = camera;
  if (modes.size() < 2) {
    const model::CameraShootingMode mode = modes.front();
    currentShootingModeID = mode.containerID;
    currentAspectRatioID = 1;
    SetupControllerUtil::setNewCameraSetupWithCamera(currentCameraManuID, currentShootingModeID, 1);
    markCropList = false;
    loadAspectRatioList(mode);
    cameraHasShootingMode = false;
  } else {
    cameraHasShootingMode = true;
  }
  app::setup::SetupPause::pause(*this, [this, showModes = cameraHasShootingMode] {
    if (showModes) {
      views_.shootingModeTableView->setHidden(false);
      views_.shootingModeTableView->setContentOffset({0, 0});
      goToMenuPosition(2);
    } else {
      views_.shootingModeTableView->setHidden(true);
      closeController();
    }
  });
}

void CameraModeAspectViewController::tapMode(const IndexPath& path) {
  const auto* row = shootingModeList_.modeAt(path);
  if (!row) return;
  const model::CameraShootingMode mode = *row;
  currentShootingModeID = mode.containerID;
  currentAspectRatioID = 1;
  SetupControllerUtil::setNewCameraSetupWithCamera(currentCameraManuID, currentShootingModeID, 1);
  markCropList = false;
  loadAspectRatioList(mode);
  app::setup::SetupPause::pause(*this, [this] { closeController(); });
}

void CameraModeAspectViewController::tapRatio(const IndexPath& path) {
  if (myInteractiveGuideManager_) myInteractiveGuideManager_->interAction();
  const auto* row = aspectRatioList_.cropAt(path);
  if (!row) return;
  currentAspectRatioID = row->cropID;
  SetupControllerUtil::setNewCameraCrop(currentAspectRatioID);
  markCropList = true;
  views_.aspectRatioTableView->selectRowAtIndexPath(path, false, platform::ui::TableViewScrollPosition::None);
  views_.aspectRatioTableView->reloadData();
  app::setup::SetupPause::pause(*this, [this] { closeController(); });
}

// --- search ---

void CameraModeAspectViewController::searchButtonPressed() {
  auto& v = views_;
  searchActive = true;
  v.searchFormatBar->setTintColor(Color::clearColor());
  v.searchFormatBar->becomeFirstResponder();
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  View::animate(
      kMenuSlide, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        auto& v = views_;
        v.filterCameraView->setAlpha(1);
        v.searchBtn->setAlpha(0);
        v.createNewBtn->setAlpha(0);
        v.searchFormatBar->setAlpha(1);
        v.searchCancelBtn->setAlpha(1);
        topBarConstraint.setConstant(-50);
        view()->setNeedsLayout();
        view()->layoutIfNeeded();
      },
      [weak](bool) {
        if (auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock())) {
          screen->views_.searchFormatBar->setTintColor(kit::UIConstants::textFieldTextColor());
        }
      });
}

void CameraModeAspectViewController::cancelSearch() {
  auto& v = views_;
  v.searchFormatBar->resignFirstResponder();
  v.searchFormatBar->setText("");
  cameraList_.endSearch();
  loadDataFromDB();
  v.cameraTableView->reloadData();
  v.cameraTableView->reloadSectionIndexTitles();
}

void CameraModeAspectViewController::searchCancelButtonPressed() {
  if (newFormatCreation) {
    closeForm();
    return;
  }
  searchActive = false;
  cancelSearch();
  View::animate(kFormFade, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
    auto& v = views_;
    v.searchFormatBar->setAlpha(0);
    v.searchCancelBtn->setAlpha(0);
    v.searchBtn->setAlpha(1);
    v.createNewBtn->setAlpha(1);
    topBarConstraint.setConstant(0);
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
  });
  unmarkInputErrors();
  clearTextFieldsOnCancel();
}

// --- forms ---

void CameraModeAspectViewController::setUpForms() {
  auto& v = views_;
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  const auto later = [weak](void (CameraModeAspectViewController::*action)()) {
    return [weak, action] {
      if (auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock())) ((*screen).*action)();
    };
  };
  const auto endEditing = [weak] {
    if (auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock())) screen->view()->endEditing(true);
  };
  keyboardShown_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kKeyboardDidShowNotification, [weak](const platform::foundation::Notification& note) {
        if (auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock())) screen->keyboardWasShown(note);
      });
  keyboardHidden_ = platform::foundation::NotificationCenter::defaultCenter().addObserver(
      platform::ui::kKeyboardWillHideNotification, [weak](const platform::foundation::Notification& note) {
        if (auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock())) screen->keyboardWillBeHidden(note);
      });
  auto nextBar = FormKeyboardBars::nextBar(endEditing, later(&CameraModeAspectViewController::nextTextField));
  auto doneBar = FormKeyboardBars::doneBar(endEditing);
  for (const auto& field : {v.customFormatNameTextField, v.customFormatSensorWidthTextField,
                            v.customAspectRatioWidthTextField}) {
    field->setInputAccessoryView(nextBar);
    field->setReturnKeyType(platform::ui::ReturnKeyType::Next);
  }
  for (const auto& field : {v.customFormatSensorHeightTextField, v.customAspectRatioHeightTextField}) {
    field->setInputAccessoryView(doneBar);
    field->setReturnKeyType(platform::ui::ReturnKeyType::Done);
  }
  for (const auto& field : {v.customFormatNameTextField, v.customFormatSensorWidthTextField,
                            v.customFormatSensorHeightTextField, v.customAspectRatioWidthTextField,
                            v.customAspectRatioHeightTextField}) {
    field->setDelegate(this);
  }
}

void CameraModeAspectViewController::createNewButtonPressed() {
  newFormatCreation = true;
  openFormAnimation(menuPosition == 3);
}

void CameraModeAspectViewController::openFormAnimation(bool ratio) {
  auto& v = views_;
  v.filterBarTitleLabel->setText(localized(ratio ? "CREATE CUSTOM ASPECT RATIO" : "CREATE CUSTOM CAMERA"));
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  View::animate(
      kFormFade, 0, platform::ui::AnimationOptionCurveEaseInOut,
      [this, ratio] {
        auto& v = views_;
        (ratio ? v.customFramelineView : v.customFormatView)->setAlpha(1);
        v.filterBarTitleLabel->setAlpha(1);
        v.createNewBtn->setAlpha(0);
        v.filterCameraView->setAlpha(0);
        if (!ratio) v.searchBtn->setAlpha(0);
        v.saveBtn->setAlpha(1);
        v.searchCancelBtn->setAlpha(1);
        topBarConstraint.setConstant(-50);
        view()->setNeedsLayout();
        view()->layoutIfNeeded();
      },
      [weak, ratio](bool) {
        auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock());
        if (!screen) return;
        screen->views_.createNewBtn->buttonNotHighlighted();
        if (ratio) screen->views_.customAspectRatioWidthTextField->becomeFirstResponder();
      });
}

void CameraModeAspectViewController::saveBtnPressed() {
  if (menuPosition == 1 && !checkForErrorFormat()) {
    if (saveNewFormat()) closeForm();
  } else if (menuPosition == 3 && !checkForErrorFrameline()) {
    if (saveNewFrameLine()) closeForm();
  }
  views_.saveBtn->buttonNotHighlighted();
  if (auto* window = view()->window()) window->endEditing(true);
}

void CameraModeAspectViewController::unmarkInputErrors() {
  cameraForm_.unmarkInputErrors();
  ratioForm_.unmarkInputErrors();
}

void CameraModeAspectViewController::clearTextFieldsOnCancel() {
  cameraForm_.clear();
  ratioForm_.clear();
}

bool CameraModeAspectViewController::saveNewFormat() {
  const auto stored = cameraForm_.store();
  if (!stored) {
    saveFailure_.report(*this, "The camera \"" + cameraForm_.name() + "\"");
    return false;
  }
  currentCameraManuID = stored->manufacturerID;
  currentShootingModeID = stored->containerID;
  currentAspectRatioID = 1;
  closeController();
  return true;
}

bool CameraModeAspectViewController::saveNewFrameLine() {
  const auto stored = ratioForm_.store();
  // The ratio is there already: nothing is written or committed, and the picker stays.
  if (stored.exists) return true;
  if (stored.frameGuideId < 1) {
    saveFailure_.report(*this, "The aspect ratio " + ratioForm_.ratioText());
    return false;
  }
  currentAspectRatioID = stored.frameGuideId;
  closeController();
  return true;
}

void CameraModeAspectViewController::closeForm() {
  auto& v = views_;
  searchActive = false;
  cancelSearch();
  if (auto* window = view()->window()) window->endEditing(true);
  newFormatCreation = false;
  v.filterBarTitleLabel->setAlpha(0);
  if (const auto package = SetupControllerUtil::getCurrentPackage(); package && package->cameraManufacturer &&
                                                                    package->shootingMode) {
    v.filterBarTitleLabel->setText(platform::foundation::format("%@ %@  |  %@", package->cameraManufacturer->manufacturer,
                                                                package->cameraManufacturer->model,
                                                                package->shootingMode->shootingMode));
  }
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  View::animate(
      kFormFade, 0, platform::ui::AnimationOptionCurveEaseOut,
      [this] {
        auto& v = views_;
        v.searchCancelBtn->setAlpha(0);
        v.customFormatView->setAlpha(0);
        v.customFramelineView->setAlpha(0);
        v.saveBtn->setAlpha(0);
        v.createNewBtn->setAlpha(1);
        if (menuPosition == 1) {
          v.filterCameraView->setAlpha(1);
          v.searchBtn->setAlpha(1);
        }
        createNewBtnLeadingConstraint.setConstant(16);
        createNewButtonWidthConstraint.setConstant(70);
        topBarConstraint.setConstant(0);
        view()->setNeedsLayout();
        view()->layoutIfNeeded();
      },
      [weak](bool) {
        if (auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock())) {
          screen->views_.saveBtn->buttonNotHighlighted();
        }
      });
  unmarkInputErrors();
  clearTextFieldsOnCancel();
}

// --- keyboard ---

void CameraModeAspectViewController::keyboardWasShown(const platform::foundation::Notification& notification) {
  const auto begin = platform::ui::RectValue::from(notification.userInfo[platform::ui::kKeyboardFrameBeginUserInfoKey]);
  const auto* window = view()->window();
  const double bottom = (begin ? begin->height() : 0) + (window ? window->windowSafeAreaInsets().bottom : 0);
  views_.cameraTableView->setContentInset({0, 0, bottom, 0});
  views_.cameraTableView->setScrollIndicatorInsets({0, 0, bottom, 0});
}

void CameraModeAspectViewController::keyboardWillBeHidden(const platform::foundation::Notification&) {
  views_.cameraTableView->setContentInset({});
  views_.cameraTableView->setScrollIndicatorInsets({});
}

void CameraModeAspectViewController::textFieldDidBeginEditing(platform::ui::TextField& field) {
  activeTextFieldTag = field.tag();
}

bool CameraModeAspectViewController::textFieldShouldReturn(platform::ui::TextField& field) {
  return FormKeyboardBars::returnKey(field);
}

void CameraModeAspectViewController::nextTextField() {
  if (menuPosition == 1) {
    FormKeyboardBars::focusNext(*views_.customFormatView, activeTextFieldTag);
  } else if (menuPosition == 3) {
    FormKeyboardBars::focusNext(*views_.customFramelineView, activeTextFieldTag);
  }
}

}  // namespace app::setup
