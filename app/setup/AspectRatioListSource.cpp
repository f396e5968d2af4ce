#include "app/setup/AspectRatioListSource.h"

#include "app/kit/UIConstants.h"
#include "app/setup/DeleteSwipe.h"
#include "app/setup/AspectRatioList.h"
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupText.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/OpenCatalogue.h"

using platform::graphics::Color;
using platform::ui::IndexPath;
using platform::ui::TableView;

namespace app::setup {

namespace {

constexpr Color kRatioDeleteColor = Color::fromBytes(245, 78, 70);

}  // namespace

void AspectRatioListSource::load(const model::CameraShootingMode& mode) {
  std::vector<model::Crop> crops;
  if (storage::OpenCatalogue<storage::CameraFormatCatalogue> formats; formats) {
    crops = formats->getCropsForNativeFormat(mode);
  }
  const auto package = SetupControllerUtil::getCurrentPackage().value_or(model::CameraPackage());
  cropList = AspectRatioList::offered(crops, package);
  positionNativeAspect = AspectRatioList::placeNativeRow(cropList, AspectRatioList::nativeValue(package));
}

const model::Crop* AspectRatioListSource::cropAt(const IndexPath& path) const {
  if (path.row < 0 || static_cast<size_t>(path.row) >= cropList.size()) return nullptr;
  return &cropList[static_cast<size_t>(path.row)];
}

std::optional<IndexPath> AspectRatioListSource::indexPathOfCrop(int cropId) const {
  for (size_t r = 0; r < cropList.size(); ++r) {
    if (cropList[r].cropID == cropId) return IndexPath::forRow(static_cast<int64_t>(r), 0);
  }
  return std::nullopt;
}

int64_t AspectRatioListSource::tableViewNumberOfRowsInSection(TableView&, int64_t) {
  return static_cast<int64_t>(cropList.size());
}

double AspectRatioListSource::tableViewHeightForRowAtIndexPath(TableView&, const IndexPath&) {
  return CameraModeAspectLayout::kRowHeight;
}

std::shared_ptr<platform::ui::TableViewCell> AspectRatioListSource::tableViewCellForRowAtIndexPath(
    TableView& table, const IndexPath& path) {
  auto cell = std::dynamic_pointer_cast<AspectRatioTableViewCell>(
      table.dequeueReusableCell(AspectRatioTableViewCell::kReuseIdentifier));
  const auto* crop = cropAt(path);
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

void AspectRatioListSource::tableViewWillDisplayCellForRowAtIndexPath(TableView& table,
                                                                      platform::ui::TableViewCell& cell,
                                                                      const IndexPath& path) {
  if (!screen_.markCropList) return;
  const auto* crop = cropAt(path);
  if (!crop || crop->cropID != screen_.currentAspectRatioID) return;
  cell.setSelected(true, false);
  table.selectRowAtIndexPath(path, false, platform::ui::TableViewScrollPosition::None);
}

void AspectRatioListSource::tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& path) {
  screen_.tapRatio(path);
}

// --- deleting a ratio of the person's own ---

bool AspectRatioListSource::tableViewCanEditRowAtIndexPath(TableView&, const IndexPath& path) {
  const auto* crop = cropAt(path);
  return crop && crop->customType == 1;
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
AspectRatioListSource::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(TableView& table,
                                                                                  const IndexPath& path) {
  if (!tableViewCanEditRowAtIndexPath(table, path)) return nullptr;
  std::weak_ptr<platform::runtime::Object> weak = screen_.weak_from_this();
  const int cropId = cropAt(path)->cropID;
  return DeleteSwipe::make(
      kRatioDeleteColor,
      [weak, cropId](platform::ui::ContextualAction&, platform::ui::View&,
                     platform::ui::ContextualAction::Completion done) {
        auto screen = std::static_pointer_cast<CameraModeAspectViewController>(weak.lock());
        if (!screen) return;
        screen->deleteCrop(cropId);
        if (done) done(true);
      });
}

}  // namespace app::setup
