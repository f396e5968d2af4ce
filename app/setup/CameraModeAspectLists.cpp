// CameraModeAspectViewController: the three lists, their rows and taps, the search and the filters.
#include <cctype>

#include "app/kit/UIConstants.h"
#include "app/settings/InteractiveGuideManager.h"
#include "app/setup/AspectRatioList.h"
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/SectionedList.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupIcons.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupPause.h"
#include "app/setup/SetupText.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/OpenCatalogue.h"
#include "platform/log/Log.h"
#include "platform/ui/AnimationOptions.h"
#include "platform/ui/LocalizedStrings.h"

using app::setup::AspectRatioList;
using app::setup::SectionedList;
using app::storage::OpenCatalogue;
using platform::graphics::Color;
using platform::ui::IndexPath;
using platform::ui::TableView;
using platform::ui::View;

namespace app::setup {

namespace {

constexpr double kMenuSlide = 0.2;
constexpr double kMenuSettle = 0.1;

using app::setup::localized;

template <class T>
const T* rowOf(const std::vector<T>& rows, const IndexPath& path) {
  if (path.row < 0 || static_cast<size_t>(path.row) >= rows.size()) return nullptr;
  return &rows[static_cast<size_t>(path.row)];
}

}  // namespace

// --- loads ---

void CameraModeAspectViewController::loadCameraManufacturerList() {
  std::vector<model::Camera> cameras;
  if (OpenCatalogue<storage::CameraFormatCatalogue> formats; formats) {
    if (filterCineActive) {
      cameras = formats->getAllManufacturersCine();
    } else if (filterPhotoActive) {
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
  if (searching) runSearch();
}

void CameraModeAspectViewController::loadShootingModesForManufacturer(int manufacturerId) {
  OpenCatalogue<storage::CameraFormatCatalogue> formats;
  shootingModeItemsArray = formats ? formats->getAllShootingModesForManufacturer(manufacturerId)
                                   : std::vector<model::CameraShootingMode>();
  views_.shootingModeTableView->reloadData();
}

void CameraModeAspectViewController::loadAspectRatioList(const model::CameraShootingMode& mode) {
  std::vector<model::Crop> crops;
  if (OpenCatalogue<storage::CameraFormatCatalogue> formats; formats) crops = formats->getCropsForNativeFormat(mode);
  const auto package = SetupControllerUtil::getCurrentPackage().value_or(model::CameraPackage());
  cropList = AspectRatioList::offered(crops, package);
  positionNativeAspect = AspectRatioList::placeNativeRow(cropList, AspectRatioList::nativeValue(package));
  auto& table = *views_.aspectRatioTableView;
  table.reloadData();
  if (positionNativeAspect) {
    table.scrollToRowAtIndexPath(IndexPath::forRow(static_cast<int64_t>(*positionNativeAspect), 0),
                                 platform::ui::TableViewScrollPosition::Middle, false);
  }
}

// --- rows ---

const model::Camera* CameraModeAspectViewController::cameraAt(const IndexPath& path) const {
  if (searching) return path.section == 0 ? rowOf(formatItemsSearchArray, path) : nullptr;
  if (path.section < 0 || static_cast<size_t>(path.section) >= manufacturerItemsArray.size()) return nullptr;
  return rowOf(manufacturerItemsArray[static_cast<size_t>(path.section)], path);
}

std::optional<IndexPath> CameraModeAspectViewController::indexPathOfCamera(int cameraId) const {
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

std::optional<IndexPath> CameraModeAspectViewController::indexPathOfMode(int formatId) const {
  for (size_t r = 0; r < shootingModeItemsArray.size(); ++r) {
    if (shootingModeItemsArray[r].containerID == formatId) return IndexPath::forRow(static_cast<int64_t>(r), 0);
  }
  return std::nullopt;
}

std::optional<IndexPath> CameraModeAspectViewController::indexPathOfCrop(int cropId) const {
  for (size_t r = 0; r < cropList.size(); ++r) {
    if (cropList[r].cropID == cropId) return IndexPath::forRow(static_cast<int64_t>(r), 0);
  }
  return std::nullopt;
}

int64_t CameraModeAspectViewController::numberOfSectionsInTableView(TableView& table) {
  if (&table != views_.cameraTableView.get() || searching) return 1;
  return static_cast<int64_t>(manufacturerItemsArray.size());
}

int64_t CameraModeAspectViewController::tableViewNumberOfRowsInSection(TableView& table, int64_t section) {
  if (&table == views_.shootingModeTableView.get()) return static_cast<int64_t>(shootingModeItemsArray.size());
  if (&table == views_.aspectRatioTableView.get()) return static_cast<int64_t>(cropList.size());
  if (searching) return static_cast<int64_t>(formatItemsSearchArray.size());
  if (section < 0 || static_cast<size_t>(section) >= manufacturerItemsArray.size()) return 0;
  return static_cast<int64_t>(manufacturerItemsArray[static_cast<size_t>(section)].size());
}

std::vector<std::string> CameraModeAspectViewController::sectionIndexTitlesForTableView(TableView& table) {
  if (&table != views_.cameraTableView.get() || searching) return {};
  return manufacturerIndex;
}

double CameraModeAspectViewController::tableViewHeightForRowAtIndexPath(TableView&, const IndexPath&) {
  return kRowHeight;
}

std::shared_ptr<platform::ui::TableViewCell> CameraModeAspectViewController::tableViewCellForRowAtIndexPath(
    TableView& table, const IndexPath& path) {
  if (&table == views_.cameraTableView.get()) {
    auto cell = std::dynamic_pointer_cast<ManufacturerCell>(table.dequeueReusableCell(ManufacturerCell::kReuseIdentifier));
    const auto* camera = cameraAt(path);
    if (!cell || !camera) return cell;
    cell->title->setText(camera->getListString());
    cell->setTag(camera->manufacturerId);
    cell->comment->setText(camera->origin == 1 ? localized("CUSTOM") : "");
    cell->anaFactorLabel->setText("");
    return cell;
  }
  if (&table == views_.shootingModeTableView.get()) {
    auto cell = std::dynamic_pointer_cast<SetupFormatCell>(table.dequeueReusableCell(SetupFormatCell::kReuseIdentifier));
    const auto* mode = rowOf(shootingModeItemsArray, path);
    if (!cell || !mode) return cell;
    cell->crop->setHidden(true);
    cell->setTag(mode->containerID);
    cell->title->setText(mode->shootingMode);
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<AspectRatioTableViewCell>(
      table.dequeueReusableCell(AspectRatioTableViewCell::kReuseIdentifier));
  const auto* crop = rowOf(cropList, path);
  if (!cell || !crop) return cell;
  cell->setTag(crop->cropID);
  cell->aspectRatio->setFont(kit::UIConstants::romanFontWithSize(14));
  cell->native->setFont(kit::UIConstants::mediumFontWithSize(10));
  if (crop->cropID != AspectRatioList::kNativeCropId) {
    cell->aspectRatio->setText(crop->aspectRatio);
    cell->native->setText("");
    return cell;
  }
  const auto texts = AspectRatioList::nativeTexts(SetupControllerUtil::getCurrentPackage().value_or(model::CameraPackage()));
  cell->aspectRatio->setFont(kit::UIConstants::heavyFontWithSize(14));
  cell->aspectRatio->setText(texts.ratio);
  cell->native->setText(texts.label);
  return cell;
}

void CameraModeAspectViewController::tableViewWillDisplayCellForRowAtIndexPath(TableView& table,
                                                                               platform::ui::TableViewCell& cell,
                                                                               const IndexPath& path) {
  bool chosen = false;
  if (&table == views_.cameraTableView.get()) {
    const auto* camera = cameraAt(path);
    chosen = camera && camera->manufacturerId == currentCameraManuID;
  } else if (&table == views_.shootingModeTableView.get()) {
    const auto* mode = rowOf(shootingModeItemsArray, path);
    chosen = mode && mode->containerID == currentShootingModeID;
  } else if (markCropList) {
    const auto* crop = rowOf(cropList, path);
    chosen = crop && crop->cropID == currentAspectRatioID;
  }
  if (!chosen) return;
  cell.setSelected(true, false);
  table.selectRowAtIndexPath(path, false, platform::ui::TableViewScrollPosition::None);
}

void CameraModeAspectViewController::tableViewDidSelectRowAtIndexPath(TableView& table, const IndexPath& path) {
  if (&table == views_.cameraTableView.get()) {
    tapCamera(path);
  } else if (&table == views_.shootingModeTableView.get()) {
    tapMode(path);
  } else {
    tapRatio(path);
  }
}

// --- taps ---

void CameraModeAspectViewController::tapCamera(const IndexPath& path) {
  const auto* row = cameraAt(path);
  if (!row) return;
  const model::Camera camera = *row;
  if (searching) searchCancelButtonPressed();
  // A pick from the list below an open form leaves the form behind.
  if (newFormatCreation) closeForm();
  loadShootingModesForManufacturer(camera.manufacturerId);
  // A camera without a shooting mode has nothing to commit: the screen stays as it was.
  if (shootingModeItemsArray.empty()) {
    platform::log::write(platform::log::Error, "The camera " + camera.getListString() + " has no shooting mode");
    loadShootingModesForManufacturer(currentCameraManuID);
    return;
  }
  currentCameraManuID = camera.manufacturerId;
  cropList.clear();
  views_.aspectRatioTableView->reloadData();
  tmpManufacturer = camera;
  if (shootingModeItemsArray.size() < 2) {
    const model::CameraShootingMode mode = shootingModeItemsArray.front();
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
  const auto* row = rowOf(shootingModeItemsArray, path);
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
  const auto* row = rowOf(cropList, path);
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

void CameraModeAspectViewController::runSearch() {
  std::string query = views_.searchFormatBar->text();
  // A maker written with a blank after its first letter is found when typed without the blank.
  if (query.size() >= 2 && std::toupper(static_cast<unsigned char>(query[0])) == 'Z' &&
      std::toupper(static_cast<unsigned char>(query[1])) == 'C') {
    query.insert(1, " ");
  }
  formatItemsSearchArray = SectionedList::search(copyListOfFormatSearchItems, query,
                                                 [](const model::Camera& c) { return c.getListString(); });
}

void CameraModeAspectViewController::searchBarTextDidBeginEditing(platform::ui::SearchBar& bar) {
  searching = true;
  formatItemsSearchArray = copyListOfFormatSearchItems;
  views_.cameraTableView->reloadSectionIndexTitles();
  if (bar.text().empty()) views_.cameraTableView->reloadData();
}

void CameraModeAspectViewController::searchBarTextDidChange(platform::ui::SearchBar&, const std::string& text) {
  formatItemsSearchArray.clear();
  if (!text.empty()) {
    searching = true;
    views_.cameraTableView->setScrollEnabled(true);
    runSearch();
  } else {
    searching = false;
  }
  views_.cameraTableView->reloadData();
}

void CameraModeAspectViewController::searchBarSearchButtonClicked(platform::ui::SearchBar& bar) {
  formatItemsSearchArray.clear();
  if (!bar.text().empty()) {
    bar.resignFirstResponder();
    runSearch();
    searching = true;
  } else {
    searching = false;
  }
  views_.cameraTableView->reloadData();
}

void CameraModeAspectViewController::searchBarCancelButtonClicked(platform::ui::SearchBar&) { cancelSearch(); }

void CameraModeAspectViewController::cancelSearch() {
  auto& v = views_;
  v.searchFormatBar->resignFirstResponder();
  v.searchFormatBar->setText("");
  searching = false;
  formatItemsSearchArray.clear();
  copyListOfFormatSearchItems.clear();
  loadDataFromDB();
  v.cameraTableView->reloadData();
  v.cameraTableView->reloadSectionIndexTitles();
}

// --- filters ---

void CameraModeAspectViewController::filterButtonDown() {
  views_.filterCameraIcon->setImage(app::setup::SetupIcons::filter(kit::UIConstants::blue()));
}

void CameraModeAspectViewController::filterButtonUp() {
  views_.filterCameraIcon->setImage(app::setup::SetupIcons::filter(kit::UIConstants::contrastText()));
}

void CameraModeAspectViewController::setFilterLooks() {
  auto& v = views_;
  const bool on = filterCineActive || filterPhotoActive;
  v.filterCameraIcon->setImage(app::setup::SetupIcons::filter(on ? kit::UIConstants::blue() : kit::UIConstants::contrastText()));
  v.filterCameraBtn->setSelected(on);
  if (filterCineActive) v.filterCameraCineBtn->setFilterSelected(); else v.filterCameraCineBtn->setFilterNotSelected();
  if (filterPhotoActive) v.filterCameraPhotoBtn->setFilterSelected(); else v.filterCameraPhotoBtn->setFilterNotSelected();
}

void CameraModeAspectViewController::filterButtonPressed() {
  auto& v = views_;
  if (filterMenuOpen) {
    closeFilterMenu(searchActive);
    return;
  }
  filterMenuOpen = true;
  v.filterCameraIcon->setImage(app::setup::SetupIcons::filter(kit::UIConstants::blue()));
  v.filterCameraBtn->setSelected(true);
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  View::animate(
      kMenuSlide, 0, platform::ui::AnimationOptionCurveEaseIn,
      [this] {
        views_.filterCameraCineBtn->setAlpha(0.5);
        views_.filterCameraPhotoBtn->setAlpha(0.5);
        filterMenuTopConstraint.setConstant(0);
        view()->setNeedsLayout();
        view()->layoutIfNeeded();
      },
      [weak](bool) {
        auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock());
        if (!screen) return;
        View::animate(kMenuSettle, 0, platform::ui::AnimationOptionCurveEaseOut, [screen] {
          screen->views_.filterCameraCineBtn->setAlpha(1);
          screen->views_.filterCameraPhotoBtn->setAlpha(1);
        });
      });
}

void CameraModeAspectViewController::closeFilterMenu(bool keepCreateHidden) {
  filterMenuOpen = false;
  std::weak_ptr<platform::runtime::Object> weak = weak_from_this();
  View::animate(
      kMenuSlide, 0, platform::ui::AnimationOptionCurveEaseInOut,
      [this] {
        filterMenuTopConstraint.setConstant(-kFilterMenuHeight);
        view()->setNeedsLayout();
        view()->layoutIfNeeded();
      },
      [weak, keepCreateHidden](bool) {
        auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock());
        if (!screen) return;
        screen->setFilterLooks();
        View::animate(kMenuSettle, 0, platform::ui::AnimationOptionCurveEaseOut, [screen, keepCreateHidden] {
          if (!keepCreateHidden && !screen->searchActive && screen->menuPosition != 2 && !screen->newFormatCreation) {
            screen->views_.createNewBtn->setAlpha(1);
          }
        });
      });
}

void CameraModeAspectViewController::filterCineButtonPressed() {
  if (!filterCineActive) {
    filterCineActive = true;
    filterPhotoActive = false;
  } else {
    filterCineActive = false;
  }
  reloadAfterFilter();
}

void CameraModeAspectViewController::filterPhotoButtonPressed() {
  if (!filterPhotoActive) {
    filterPhotoActive = true;
    filterCineActive = false;
  } else {
    filterPhotoActive = false;
  }
  reloadAfterFilter();
}

void CameraModeAspectViewController::reloadAfterFilter() {
  setFilterLooks();
  views_.filterCameraIcon->setImage(app::setup::SetupIcons::filter(kit::UIConstants::blue()));
  loadCameraManufacturerList();
  views_.cameraTableView->reloadData();
}

}  // namespace app::setup

