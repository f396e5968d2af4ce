#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"

namespace app::setup {

class LensesFocalLengthsViewController;

// The lens picker's first list: the lens series of the screen's LensSeriesList, in sections by maker
// or as the search's results, the selected series marked. It answers the series table and the search
// bar; a tap or a delete goes to the screen. Main thread only.
class LensSeriesListSource : public platform::ui::TableViewDataSource,
                             public platform::ui::TableViewDelegate,
                             public platform::ui::SearchBarDelegate {
 public:
  explicit LensSeriesListSource(LensesFocalLengthsViewController& screen) : screen_(screen) {}

  std::int64_t numberOfSectionsInTableView(platform::ui::TableView& table) override;
  std::int64_t tableViewNumberOfRowsInSection(platform::ui::TableView& table, std::int64_t section) override;
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& indexPath) override;
  std::vector<std::string> sectionIndexTitlesForTableView(platform::ui::TableView& table) override;
  bool tableViewCanEditRowAtIndexPath(platform::ui::TableView& table,
                                      const platform::ui::IndexPath& indexPath) override;
  void tableViewWillDisplayCellForRowAtIndexPath(platform::ui::TableView& table, platform::ui::TableViewCell& cell,
                                                 const platform::ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(platform::ui::TableView& table,
                                        const platform::ui::IndexPath& indexPath) override;
  std::shared_ptr<platform::ui::SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& indexPath) override;

  void searchBarTextDidBeginEditing(platform::ui::SearchBar& bar) override;
  void searchBarTextDidChange(platform::ui::SearchBar& bar, const std::string& text) override;
  void searchBarSearchButtonClicked(platform::ui::SearchBar& bar) override;
  void searchBarCancelButtonClicked(platform::ui::SearchBar& bar) override;

 private:
  LensesFocalLengthsViewController& screen_;
};

}  // namespace app::setup
