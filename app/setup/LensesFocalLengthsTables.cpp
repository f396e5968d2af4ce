// The lens picker's two tables: what they list, and what a tap or a swipe on a row does.
#include "app/kit/UIConstants.h"
#include "app/setup/LensCells.h"
#include "app/setup/LensChoices.h"
#include "app/setup/LensRowTexts.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/OtherSlotRepair.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/setup/SetupListCells.h"
#include "app/setup/SetupPause.h"
#include "app/state/FramesObject.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/SwipeActionsConfiguration.h"

using app::setup::LensChoices;
using app::setup::LensRowTexts;
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

bool LensesFocalLengthsViewController::isSeriesTable(const TableView& table) const {
  return &table == views_.lensSeriesTableView.get();
}

std::int64_t LensesFocalLengthsViewController::numberOfSectionsInTableView(TableView& table) {
  if (isSeriesTable(table)) return static_cast<std::int64_t>(series_.numberOfSections());
  return &table == views_.focalLengthsTableView.get() ? 1 : 0;
}

std::int64_t LensesFocalLengthsViewController::tableViewNumberOfRowsInSection(TableView& table, std::int64_t section) {
  if (isSeriesTable(table)) return static_cast<std::int64_t>(series_.numberOfRows(static_cast<size_t>(section)));
  if (&table == views_.focalLengthsTableView.get()) return static_cast<std::int64_t>(lensItemsArray_.size());
  return 0;
}

std::vector<std::string> LensesFocalLengthsViewController::sectionIndexTitlesForTableView(TableView& table) {
  if (!isSeriesTable(table) || series_.searching()) return {};
  return series_.indexTitles();
}

std::shared_ptr<platform::ui::TableViewCell> LensesFocalLengthsViewController::tableViewCellForRowAtIndexPath(
    TableView& table, const IndexPath& indexPath) {
  if (isSeriesTable(table)) {
    auto series = series_.seriesAt(indexPath);
    if (!series) return nullptr;
    auto cell = std::dynamic_pointer_cast<ManufacturerCell>(table.dequeueReusableCell(ManufacturerCell::kReuseIdentifier));
    if (!cell) cell = platform::ui::make<ManufacturerCell>();
    cell->title->setText(series->getListString());
    cell->setTag(series->manufacturerId);
    cell->anaFactorLabel->setText(LensRowTexts::squeezeText(*series));
    return cell;
  }
  if (&table != views_.focalLengthsTableView.get() || indexPath.row < 0 ||
      static_cast<size_t>(indexPath.row) >= lensItemsArray_.size()) {
    return nullptr;
  }
  const auto& lens = lensItemsArray_[static_cast<size_t>(indexPath.row)];
  if (LensChoices::isPrime(lens)) {
    auto cell = dequeue<CameraSetupPrimeLensCell>(table);
    fillLensRow(*cell, lens);
    return cell;
  }
  auto cell = dequeue<CameraSetupZoomLensCell>(table);
  fillLensRow(*cell, lens);
  return cell;
}

void LensesFocalLengthsViewController::tableViewWillDisplayCellForRowAtIndexPath(TableView& table,
                                                                                 platform::ui::TableViewCell& cell,
                                                                                 const IndexPath& indexPath) {
  if (isSeriesTable(table)) {
    auto series = series_.seriesAt(indexPath);
    if (!series || series->selected != 1) return;
    cell.setSelected(true, false);
    table.selectRowAtIndexPath(indexPath, false, platform::ui::TableViewScrollPosition::None);
    loadLensesForManufacturer(*series);
    return;
  }
  if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= lensItemsArray_.size()) return;
  const auto& lens = lensItemsArray_[static_cast<size_t>(indexPath.row)];
  // A prime (no long end) shows its stored selection always; a zoom only once a series was chosen here.
  if (lens.selected == 1 && (lens.focalLengthMax < lens.focalLength || canSelectLenses)) {
    cell.setSelected(true, false);
    table.selectRowAtIndexPath(indexPath, false, platform::ui::TableViewScrollPosition::None);
  }
}

