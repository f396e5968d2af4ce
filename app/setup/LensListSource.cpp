#include "app/setup/LensListSource.h"

#include "app/kit/UIConstants.h"
#include "app/setup/DeleteSwipe.h"
#include "app/setup/LensCells.h"
#include "app/setup/LensChoices.h"
#include "app/setup/LensRowTexts.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/state/FramesObject.h"
#include "platform/ui/LocalizedStrings.h"

using platform::ui::IndexPath;
using platform::ui::TableView;

namespace app::setup {

namespace {

template <class Cell>
std::shared_ptr<Cell> dequeue(TableView& table) {
  auto reused = std::dynamic_pointer_cast<Cell>(table.dequeueReusableCell(Cell::kReuseIdentifier));
  if (reused) return reused;
  return platform::ui::make<Cell>(platform::ui::TableViewCellStyle::Default, Cell::kReuseIdentifier);
}

int measurementSystem() {
  auto frames = SetupControllerUtil::getApplication();
  return frames ? frames->settings.measurementSystem : 0;
}

void fillLensRow(auto& cell, const model::LensObject& lens) {
  cell.comment->setAlpha(1);
  cell.comment->setText(LensRowTexts::comment(lens));
  cell.commentLeadingConstraint.setConstant(lens.custom == 1 ? -40.0 : 20.0);
  cell.apertureLabel->setText(LensRowTexts::aperture(lens));
  cell.closeFocusLabel->setText(LensRowTexts::closeFocus(lens, measurementSystem()));
  cell.title->setText(LensRowTexts::title(lens));
  cell.setTag(lens.lensId);
  cell.setNeedsLayout();
}

}  // namespace

const model::LensObject* LensListSource::lensAt(const IndexPath& indexPath) const {
  if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= lensItemsArray.size()) return nullptr;
  return &lensItemsArray[static_cast<size_t>(indexPath.row)];
}

std::int64_t LensListSource::tableViewNumberOfRowsInSection(TableView&, std::int64_t) {
  return static_cast<std::int64_t>(lensItemsArray.size());
}

std::shared_ptr<platform::ui::TableViewCell> LensListSource::tableViewCellForRowAtIndexPath(TableView& table,
                                                                                            const IndexPath& indexPath) {
  const auto* lens = lensAt(indexPath);
  if (!lens) return nullptr;
  if (lens->isPrime()) {
    auto cell = dequeue<CameraSetupPrimeLensCell>(table);
    fillLensRow(*cell, *lens);
    return cell;
  }
  auto cell = dequeue<CameraSetupZoomLensCell>(table);
  fillLensRow(*cell, *lens);
  return cell;
}

void LensListSource::tableViewWillDisplayCellForRowAtIndexPath(TableView& table, platform::ui::TableViewCell& cell,
                                                               const IndexPath& indexPath) {
  const auto* lens = lensAt(indexPath);
  if (!lens) return;
  // A prime (no long end) shows its stored selection always; a zoom only once a series was chosen here.
  if (lens->selected == 1 && (lens->focalLengthMax < lens->focalLength || screen_.canSelectLenses)) {
    cell.setSelected(true, false);
    table.selectRowAtIndexPath(indexPath, false, platform::ui::TableViewScrollPosition::None);
  }
}

void LensListSource::tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& indexPath) {
  screen_.tapLens(indexPath);
}

void LensListSource::tableViewDidDeselectRowAtIndexPath(TableView&, const IndexPath& indexPath) {
  screen_.untapLens(indexPath);
}

// --- deleting a lens of the person's own ---

bool LensListSource::tableViewCanEditRowAtIndexPath(TableView&, const IndexPath& indexPath) {
  if (screen_.seriesList().searching()) return false;
  const auto* lens = lensAt(indexPath);
  return lens && lens->custom == 1;
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
LensListSource::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(TableView& table,
                                                                           const IndexPath& indexPath) {
  if (!tableViewCanEditRowAtIndexPath(table, indexPath)) return nullptr;
  std::weak_ptr<TableView> weakTable = std::static_pointer_cast<TableView>(table.shared_from_this());
  model::LensObject lens = *lensAt(indexPath);
  return DeleteSwipe::make(
      kit::UIConstants::redWarning(),
      [this, lens, weakTable](auto&, auto&, auto completion) {
        screen_.deleteLensObject(lens);
        if (auto t = weakTable.lock()) t->setEditing(false, true);
        completion(true);
      });
}

}  // namespace app::setup
