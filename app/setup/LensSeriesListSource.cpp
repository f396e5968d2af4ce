#include "app/setup/LensSeriesListSource.h"

#include "app/kit/UIConstants.h"
#include "app/setup/DeleteSwipe.h"
#include "app/setup/LensRowTexts.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/SetupListCells.h"
#include "platform/ui/LocalizedStrings.h"

using platform::ui::IndexPath;
using platform::ui::TableView;

namespace app::setup {

std::int64_t LensSeriesListSource::numberOfSectionsInTableView(TableView&) {
  return static_cast<std::int64_t>(screen_.seriesList().numberOfSections());
}

std::int64_t LensSeriesListSource::tableViewNumberOfRowsInSection(TableView&, std::int64_t section) {
  return static_cast<std::int64_t>(screen_.seriesList().numberOfRows(static_cast<size_t>(section)));
}

std::vector<std::string> LensSeriesListSource::sectionIndexTitlesForTableView(TableView&) {
  const auto& list = screen_.seriesList();
  if (list.searching()) return {};
  return list.indexTitles();
}

std::shared_ptr<platform::ui::TableViewCell> LensSeriesListSource::tableViewCellForRowAtIndexPath(
    TableView& table, const IndexPath& indexPath) {
  auto series = screen_.seriesList().seriesAt(indexPath);
  if (!series) return nullptr;
  auto cell = std::dynamic_pointer_cast<ManufacturerCell>(table.dequeueReusableCell(ManufacturerCell::kReuseIdentifier));
  if (!cell) cell = platform::ui::make<ManufacturerCell>();
  cell->title->setText(series->getListString());
  cell->setTag(series->manufacturerId);
  cell->anaFactorLabel->setText(LensRowTexts::squeezeText(*series));
  return cell;
}

void LensSeriesListSource::tableViewWillDisplayCellForRowAtIndexPath(TableView& table, platform::ui::TableViewCell& cell,
                                                                     const IndexPath& indexPath) {
  auto series = screen_.seriesList().seriesAt(indexPath);
  if (!series || series->selected != 1) return;
  cell.setSelected(true, false);
  table.selectRowAtIndexPath(indexPath, false, platform::ui::TableViewScrollPosition::None);
  screen_.loadLensesForManufacturer(*series);
}

void LensSeriesListSource::tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& indexPath) {
  screen_.tapSeries(indexPath);
}

// --- deleting a series of the person's own ---

bool LensSeriesListSource::tableViewCanEditRowAtIndexPath(TableView&, const IndexPath& indexPath) {
  const auto& list = screen_.seriesList();
  if (list.searching()) return false;
  auto series = list.seriesAt(indexPath);
  return series && series->origin == 1;
}

std::shared_ptr<platform::ui::SwipeActionsConfiguration>
LensSeriesListSource::tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(TableView& table,
                                                                                 const IndexPath& indexPath) {
  if (!tableViewCanEditRowAtIndexPath(table, indexPath)) return nullptr;
  std::weak_ptr<TableView> weakTable = std::static_pointer_cast<TableView>(table.shared_from_this());
  model::LensManufacturer series = *screen_.seriesList().seriesAt(indexPath);
  return DeleteSwipe::make(
      kit::UIConstants::redWarning(),
      [this, series, weakTable](auto&, auto&, auto completion) {
        screen_.deleteManufacturerObject(series);
        if (auto t = weakTable.lock()) t->setEditing(false, true);
        completion(true);
      });
}

// --- search ---

void LensSeriesListSource::searchBarTextDidBeginEditing(platform::ui::SearchBar& bar) {
  auto& series = screen_.seriesList();
  auto& table = *screen_.views().lensSeriesTableView;
  series.startSearch();
  table.reloadSectionIndexTitles();
  if (bar.text().empty()) table.reloadData();
}

void LensSeriesListSource::searchBarTextDidChange(platform::ui::SearchBar&, const std::string& text) {
  auto& series = screen_.seriesList();
  auto& table = *screen_.views().lensSeriesTableView;
  if (text.empty()) {
    series.endSearch();
  } else {
    if (!series.searching()) series.startSearch();
    series.search(text);
  }
  table.reloadData();
  table.reloadSectionIndexTitles();
}

void LensSeriesListSource::searchBarSearchButtonClicked(platform::ui::SearchBar& bar) {
  auto& series = screen_.seriesList();
  auto& table = *screen_.views().lensSeriesTableView;
  const std::string text = bar.text();
  if (text.empty()) {
    series.endSearch();
  } else {
    (void)bar.resignFirstResponder();
    if (!series.searching()) series.startSearch();
    series.search(text);
  }
  table.reloadData();
  table.reloadSectionIndexTitles();
}

void LensSeriesListSource::searchBarCancelButtonClicked(platform::ui::SearchBar&) { screen_.cancelSearch(); }

}  // namespace app::setup
