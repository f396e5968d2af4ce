// NewCameraSetupViewController: the saved-packages page.
#include "app/kit/UIConstants.h"
#include "app/setup/NewCameraSetupViewController.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SavedPackages.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupIcons.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupText.h"
#include "app/state/FramesObject.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/SwipeActionsConfiguration.h"

using app::setup::SavedPackages;
using platform::ui::IndexPath;
using platform::ui::make;

namespace app::setup {

namespace {

using app::setup::localized;

}  // namespace

void NewCameraSetupViewController::loadPackageData() {
  packageItemsArray_ = SavedPackages::list(favoriteSortMode);
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
  if (static_cast<size_t>(indexPath.row) >= packageItemsArray_.size()) return;
  packageEditAlert_ = openDialog<kit::PackageEditAlert>(localized("RENAME PACKAGE"));
  packageEditAlert_->setupTextFieldOKCancel();
  packageEditAlert_->packageEditIndexPath = indexPath;
  packageEditAlert_->okCancelTextField()->setText(packageItemsArray_[indexPath.row].packageName);
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
  if (packageItemsArray_.empty() || packageItemsArray_.front().packageID != packageId) return;
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
  // A name or a package the catalogue did not take leaves its dialog open with what was typed.
  if (packageEditAlert_ && &alert == packageEditAlert_.get()) {
    const std::string name = packageEditAlert_->okCancelTextField()->text();
    if (!name.empty() && !editPackageAtIndexPatch(packageEditAlert_->packageEditIndexPath, name)) return;
    packageEditAlert_->hideAlert();
    return;
  }
  if (!packageSaveAlert_ || &alert != packageSaveAlert_.get()) return;
  std::string name = packageSaveAlert_->okCancelTextField()->text();
  if (name.empty()) name = SavedPackages::defaultName(currentPackage.value_or(model::CameraPackage()));
  const auto id = savePackageWithName(name);
  if (!id) {
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
  if (static_cast<size_t>(indexPath.row) >= packageItemsArray_.size()) return true;
  if (!SavedPackages::rename(packageItemsArray_[indexPath.row].packageID, name)) {
    saveFailure_.report(*this, "The name \"" + name + "\"");
    return false;
  }
  loadPackageData();
  return true;
}

void NewCameraSetupViewController::deletePackageAtIndexPath(const IndexPath& indexPath) {
  if (static_cast<size_t>(indexPath.row) >= packageItemsArray_.size()) return;
  const model::CameraPackage& package = packageItemsArray_[indexPath.row];
  if (!SavedPackages::remove(package.packageID)) {
    saveFailure_.reportDelete(*this, "The package \"" + package.packageName + "\"");
  }
  loadPackageData();
  menuFavoritesPressed();
}

// --- table ---

int64_t NewCameraSetupViewController::tableViewNumberOfRowsInSection(platform::ui::TableView&, int64_t) {
  return static_cast<int64_t>(packageItemsArray_.size());
}

double NewCameraSetupViewController::tableViewHeightForRowAtIndexPath(platform::ui::TableView&, const IndexPath&) {
  return kPackageRowHeight;
}

std::shared_ptr<platform::ui::TableViewCell> NewCameraSetupViewController::tableViewCellForRowAtIndexPath(
    platform::ui::TableView& table, const IndexPath& path) {
  if (static_cast<size_t>(path.row) >= packageItemsArray_.size()) return nullptr;
  auto cell = std::dynamic_pointer_cast<SetupControllerPackageCell>(
      table.dequeueReusableCell(SetupControllerPackageCell::kReuseIdentifier));
  if (!cell) return nullptr;
  const auto texts = SavedPackages::cellTexts(packageItemsArray_[path.row]);
  cell->title->setText(texts.title);
  cell->format->setText(texts.format);
  cell->lenses->setText(texts.lenses);
  return cell;
}

void NewCameraSetupViewController::tableViewDidSelectRowAtIndexPath(platform::ui::TableView&, const IndexPath& path) {
  auto state = SetupControllerUtil::getApplication();
  if (!state || static_cast<size_t>(path.row) >= packageItemsArray_.size()) return;
  const model::CameraPackage package = packageItemsArray_[path.row];
  // A package that cannot be used is not loaded, and the menu stays open; so it does, under its notice,
  // when the package catalogue did not store the one loaded.
  const PackageStoreNotice packageStore;
  if (!SavedPackages::load(*state, package)) return;
  currentPackage = state->currentPackage;
  if (packageStore.tellIfRefused(*this, saveFailure_)) return;
  closeMenu();
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
NewCameraSetupViewController::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(platform::ui::TableView&,
                                                                                         const IndexPath& path) {
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  const auto action = [weak, path](void (NewCameraSetupViewController::*work)(const IndexPath&)) {
    return [weak, path, work](platform::ui::ContextualAction&, platform::ui::View&,
                              platform::ui::ContextualAction::Completion done) {
      auto self = std::static_pointer_cast<NewCameraSetupViewController>(weak.lock());
      if (!self) return;
      (self.get()->*work)(path);
      self->views_.favoriteTable->setEditing(false, true);
      if (done) done(true);
    };
  };
  auto remove = platform::ui::ContextualAction::contextualActionWithStyle(
      platform::ui::ContextualActionStyle::Normal, localized("  Delete "),
      action(&NewCameraSetupViewController::deletePackageAtIndexPath));
  remove->setBackgroundColor(kit::UIConstants::redWarning());
  auto rename = platform::ui::ContextualAction::contextualActionWithStyle(
      platform::ui::ContextualActionStyle::Normal, localized("Rename "),
      action(&NewCameraSetupViewController::openRenameDialog));
  rename->setBackgroundColor(kit::UIConstants::tableViewRowActionGrey());
  auto configuration = platform::ui::SwipeActionsConfiguration::configurationWithActions({remove, rename});
  configuration->setPerformsFirstActionWithFullSwipe(false);
  return configuration;
}

}  // namespace app::setup