void LensesFocalLengthsViewController::tableViewDidSelectRowAtIndexPath(TableView& table, const IndexPath& indexPath) {
  if (isSeriesTable(table)) {
    tapSeries(indexPath);
  } else {
    tapLens(indexPath);
  }
}

void LensesFocalLengthsViewController::tapSeries(const IndexPath& indexPath) {
  auto series = series_.seriesAt(indexPath);
  if (!series) return;
  views_.backBtn->setAlpha(0);
  views_.exitBtn->setAlpha(0);
  if (!LensChoices::hasLenses(series->manufacturerId)) {
    // Nothing to choose: the row of the series that stays chosen keeps its mark, so that no row shows
    // a choice the catalogue does not hold.
    auto& table = *views_.lensSeriesTableView;
    table.deselectRowAtIndexPath(indexPath, false);
    if (auto chosen = series_.indexPathOf(lensManufacturerID)) {
      table.selectRowAtIndexPath(chosen, false, platform::ui::TableViewScrollPosition::None);
    }
    return;
  }
  if (series_.searching()) searchCancelButtonPressed();
  applySelectionMode(series->lensType);
  LensChoices::chooseSeries(series->manufacturerId);
  commit();
  lensManufacturerID = series->manufacturerId;
  canSelectLenses = true;
  loadLensesForManufacturer(*series);
  searchCancelButtonPressed();
  app::setup::SetupPause::pause(*this, [this] {
    views_.focalLengthsTableView->setContentOffset({0, 0}, false);
    goToFocalLengthsSelection();
  });
}

void LensesFocalLengthsViewController::tapLens(const IndexPath& indexPath) {
  if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= lensItemsArray_.size()) return;
  views_.backBtn->setAlpha(0);
  views_.exitBtn->setAlpha(0);
  model::LensObject lens = lensItemsArray_[static_cast<size_t>(indexPath.row)];
  if (LensChoices::isPrime(lens)) {
    LensChoices::selectPrime(lens, lensItemsArray_);
    commit();
    if (auto series = currentSeries()) loadLensesForManufacturer(*series);
    setPrimeLensCountLabel();
    return;
  }
  LensChoices::selectZoom(lens);
  // A zoom not stored leaves the picker open under its notice, with the way out the pick took away.
  if (!commit()) {
    showLensPageWayOut();
    return;
  }
  app::setup::SetupPause::pause(*this, [this] { doneBtnPressed(); });
}

void LensesFocalLengthsViewController::tableViewDidDeselectRowAtIndexPath(TableView& table,
                                                                          const IndexPath& indexPath) {
  if (isSeriesTable(table)) return;
  if (indexPath.row < 0 || static_cast<size_t>(indexPath.row) >= lensItemsArray_.size()) return;
  views_.backBtn->setAlpha(0);
  views_.exitBtn->setAlpha(0);
  model::LensObject lens = lensItemsArray_[static_cast<size_t>(indexPath.row)];
  LensChoices::deselect(lens);
  lensItemsArray_[static_cast<size_t>(indexPath.row)].selected = 0;
  commit();
  // The list loads again, which selects the shortest lens when the last one went.
  if (auto series = currentSeries()) loadLensesForManufacturer(*series);
  if (LensChoices::isPrime(lens)) setPrimeLensCountLabel();
}

// --- deletion ---

