#include "app/setup/NewCameraSetupViewController.h"

#include "app/kit/UIConstants.h"
#include "app/settings/BasicGuide.h"
#include "app/settings/InteractiveGuideManager.h"
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SavedPackages.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupIcons.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupMenuRows.h"
#include "app/setup/SetupText.h"
#include "app/state/FramesObject.h"
#include "app/storage/PackageUtil.h"
#include "platform/foundation/Exception.h"
#include "platform/log/Log.h"
#include "platform/ui/Animation.h"
#include "platform/ui/AnimationOptions.h"
#include "platform/ui/InterfaceRegistry.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/NavigationController.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::IndexPath;
using platform::ui::make;

namespace app::setup {

namespace {

using app::setup::localized;

void fill(CameraSetupButton& row, const std::string& title, const std::string& value) {
  row.titleLabel->setText(title);
  row.itemLabel->setText(value);
}

}  // namespace

NewCameraSetupViewController::NewCameraSetupViewController()
    : SetupScreenController(platform::runtime::classOf<NewCameraSetupViewController>()) {}

void NewCameraSetupViewController::buildViews(platform::ui::View& root) { views_ = NewCameraSetupLayout::build(root); }

void NewCameraSetupViewController::layOutViews() {
  const auto* window = view()->window();
  NewCameraSetupLayout::layOut(views_, {blueIndicatorViewLeadConstraint, reviewAlertBottomConstraint, lensSetupTopConstraint},
                               view()->bounds(), window ? window->windowSafeAreaInsets() : platform::ui::EdgeInsets{});
}

std::shared_ptr<state::FramesObject> NewCameraSetupViewController::frames() { return SetupControllerUtil::getApplication(); }

void NewCameraSetupViewController::viewDidLoad() {
  auto& v = views_;
  favoriteSortMode = 1;
  v.doneBtn->setBackgroundColor(Color::clearColor());
  v.doneBtn->styleCustomButtonWithString(localized("DONE"), 1);
  v.doneBtn->button()->addTarget(this, &NewCameraSetupViewController::doneBtnPressed, ControlEvent::TouchUpInside);
  v.addToFavoritesBtn->setBackgroundColor(Color::clearColor());
  v.addToFavoritesBtn->styleCustomButtonWithString(localized("+ ADD THIS SETUP TO FAVORITES"), 0);
  v.addToFavoritesBtn->button()->addTarget(this, &NewCameraSetupViewController::saveFavoriteBtnPressed,
                                           ControlEvent::TouchUpInside);
  v.menuSetup->addTarget(this, &NewCameraSetupViewController::menuSetupPressed, ControlEvent::TouchUpInside);
  v.menuFavorites->addTarget(this, &NewCameraSetupViewController::menuFavoritesPressed, ControlEvent::TouchUpInside);
  v.favoriteSortBtn->styleButtonWithString(localized("RECENT"), 0);
  v.favoriteSortBtn->addTarget(this, &NewCameraSetupViewController::favoriteSortHighlightIcon, ControlEvent::TouchDown);
  v.favoriteSortBtn->addTarget(this, &NewCameraSetupViewController::favoriteSortNotHighlightIcon,
                               ControlEvent::TouchUpOutside | ControlEvent::TouchCancel);
  v.favoriteSortBtn->addTarget(this, &NewCameraSetupViewController::favoriteSortBtnPressed, ControlEvent::TouchUpInside);
  v.favoriteTable->setDataSource(&savedList_);
  v.favoriteTable->setDelegate(&savedList_);
  v.favoriteTable->setTableFooterView(make<platform::ui::View>());
  v.favoriteTable->registerCell(SetupControllerPackageCell::kReuseIdentifier,
                                [] { return make<SetupControllerPackageCell>(); });
  auto self = std::static_pointer_cast<NewCameraSetupViewController>(shared_from_this());
  v.actualReviewAlert->setReviewAlertDelegate(std::shared_ptr<settings::ReviewAlertDelegate>(self, this));
  v.ReviewAlertView->setBackgroundColor(kit::UIConstants::cameraSetupButtonsColor());
  menuSetupPressed();
  storage::PackageUtil::cleanupPackageDB();
}

void NewCameraSetupViewController::viewWillAppear(bool) {
  auto state = frames();
  currentPackage = state ? state->currentPackage : std::nullopt;
  resetButtonStateColor();
  setupButtons();
  loadPackageData();
  myInteractiveGuideManager_ = settings::InteractiveGuideManager::ofApplication();
  if (!myInteractiveGuideManager_) return;
  auto self = std::static_pointer_cast<NewCameraSetupViewController>(shared_from_this());
  myInteractiveGuideManager_->registerViewForInteractiveGuide(std::shared_ptr<settings::InteractiveGuideDelegate>(self, this),
                                                              view(), kGuideScreen);
  if (myInteractiveGuideManager_->ratingShowCounter >= 1 && myInteractiveGuideManager_->isRatingTime()) {
    showReviewAlert();
  }
}

void NewCameraSetupViewController::viewDidAppear(bool) {
  if (views_.ReviewAlertView->alpha() != 1.0) return;
  view()->layoutIfNeeded();
  const double height = views_.ReviewAlertView->frame().height();
  views_.favoriteTable->setContentInset({0, 0, height, 0});
  views_.favoriteTable->setScrollIndicatorInsets({0, 0, height, 0});
}

void NewCameraSetupViewController::viewWillDisappear(bool) {
  if (myInteractiveGuideManager_) myInteractiveGuideManager_->unregisterViewForInteractiveGuide();
  myInteractiveGuideManager_.reset();
}

// --- rows ---

void NewCameraSetupViewController::resetButtonStateColor() {
  for (const auto& row : views_.rows()) row->buttonNotHighlighted();
}

std::string NewCameraSetupViewController::getDisplayAspectRatio() const {
  return currentPackage ? app::setup::SetupMenuRows::displayAspectRatio(*currentPackage) : std::string();
}

void NewCameraSetupViewController::setupButtons() {
  auto& v = views_;
  const auto rows = app::setup::SetupMenuRows::forPackage(currentPackage.value_or(model::CameraPackage()));
  cameraHasShootingMode = rows.withShootingMode;
  v.cameraSetupWithModeView->setAlpha(cameraHasShootingMode ? 1 : 0);
  v.setupWithoutModeView->setAlpha(cameraHasShootingMode ? 0 : 1);
  lensSetupTopConstraint.setConstant(rows.lensSetupTop);
  v.aspectRatio->titleLabel->setText(localized("Aspect Ratio"));
  v.aspectRatioWithoutMode->titleLabel->setText(localized("Aspect Ratio"));
  if (cameraHasShootingMode) {
    fill(*v.camera, localized("Camera"), rows.cameraValue);
    fill(*v.shootingMode, localized("Shooting Mode"), rows.shootingModeValue);
    fill(*v.aspectRatio, rows.aspectTitle, rows.aspectValue);
    fill(*v.frameline, localized("Frameline"), rows.framelineValue);
  } else {
    fill(*v.cameraWithoutMode, localized("Camera"), rows.cameraValue);
    fill(*v.aspectRatioWithoutMode, rows.aspectTitle, rows.aspectValue);
    fill(*v.framelineWithoutMode, localized("Frameline"), rows.framelineValue);
  }
  fill(*v.lensSeries, localized("Lens Series"), rows.lensSeriesValue);
  fill(*v.focalLengths, rows.lensesTitle, rows.lensesValue);
  fill(*v.lensAdapter, localized("Lens Adapter"), rows.adapterValue);
  view()->setNeedsLayout();
  bindButtonActions();
}

void NewCameraSetupViewController::bindButtonActions() {
  using Self = NewCameraSetupViewController;
  const auto bind = [this](CameraSetupButton& row, void (Self::*action)()) {
    if (auto button = row.button()) button->addTarget(this, action, ControlEvent::TouchUpInside);
  };
  auto& v = views_;
  bind(*v.camera, &Self::startCameraModeAspectController);
  bind(*v.cameraWithoutMode, &Self::startCameraModeAspectController);
  bind(*v.shootingMode, &Self::startCameraModeAspectControllerWithMode);
  bind(*v.aspectRatio, &Self::startCameraModeAspectControllerWithAspect);
  bind(*v.aspectRatioWithoutMode, &Self::startCameraModeAspectControllerWithAspect);
  bind(*v.frameline, &Self::startFrameLineController);
  bind(*v.framelineWithoutMode, &Self::startFrameLineController);
  bind(*v.lensSeries, &Self::startLensController);
  bind(*v.focalLengths, &Self::startLensControllerWithLensList);
  bind(*v.lensAdapter, &Self::startLensAdapterController);
}

// --- pickers ---

void NewCameraSetupViewController::pushPicker(const char* identifier,
                                              const std::function<void(platform::ui::ViewController&)>& configure) {
  auto* navigation = navigationController();
  auto state = frames();
  if (!navigation || !state) return;
  std::shared_ptr<platform::ui::ViewController> picker;
  try {
    picker = platform::ui::Storyboard::storyboardWithName(state->storyBoardName)
                 .instantiateViewControllerWithIdentifier(identifier);
  } catch (const platform::foundation::Exception& e) {
    platform::log::write(platform::log::Error, std::string("The picker cannot be opened: ") + e.what());
    return;
  }
  if (configure) configure(*picker);
  navigation->pushViewController(picker, true);
}

void NewCameraSetupViewController::startCameraModeAspectController() { pushPicker(kCameraPicker); }

void NewCameraSetupViewController::startCameraModeAspectControllerWithMode() {
  const bool withMode = cameraHasShootingMode;
  pushPicker(kCameraPicker, [withMode](platform::ui::ViewController& picker) {
    if (auto* camera = dynamic_cast<CameraModeAspectViewController*>(&picker)) {
      camera->startWithShootingMode = true;
      camera->cameraHasShootingMode = withMode;
    }
  });
}

void NewCameraSetupViewController::startCameraModeAspectControllerWithAspect() {
  const bool withMode = cameraHasShootingMode;
  pushPicker(kCameraPicker, [withMode](platform::ui::ViewController& picker) {
    if (auto* camera = dynamic_cast<CameraModeAspectViewController*>(&picker)) {
      camera->startWithAspectRatio = true;
      camera->cameraHasShootingMode = withMode;
    }
  });
}

void NewCameraSetupViewController::startLensController() {
  pushPicker(kLensPicker, [](platform::ui::ViewController& picker) {
    if (auto* lenses = dynamic_cast<LensesFocalLengthsViewController*>(&picker)) lenses->canSelectLenses = false;
  });
}

void NewCameraSetupViewController::startLensControllerWithLensList() {
  pushPicker(kLensPicker, [](platform::ui::ViewController& picker) {
    if (auto* lenses = dynamic_cast<LensesFocalLengthsViewController*>(&picker)) {
      lenses->canSelectLenses = true;
      lenses->startWithLensList = true;
    }
  });
}

void NewCameraSetupViewController::startLensAdapterController() { pushPicker(kAdapterPicker); }

// --- pages and closing ---

void NewCameraSetupViewController::menuSetupPressed() {
  platform::ui::View::animate(0.2, 0, platform::ui::AnimationOptionNone, [this] {
    auto& v = views_;
    v.menuSetup->setTitleColor(Color::withWhite(245.0 / 255, 1));
    v.menuFavorites->setTitleColor(Color::withWhite(170.0 / 255, 1));
    blueIndicatorViewLeadConstraint.setConstant(0);
    v.setupView->setAlpha(1);
    for (auto* hidden : std::initializer_list<platform::ui::View*>{v.filterBarView.get(), v.favoriteTable.get(),
                                                                    v.noFavoritesView.get(), v.tapToLoadLabel.get()}) {
      hidden->setAlpha(0);
    }
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
  });
}

void NewCameraSetupViewController::menuFavoritesPressed() {
  const bool any = !savedList_.packageItemsArray.empty();
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  platform::ui::View::animate(0.2, 0, platform::ui::AnimationOptionNone, [this, any] {
    auto& v = views_;
    v.menuFavorites->setTitleColor(Color::withWhite(245.0 / 255, 1));
    v.menuSetup->setTitleColor(Color::withWhite(170.0 / 255, 1));
    blueIndicatorViewLeadConstraint.setConstant(100.0);
    v.setupView->setAlpha(0);
    v.filterBarView->setAlpha(1);
    v.noFavoritesView->setAlpha(any ? 0 : 1);
    for (auto* shown : std::initializer_list<platform::ui::View*>{v.tapToLoadLabel.get(), v.favoriteTable.get(),
                                                                   v.favoriteSortBtn.get(), v.favoriteSortIcon.get()}) {
      shown->setAlpha(any ? 1 : 0);
    }
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
  }, [weak, any](bool) {
    // An empty list stays hidden, so the empty-list view is not covered.
    auto self = std::static_pointer_cast<NewCameraSetupViewController>(weak.lock());
    if (self && any) self->views_.favoriteTable->setAlpha(1);
  });
}

void NewCameraSetupViewController::closeMenu() {
  auto* navigation = navigationController();
  if (!navigation) return;
  auto transition = std::make_shared<platform::ui::Transition>();
  transition->duration = 0.3;
  transition->timing = platform::ui::TimingFunction::EaseInEaseOut;
  transition->type = platform::ui::TransitionType::Push;
  transition->subtype = platform::ui::TransitionSubtype::FromBottom;
  navigation->view()->layer().addAnimation(transition, platform::ui::kTransitionKey);
  navigation->popViewControllerAnimated(false);
}

void NewCameraSetupViewController::doneBtnPressed() {
  if (auto state = frames()) state->savePrefs();
  closeMenu();
}

// --- rating prompt ---

void NewCameraSetupViewController::showGuide(settings::BasicGuide& guide) {
  if (guide.guideTag != kRatingTag || !myInteractiveGuideManager_) return;
  if (myInteractiveGuideManager_->ratingShowCounter == 1) animateShowReviewAlert();
}

void NewCameraSetupViewController::showReviewAlert() { views_.ReviewAlertView->setAlpha(1); }

void NewCameraSetupViewController::animateShowReviewAlert() {
  reviewAlertBottomConstraint.setConstant(-kReviewAlertHeight);
  view()->setNeedsLayout();
  view()->layoutIfNeeded();
  views_.ReviewAlertView->setAlpha(1);
  // The prompt reaches into the bottom safe area: the last saved package must clear all of it.
  const double height = views_.ReviewAlertView->frame().height();
  platform::ui::View::animate(0.4, 1.0, platform::ui::AnimationOptionCurveEaseOut, [this, height] {
    reviewAlertBottomConstraint.setConstant(0);
    views_.favoriteTable->setContentInset({0, 0, height, 0});
    views_.favoriteTable->setScrollIndicatorInsets({0, 0, height, 0});
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
  });
}

void NewCameraSetupViewController::animateHideReviewAlert() {
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  platform::ui::View::animate(0.3, 0, platform::ui::AnimationOptionCurveEaseIn, [this] {
    reviewAlertBottomConstraint.setConstant(-kReviewAlertHeight);
    views_.favoriteTable->setContentInset({});
    views_.favoriteTable->setScrollIndicatorInsets({});
    view()->setNeedsLayout();
    view()->layoutIfNeeded();
  }, [weak](bool) {
    if (auto self = std::static_pointer_cast<NewCameraSetupViewController>(weak.lock())) {
      self->views_.ReviewAlertView->setAlpha(0);
    }
  });
}

// --- saved packages ---

void NewCameraSetupViewController::loadPackageData() {
  savedList_.packageItemsArray = SavedPackages::list(favoriteSortMode);
  views_.favoriteTable->reloadData();
}

void NewCameraSetupViewController::favoriteSortHighlightIcon() {
  views_.favoriteSortIcon->setImage(app::setup::SetupIcons::sortDown(kit::UIConstants::blue()));
}

void NewCameraSetupViewController::favoriteSortNotHighlightIcon() {
  views_.favoriteSortIcon->setImage(app::setup::SetupIcons::sortDown(kit::UIConstants::lowContrastText()));
}

void NewCameraSetupViewController::favoriteSortBtnPressed() {
  favoriteSortNotHighlightIcon();
  const int next = SavedPackages::toggledSortMode(favoriteSortMode);
  if (next == favoriteSortMode) return;
  favoriteSortMode = next;
  views_.favoriteSortBtn->changeTextwithString(SavedPackages::sortTitle(favoriteSortMode));
  loadPackageData();
}

template <class Alert>
std::shared_ptr<Alert> NewCameraSetupViewController::openDialog(const std::string& title) {
  auto alert = make<Alert>(view()->bounds());
  alert->hostIn(*this);
  alert->setDelegate(this);
  alert->alertTitle()->setText(title);
  return alert;
}

void NewCameraSetupViewController::saveFavoriteBtnPressed() {
  views_.addToFavoritesBtn->buttonNotHighlighted();
  packageSaveAlert_ = openDialog<kit::PackageSaveAlert>(localized("SAVE CURRENT SETUP"));
  const auto& field = packageSaveAlert_->okCancelTextField();
  field->setText("");
  platform::graphics::TextAttributes placeholder;
  placeholder.foregroundColor = kit::UIConstants::textFieldPlaceholder();
  field->setAttributedPlaceholder(platform::graphics::AttributedString(
      SavedPackages::defaultName(currentPackage.value_or(model::CameraPackage())), placeholder));
  packageSaveAlert_->setupTextFieldOKCancel();
  view()->layoutIfNeeded();
  packageSaveAlert_->setUserInteractionEnabled(true);
  packageSaveAlert_->showAlert();
}

void NewCameraSetupViewController::openRenameDialog(const IndexPath& indexPath) {
  if (static_cast<size_t>(indexPath.row) >= savedList_.packageItemsArray.size()) return;
  packageEditAlert_ = openDialog<kit::PackageEditAlert>(localized("RENAME PACKAGE"));
  packageEditAlert_->setupTextFieldOKCancel();
  packageEditAlert_->packageEditIndexPath = indexPath;
  packageEditAlert_->okCancelTextField()->setText(savedList_.packageItemsArray[indexPath.row].packageName);
  packageEditAlert_->setUserInteractionEnabled(true);
  packageEditAlert_->showAlert();
}

std::optional<int> NewCameraSetupViewController::savePackageWithName(const std::string& name) {
  const auto state = SetupControllerUtil::getApplication();
  if (!currentPackage || !state) return std::nullopt;
  const auto id = SavedPackages::save(*state, name);
  if (id) currentPackage->packageName = name;
  loadPackageData();
  view()->window() ? static_cast<void>(view()->window()->endEditing(true)) : void();
  return id;
}

void NewCameraSetupViewController::showSaveHighlight(int packageId) {
  // Only the package just stored is marked: a failed save, or a stored package the list dropped, marks nothing.
  if (savedList_.packageItemsArray.empty() || savedList_.packageItemsArray.front().packageID != packageId) return;
  view()->layoutIfNeeded();
  views_.favoriteTable->layoutIfNeeded();
  auto cell = views_.favoriteTable->cellForRowAtIndexPath(IndexPath::forRow(0, 0));
  if (!cell) return;
  // A row made during the page's switch is still fading in from there; the highlight starts afresh.
  cell->layer().removeAllAnimations();
  cell->setBackgroundColor(kit::UIConstants::blue());
  platform::ui::View::animate(1.0, 0, platform::ui::AnimationOptionNone,
                              [cell] { cell->setBackgroundColor(kit::UIConstants::primaryBG()); });
}

void NewCameraSetupViewController::okClickFromAlert(kit::CustomAlert& alert) {
  // A name or a package the catalogue did not take leaves its dialog open with what was typed, and its
  // OK at rest for another try.
  if (packageEditAlert_ && &alert == packageEditAlert_.get()) {
    const std::string name = packageEditAlert_->okCancelTextField()->text();
    if (!name.empty() && !editPackageAtIndexPatch(packageEditAlert_->packageEditIndexPath, name)) {
      packageEditAlert_->applyStyleToButtons();
      return;
    }
    packageEditAlert_->hideAlert();
    return;
  }
  if (!packageSaveAlert_ || &alert != packageSaveAlert_.get()) return;
  std::string name = packageSaveAlert_->okCancelTextField()->text();
  if (name.empty()) name = SavedPackages::defaultName(currentPackage.value_or(model::CameraPackage()));
  const auto id = savePackageWithName(name);
  if (!id) {
    packageSaveAlert_->applyStyleToButtons();
    saveFailure_.report(*this, "The package \"" + name + "\"");
    return;
  }
  favoriteSortMode = SavedPackages::kRecent;
  views_.favoriteSortBtn->changeTextwithString(SavedPackages::sortTitle(favoriteSortMode));
  loadPackageData();
  menuFavoritesPressed();
  packageSaveAlert_->hideAlert();
  showSaveHighlight(*id);
}

void NewCameraSetupViewController::cancelClickFromAlert(kit::CustomAlert& alert) {
  if (packageEditAlert_ && &alert == packageEditAlert_.get()) packageEditAlert_->hideAlert();
  if (packageSaveAlert_ && &alert == packageSaveAlert_.get()) packageSaveAlert_->hideAlert();
}

bool NewCameraSetupViewController::editPackageAtIndexPatch(const IndexPath& indexPath, const std::string& name) {
  if (static_cast<size_t>(indexPath.row) >= savedList_.packageItemsArray.size()) return true;
  if (!SavedPackages::rename(savedList_.packageItemsArray[indexPath.row].packageID, name)) {
    saveFailure_.report(*this, "The name \"" + name + "\"");
    return false;
  }
  loadPackageData();
  return true;
}

void NewCameraSetupViewController::deletePackageAtIndexPath(const IndexPath& indexPath) {
  if (static_cast<size_t>(indexPath.row) >= savedList_.packageItemsArray.size()) return;
  const model::CameraPackage& package = savedList_.packageItemsArray[indexPath.row];
  if (!SavedPackages::remove(package.packageID)) {
    saveFailure_.reportDelete(*this, "The package \"" + package.packageName + "\"");
  }
  loadPackageData();
  menuFavoritesPressed();
}

void NewCameraSetupViewController::loadSavedPackage(const IndexPath& path) {
  auto state = SetupControllerUtil::getApplication();
  if (!state || static_cast<size_t>(path.row) >= savedList_.packageItemsArray.size()) return;
  const model::CameraPackage package = savedList_.packageItemsArray[path.row];
  // A package that cannot be used is not loaded, and the menu stays open; so it does, under its notice,
  // when the package catalogue did not store the one loaded.
  const PackageStoreNotice packageStore;
  if (!SavedPackages::load(*state, package)) return;
  currentPackage = state->currentPackage;
  if (packageStore.tellIfRefused(*this, saveFailure_)) return;
  closeMenu();
}

}  // namespace app::setup

