// CameraModeAspectViewController: the forms for a camera and an aspect ratio of the user's own, the
// deletion of the user's own rows, and the keyboard.
#include <algorithm>

#include "app/kit/UIConstants.h"
#include "app/model/DisplayNumbers.h"
#include "app/optics/SensorLimits.h"
#include "app/setup/AspectRatioList.h"
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/OtherSlotRepair.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupForm.h"
#include "app/setup/SetupText.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "platform/ui/AnimationOptions.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/SwipeActionsConfiguration.h"

using app::setup::FormCheck;
using app::setup::FormKeyboardBars;
using app::setup::FormNumber;
using app::storage::OpenCatalogue;
using platform::graphics::Color;
using platform::ui::IndexPath;
using platform::ui::TableView;
using platform::ui::View;

namespace app::setup {

namespace {

constexpr double kFormFade = 0.2;
constexpr Color kRatioDeleteColor = Color::fromBytes(245, 78, 70);

using app::setup::localized;

}  // namespace

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

// --- opening, saving, closing ---

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

bool CameraModeAspectViewController::checkForErrorFormat() {
  auto& v = views_;
  FormCheck check({v.customFormatNameTextField.get(), v.customFormatSensorWidthTextField.get(),
                   v.customFormatSensorHeightTextField.get()});
  using app::optics::SensorLimits;
  check.requireText(*v.customFormatNameTextField)
      .requireNumberWithin(*v.customFormatSensorWidthTextField, SensorLimits::kSmallestSide, SensorLimits::kLargestSide)
      .requireNumberWithin(*v.customFormatSensorHeightTextField, SensorLimits::kSmallestSide, SensorLimits::kLargestSide);
  return check.failed();
}

bool CameraModeAspectViewController::checkForErrorFrameline() {
  auto& v = views_;
  FormCheck check({v.customAspectRatioWidthTextField.get(), v.customAspectRatioHeightTextField.get()});
  check.requirePositiveNumber(*v.customAspectRatioWidthTextField).requirePositiveNumber(*v.customAspectRatioHeightTextField);
  return check.failed();
}

void CameraModeAspectViewController::unmarkInputErrors() {
  auto& v = views_;
  for (const auto& field : {v.customFormatNameTextField, v.customFormatSensorWidthTextField,
                            v.customFormatSensorHeightTextField, v.customAspectRatioWidthTextField,
                            v.customAspectRatioHeightTextField}) {
    app::setup::unmarkInputError(*field);
  }
}

void CameraModeAspectViewController::clearTextFieldsOnCancel() {
  auto& v = views_;
  for (const auto& field : {v.customFormatNameTextField, v.customFormatSensorWidthTextField,
                            v.customFormatSensorHeightTextField, v.customAspectRatioWidthTextField,
                            v.customAspectRatioHeightTextField}) {
    field->setText("");
  }
}

bool CameraModeAspectViewController::saveNewFormat() {
  auto& v = views_;
  const std::string name = FormNumber::dotted(v.customFormatNameTextField->text());
  const float width = FormNumber::value(v.customFormatSensorWidthTextField->text());
  const float height = FormNumber::value(v.customFormatSensorHeightTextField->text());
  const float squeeze = FormNumber::value("1");
  model::Camera camera(0, name, "", "Cine", 1);
  model::CameraShootingMode mode;
  mode.shootingMode = "";
  mode.width = width;
  mode.height = height;
  mode.anamorphotic = squeeze;
  mode.category = "Cine";
  mode.formatOrigin = 1;
  mode.aspectRatio = platform::foundation::format("%@:1", app::model::DisplayNumbers::ratio(width * squeeze / height));
  std::optional<model::CameraShootingMode> stored;
  if (OpenCatalogue<storage::CameraFormatCatalogue> formats; formats) stored = formats->insertNewCameraManufacturer(camera, mode);
  if (!stored || stored->manufacturerID < 1 || stored->containerID < 1) {
    saveFailure_.report(*this, "The camera \"" + name + "\"");
    return false;
  }
  currentCameraManuID = stored->manufacturerID;
  currentShootingModeID = stored->containerID;
  currentAspectRatioID = 1;
  closeController();
  return true;
}

bool CameraModeAspectViewController::saveNewFrameLine() {
  auto& v = views_;
  model::FrameGuide guide;
  guide.width = FormNumber::value(v.customAspectRatioWidthTextField->text());
  guide.height = FormNumber::value(v.customAspectRatioHeightTextField->text());
  bool exists = false;
  {
    OpenCatalogue<storage::FrameGuideCatalogue> guides;
    if (guides) exists = guides->insertFrameGuideFromCameraSetup(guide);
  }
  // The ratio is there already: nothing is written or committed, and the picker stays.
  if (exists) return true;
  if (guide.frameGuideId < 1) {
    saveFailure_.report(*this, "The aspect ratio " + FormNumber::dotted(v.customAspectRatioWidthTextField->text()) + ":" +
                                   FormNumber::dotted(v.customAspectRatioHeightTextField->text()));
    return false;
  }
  currentAspectRatioID = guide.frameGuideId;
  closeController();
  return true;
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

// --- deleting the user's own rows ---

bool CameraModeAspectViewController::tableViewCanEditRowAtIndexPath(TableView& table, const IndexPath& path) {
  if (&table == views_.cameraTableView.get()) {
    const auto* camera = cameraAt(path);
    return !searching && camera && camera->origin == 1;
  }
  if (&table == views_.aspectRatioTableView.get()) {
    return path.row >= 0 && static_cast<size_t>(path.row) < cropList.size() &&
           cropList[static_cast<size_t>(path.row)].customType == 1;
  }
  return false;
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
CameraModeAspectViewController::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(TableView& table,
                                                                                           const IndexPath& path) {
  if (!tableViewCanEditRowAtIndexPath(table, path)) return nullptr;
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  std::shared_ptr<platform::ui::ContextualAction> action;
  if (&table == views_.cameraTableView.get()) {
    const model::Camera camera = *cameraAt(path);
    action = platform::ui::ContextualAction::contextualActionWithStyle(
        platform::ui::ContextualActionStyle::Normal, localized("Delete"),
        [weak, camera](platform::ui::ContextualAction&, View&, platform::ui::ContextualAction::Completion done) {
          auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock());
          if (!screen) return;
          screen->deleteCameraFormat(camera);
          screen->views_.cameraTableView->setEditing(false, true);
          if (done) done(true);
        });
    action->setBackgroundColor(kit::UIConstants::redWarning());
  } else {
    const int cropId = cropList[static_cast<size_t>(path.row)].cropID;
    action = platform::ui::ContextualAction::contextualActionWithStyle(
        platform::ui::ContextualActionStyle::Normal, localized("Delete"),
        [weak, cropId](platform::ui::ContextualAction&, View&, platform::ui::ContextualAction::Completion done) {
          auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock());
          if (!screen) return;
          screen->deleteCrop(cropId);
          if (done) done(true);
        });
    action->setBackgroundColor(kRatioDeleteColor);
  }
  auto configuration = platform::ui::SwipeActionsConfiguration::configurationWithActions({action});
  configuration->setPerformsFirstActionWithFullSwipe(false);
  return configuration;
}

void CameraModeAspectViewController::deleteCameraFormat(const model::Camera& camera) {
  std::optional<int> formatId;
  {
    OpenCatalogue<storage::CameraFormatCatalogue> formats;
    if (formats) formatId = formats->deleteCustomFormat(camera);
  }
  if (!formatId) {
    // The camera stays listed, and the package and the saved packages keep it.
    saveFailure_.reportDelete(*this, "The camera \"" + camera.manufacturer + "\"");
    return;
  }
  platform::log::write(platform::log::Notice, "The camera \"" + camera.manufacturer + "\" was deleted from its catalogue");
  if (*formatId > 0) {
    if (!storage::PackageUtil::deleteFormat(*formatId)) {
      saveFailure_.reportPackagesNotFollowed(*this, "the camera \"" + camera.manufacturer + "\"");
    }
    app::setup::OtherSlotRepair::formatDeleted(*SetupControllerUtil::getApplication(), *formatId);
  }
  if (camera.manufacturerId == SetupControllerUtil::getCurrentCameraManufacturerID()) {
    const PackageStoreNotice packageStore;
    SetupControllerUtil::setNewCameraManufacturer(1, kFallbackFormat);
    packageStore.tellIfRefused(*this, saveFailure_);
    // EXIT keeps the fall-back format: the deleted one cannot come back.
    oldCameraManuID = currentCameraManuID = SetupControllerUtil::getCurrentCameraManufacturerID();
    oldShootingModeID = currentShootingModeID = SetupControllerUtil::getCurrentShootingModeID();
  }
  loadCameraManufacturerList();
  views_.cameraTableView->reloadData();
}

// The row, and the frame-guide selection moved off it, go together or not at all; only then do the
// saved packages and the edited one follow.
CameraModeAspectViewController::RatioRowDeleted CameraModeAspectViewController::deleteRatioRow(int cropId,
                                                                                              bool guideInUse) {
  OpenCatalogue<storage::FrameGuideCatalogue> guides;
  if (!guides) return {};
  auto guide = guides->getFrameGuide(cropId);
  if (!guide) return {.guide = std::nullopt, .notThere = true};
  storage::CatalogueDatabase::Transaction transaction(guides->database());
  const bool deleted = transaction.active() &&
                       (!guideInUse || guides->selectOnlyFrameGuide(storage::PackageUtil::kNoFrameGuide)) &&
                       guides->deleteFrameGuide(*guide) && transaction.commit();
  if (!deleted) return {};
  return {.guide = guide, .notThere = false};
}

void CameraModeAspectViewController::deleteCrop(int cropId) {
  const int editedCrop = SetupControllerUtil::getCurrentCropID();
  const bool cropInUse = cropId == oldAspectRatioID || cropId == editedCrop;
  const bool guideInUse = cropId == SetupControllerUtil::getCurrentFrameGuideID();
  const auto [guide, notThere] = deleteRatioRow(cropId, guideInUse);
  if (notThere) {
    // Gone already (another visit deleted it): the list catches up, and nothing failed.
    platform::log::write(platform::log::Error, "The aspect ratio " + std::to_string(cropId) +
                                                   " to delete is not in the catalogue");
    if (const auto mode = SetupControllerUtil::getCurrentShootingMode()) loadAspectRatioList(*mode);
    return;
  }
  const auto listed =
      std::find_if(cropList.begin(), cropList.end(), [cropId](const auto& c) { return c.cropID == cropId; });
  const std::string ratio = listed == cropList.end() ? std::to_string(cropId) : listed->aspectRatio;
  if (!guide) {
    // The ratio stays listed, and the package and the saved packages keep it.
    saveFailure_.reportDelete(*this, "The aspect ratio " + ratio);
    return;
  }
  platform::log::write(platform::log::Notice, "The aspect ratio " + ratio + " was deleted from its catalogue");
  const bool guidesFollowed = storage::PackageUtil::deleteFrameLine(*guide);
  if (!storage::PackageUtil::deleteCrop(cropId) || !guidesFollowed) {
    saveFailure_.reportPackagesNotFollowed(*this, "the aspect ratio " + ratio);
  }
  auto& frames = *SetupControllerUtil::getApplication();
  app::setup::OtherSlotRepair::cropDeleted(frames, cropId);
  app::setup::OtherSlotRepair::frameGuideDeleted(frames, cropId);
  const PackageStoreNotice packageStore;
  if (cropInUse) {
    oldAspectRatioID = currentAspectRatioID = 1;
    SetupControllerUtil::setNewCameraCrop(1);
  } else if (guideInUse) {
    SetupControllerUtil::setNewCameraCrop(editedCrop);
  }
  packageStore.tellIfRefused(*this, saveFailure_);
  if (const auto mode = SetupControllerUtil::getCurrentShootingMode()) loadAspectRatioList(*mode);
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