bool LensesFocalLengthsViewController::tableViewCanEditRowAtIndexPath(TableView& table, const IndexPath& indexPath) {
  if (series_.searching()) return false;
  if (isSeriesTable(table)) {
    auto series = series_.seriesAt(indexPath);
    return series && series->origin == 1;
  }
  return indexPath.row >= 0 && static_cast<size_t>(indexPath.row) < lensItemsArray_.size() &&
         lensItemsArray_[static_cast<size_t>(indexPath.row)].custom == 1;
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
LensesFocalLengthsViewController::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
    TableView& table, const IndexPath& indexPath) {
  if (!tableViewCanEditRowAtIndexPath(table, indexPath)) return nullptr;
  std::weak_ptr<TableView> weakTable = std::static_pointer_cast<TableView>(table.shared_from_this());
  platform::ui::ContextualAction::Handler handler;
  if (isSeriesTable(table)) {
    model::LensManufacturer series = *series_.seriesAt(indexPath);
    handler = [this, series, weakTable](auto&, auto&, auto completion) {
      deleteManufacturerObject(series);
      if (auto t = weakTable.lock()) t->setEditing(false, true);
      completion(true);
    };
  } else {
    model::LensObject lens = lensItemsArray_[static_cast<size_t>(indexPath.row)];
    handler = [this, lens, weakTable](auto&, auto&, auto completion) {
      deleteLensObject(lens);
      if (auto t = weakTable.lock()) t->setEditing(false, true);
      completion(true);
    };
  }
  auto action = platform::ui::ContextualAction::contextualActionWithStyle(
      platform::ui::ContextualActionStyle::Normal, platform::ui::LocalizedStrings::localizedString("Delete"),
      std::move(handler));
  action->setBackgroundColor(kit::UIConstants::redWarning());
  auto configuration = platform::ui::SwipeActionsConfiguration::configurationWithActions({action});
  configuration->setPerformsFirstActionWithFullSwipe(false);
  return configuration;
}

void LensesFocalLengthsViewController::deleteLensObject(const model::LensObject& lens) {
  switch (LensChoices::deleteLens(lens, lensItemsArray_.size())) {
    case LensChoices::Deleted::LastLens: showLastLensAlert(); return;
    case LensChoices::Deleted::Refused:
      tellDeleteRefused("The lens " + LensRowTexts::title(lens));
      return;
    case LensChoices::Deleted::PackagesNotFollowed:
      saveFailure_.reportPackagesNotFollowed(*this, "the lens " + LensRowTexts::title(lens));
      break;
    case LensChoices::Deleted::Done: break;
  }
  commit();
  if (auto frames = SetupControllerUtil::getApplication())
    app::setup::OtherSlotRepair::lensDeleted(*frames, lens.lensId);
  if (auto series = currentSeries()) loadLensesForManufacturer(*series);
}

void LensesFocalLengthsViewController::deleteManufacturerObject(const model::LensManufacturer& series) {
  const std::string name = "\"" + series.manufacturer + (series.series.empty() ? "" : " " + series.series) + "\"";
  switch (LensChoices::deleteSeries(series.manufacturerId)) {
    case LensChoices::Deleted::Refused: tellDeleteRefused("The lens series " + name); return;
    case LensChoices::Deleted::PackagesNotFollowed:
      saveFailure_.reportPackagesNotFollowed(*this, "the lens series " + name);
      break;
    case LensChoices::Deleted::Done:
    case LensChoices::Deleted::LastLens: break;
  }
  if (SetupControllerUtil::getCurrentLensManufacturerID() == series.manufacturerId) {
    SetupControllerUtil::setDefaultLensManufacturer();
  }
  commit();
  if (auto frames = SetupControllerUtil::getApplication()) {
    app::setup::OtherSlotRepair::seriesDeleted(*frames, series.manufacturerId);
  }
  currentLensManufacturerID = SetupControllerUtil::getCurrentLensManufacturerID();
  lensManufacturerID = currentLensManufacturerID;
  loadDataFromDB();
  views_.lensSeriesTableView->reloadData();
  views_.lensSeriesTableView->reloadSectionIndexTitles();
}

// The row stays listed and the package keeps it: nothing is committed. The refusal is told here, not
// again by the next commit as a lens choice the catalogue did not store.
void LensesFocalLengthsViewController::tellDeleteRefused(const std::string& what) {
  refusedLensWritesSeen_ = refusedLensWrites();
  saveFailure_.reportDelete(*this, what);
}

}  // namespace app::setup
