#include "app/setup/SavedPackagesListSource.h"

#include "app/kit/UIConstants.h"
#include "app/setup/NewCameraSetupViewController.h"
#include "app/setup/SavedPackages.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupText.h"
#include "platform/ui/SwipeActionsConfiguration.h"

using platform::ui::IndexPath;

namespace app::setup {

const model::CameraPackage* SavedPackagesListSource::packageAt(const IndexPath& path) const {
  if (static_cast<size_t>(path.row) >= packageItemsArray.size()) return nullptr;
  return &packageItemsArray[path.row];
}

int64_t SavedPackagesListSource::tableViewNumberOfRowsInSection(platform::ui::TableView&, int64_t) {
  return static_cast<int64_t>(packageItemsArray.size());
}

double SavedPackagesListSource::tableViewHeightForRowAtIndexPath(platform::ui::TableView&, const IndexPath&) {
  return kRowHeight;
}

std::shared_ptr<platform::ui::TableViewCell> SavedPackagesListSource::tableViewCellForRowAtIndexPath(
    platform::ui::TableView& table, const IndexPath& path) {
  const auto* package = packageAt(path);
  if (!package) return nullptr;
  auto cell = std::dynamic_pointer_cast<SetupControllerPackageCell>(
      table.dequeueReusableCell(SetupControllerPackageCell::kReuseIdentifier));
  if (!cell) return nullptr;
  const auto texts = SavedPackages::cellTexts(*package);
  cell->title->setText(texts.title);
  cell->format->setText(texts.format);
  cell->lenses->setText(texts.lenses);
  return cell;
}

void SavedPackagesListSource::tableViewDidSelectRowAtIndexPath(platform::ui::TableView&, const IndexPath& path) {
  screen_.loadSavedPackage(path);
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
SavedPackagesListSource::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(platform::ui::TableView&,
                                                                                    const IndexPath& path) {
  std::weak_ptr<platform::runtime::Object> weak = screen_.weak_from_this();
  const auto action = [weak, path](void (NewCameraSetupViewController::*work)(const IndexPath&)) {
    return [weak, path, work](platform::ui::ContextualAction&, platform::ui::View&,
                              platform::ui::ContextualAction::Completion done) {
      auto screen = std::static_pointer_cast<NewCameraSetupViewController>(weak.lock());
      if (!screen) return;
      (screen.get()->*work)(path);
      screen->views().favoriteTable->setEditing(false, true);
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
