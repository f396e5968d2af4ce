#include "app/setup/ShootingModeListSource.h"

#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/SetupListCells.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/OpenCatalogue.h"

using platform::ui::IndexPath;
using platform::ui::TableView;

namespace app::setup {

void ShootingModeListSource::load(int manufacturerId) {
  storage::OpenCatalogue<storage::CameraFormatCatalogue> formats;
  shootingModeItemsArray = formats ? formats->getAllShootingModesForManufacturer(manufacturerId)
                                   : std::vector<model::CameraShootingMode>();
}

const model::CameraShootingMode* ShootingModeListSource::modeAt(const IndexPath& path) const {
  if (path.row < 0 || static_cast<size_t>(path.row) >= shootingModeItemsArray.size()) return nullptr;
  return &shootingModeItemsArray[static_cast<size_t>(path.row)];
}

std::optional<IndexPath> ShootingModeListSource::indexPathOfMode(int formatId) const {
  for (size_t r = 0; r < shootingModeItemsArray.size(); ++r) {
    if (shootingModeItemsArray[r].containerID == formatId) return IndexPath::forRow(static_cast<int64_t>(r), 0);
  }
  return std::nullopt;
}

int64_t ShootingModeListSource::tableViewNumberOfRowsInSection(TableView&, int64_t) {
  return static_cast<int64_t>(shootingModeItemsArray.size());
}

double ShootingModeListSource::tableViewHeightForRowAtIndexPath(TableView&, const IndexPath&) {
  return CameraModeAspectLayout::kRowHeight;
}

std::shared_ptr<platform::ui::TableViewCell> ShootingModeListSource::tableViewCellForRowAtIndexPath(
    TableView& table, const IndexPath& path) {
  auto cell = std::dynamic_pointer_cast<SetupFormatCell>(table.dequeueReusableCell(SetupFormatCell::kReuseIdentifier));
  const auto* mode = modeAt(path);
  if (!cell || !mode) return cell;
  cell->crop->setHidden(true);
  cell->setTag(mode->containerID);
  cell->title->setText(mode->shootingMode);
  return cell;
}

// A shooting mode is the catalogue's: none is the person's to delete.
bool ShootingModeListSource::tableViewCanEditRowAtIndexPath(TableView&, const IndexPath&) { return false; }

void ShootingModeListSource::tableViewWillDisplayCellForRowAtIndexPath(TableView& table,
                                                                       platform::ui::TableViewCell& cell,
                                                                       const IndexPath& path) {
  const auto* mode = modeAt(path);
  if (!mode || mode->containerID != screen_.currentShootingModeID) return;
  cell.setSelected(true, false);
  table.selectRowAtIndexPath(path, false, platform::ui::TableViewScrollPosition::None);
}

void ShootingModeListSource::tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& path) {
  screen_.tapMode(path);
}

}  // namespace app::setup
