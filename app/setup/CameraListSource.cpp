#include "app/setup/CameraListSource.h"

#include <cctype>

#include "app/kit/UIConstants.h"
#include "app/setup/DeleteSwipe.h"
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/SectionedList.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupText.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/OpenCatalogue.h"

using platform::ui::IndexPath;
using platform::ui::TableView;

namespace app::setup {

void CameraListSource::load(Filter filter, const std::string& query) {
  std::vector<model::Camera> cameras;
  if (storage::OpenCatalogue<storage::CameraFormatCatalogue> formats; formats) {
    if (filter == Filter::Cine) {
      cameras = formats->getAllManufacturersCine();
    } else if (filter == Filter::Photo) {
      cameras = formats->getAllManufacturersPhoto();
    } else {
      cameras = formats->getAllManufacturers();
    }
  }
  copyListOfFormatSearchItems = cameras;
  // Grouped by the same key the index shows, so every camera, whatever its first letter, is in a section.
  auto grouped = SectionedList::group(cameras, [](const model::Camera& c) { return c.manufacturer; });
  manufacturerIndex = std::move(grouped.keys);
  manufacturerItemsArray = std::move(grouped.sections);
  if (searching) runSearch(query);
}

void CameraListSource::runSearch(std::string query) {
  // A maker written with a blank after its first letter is found when typed without the blank.
  if (query.size() >= 2 && std::toupper(static_cast<unsigned char>(query[0])) == 'Z' &&
      std::toupper(static_cast<unsigned char>(query[1])) == 'C') {
    query.insert(1, " ");
  }
  formatItemsSearchArray = SectionedList::search(copyListOfFormatSearchItems, query,
                                                 [](const model::Camera& c) { return c.getListString(); });
}

void CameraListSource::endSearch() {
  searching = false;
  formatItemsSearchArray.clear();
  copyListOfFormatSearchItems.clear();
}

const model::Camera* CameraListSource::cameraAt(const IndexPath& path) const {
  const auto rowOf = [&path](const std::vector<model::Camera>& rows) -> const model::Camera* {
    if (path.row < 0 || static_cast<size_t>(path.row) >= rows.size()) return nullptr;
    return &rows[static_cast<size_t>(path.row)];
  };
  if (searching) return path.section == 0 ? rowOf(formatItemsSearchArray) : nullptr;
  if (path.section < 0 || static_cast<size_t>(path.section) >= manufacturerItemsArray.size()) return nullptr;
  return rowOf(manufacturerItemsArray[static_cast<size_t>(path.section)]);
}

std::optional<IndexPath> CameraListSource::indexPathOfCamera(int cameraId) const {
  if (searching) return std::nullopt;
  for (size_t s = 0; s < manufacturerItemsArray.size(); ++s) {
    for (size_t r = 0; r < manufacturerItemsArray[s].size(); ++r) {
      if (manufacturerItemsArray[s][r].manufacturerId == cameraId) {
        return IndexPath::forRow(static_cast<int64_t>(r), static_cast<int64_t>(s));
      }
    }
  }
  return std::nullopt;
}

// --- table ---

int64_t CameraListSource::numberOfSectionsInTableView(TableView&) {
  return searching ? 1 : static_cast<int64_t>(manufacturerItemsArray.size());
}

int64_t CameraListSource::tableViewNumberOfRowsInSection(TableView&, int64_t section) {
  if (searching) return static_cast<int64_t>(formatItemsSearchArray.size());
  if (section < 0 || static_cast<size_t>(section) >= manufacturerItemsArray.size()) return 0;
  return static_cast<int64_t>(manufacturerItemsArray[static_cast<size_t>(section)].size());
}

std::vector<std::string> CameraListSource::sectionIndexTitlesForTableView(TableView&) {
  if (searching) return {};
  return manufacturerIndex;
}

double CameraListSource::tableViewHeightForRowAtIndexPath(TableView&, const IndexPath&) {
  return CameraModeAspectLayout::kRowHeight;
}

std::shared_ptr<platform::ui::TableViewCell> CameraListSource::tableViewCellForRowAtIndexPath(TableView& table,
                                                                                              const IndexPath& path) {
  auto cell = std::dynamic_pointer_cast<ManufacturerCell>(table.dequeueReusableCell(ManufacturerCell::kReuseIdentifier));
  const auto* camera = cameraAt(path);
  if (!cell || !camera) return cell;
  cell->title->setText(camera->getListString());
  cell->setTag(camera->manufacturerId);
  cell->comment->setText(camera->origin == 1 ? localized("CUSTOM") : "");
  cell->anaFactorLabel->setText("");
  return cell;
}

void CameraListSource::tableViewWillDisplayCellForRowAtIndexPath(TableView& table, platform::ui::TableViewCell& cell,
                                                                 const IndexPath& path) {
  const auto* camera = cameraAt(path);
  if (!camera || camera->manufacturerId != screen_.currentCameraManuID) return;
  cell.setSelected(true, false);
  table.selectRowAtIndexPath(path, false, platform::ui::TableViewScrollPosition::None);
}

void CameraListSource::tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& path) { screen_.tapCamera(path); }

// --- deleting a camera of the person's own ---

bool CameraListSource::tableViewCanEditRowAtIndexPath(TableView&, const IndexPath& path) {
  const auto* camera = cameraAt(path);
  return !searching && camera && camera->origin == 1;
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
CameraListSource::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(TableView& table, const IndexPath& path) {
  if (!tableViewCanEditRowAtIndexPath(table, path)) return nullptr;
  std::weak_ptr<platform::runtime::Object> weak = screen_.weak_from_this();
  const model::Camera camera = *cameraAt(path);
  return DeleteSwipe::make(
      kit::UIConstants::redWarning(),
      [weak, camera](platform::ui::ContextualAction&, platform::ui::View&,
                     platform::ui::ContextualAction::Completion done) {
        auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock());
        if (!screen) return;
        screen->deleteCameraFormat(camera);
        screen->views().cameraTableView->setEditing(false, true);
        if (done) done(true);
      });
}

// --- search ---

void CameraListSource::searchBarTextDidBeginEditing(platform::ui::SearchBar& bar) {
  searching = true;
  formatItemsSearchArray = copyListOfFormatSearchItems;
  const auto& table = screen_.views().cameraTableView;
  table->reloadSectionIndexTitles();
  if (bar.text().empty()) table->reloadData();
}

void CameraListSource::searchBarTextDidChange(platform::ui::SearchBar& bar, const std::string& text) {
  const auto& table = screen_.views().cameraTableView;
  formatItemsSearchArray.clear();
  if (!text.empty()) {
    searching = true;
    table->setScrollEnabled(true);
    runSearch(bar.text());
  } else {
    searching = false;
  }
  table->reloadData();
}

void CameraListSource::searchBarSearchButtonClicked(platform::ui::SearchBar& bar) {
  formatItemsSearchArray.clear();
  if (!bar.text().empty()) {
    bar.resignFirstResponder();
    runSearch(bar.text());
    searching = true;
  } else {
    searching = false;
  }
  screen_.views().cameraTableView->reloadData();
}

void CameraListSource::searchBarCancelButtonClicked(platform::ui::SearchBar&) { screen_.cancelSearch(); }

}  // namespace app::setup
