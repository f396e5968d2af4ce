#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/model/Camera.h"
#include "platform/ui/SearchBar.h"
#include "platform/ui/TableView.h"

namespace app::setup {

class CameraModeAspectViewController;

// The camera picker's first list: every camera of the format catalogue in sections by the first
// letter of its maker, or, while a search shows, the cameras whose maker and model hold every word
// typed. It answers the camera table and the search bar; a tap or a delete goes to the screen.
// Main thread only.
class CameraListSource : public platform::ui::TableViewDataSource,
                         public platform::ui::TableViewDelegate,
                         public platform::ui::SearchBarDelegate {
 public:
  enum class Filter { None, Cine, Photo };

  explicit CameraListSource(CameraModeAspectViewController& screen) : screen_(screen) {}

  // The cameras of `filter`'s type (all with None), grouped by maker; a search showing runs again.
  void load(Filter filter, const std::string& query);
  // Finds the cameras for `query` among those last loaded.
  void runSearch(std::string query);
  // Ends the search: the sections show again once the list is loaded again.
  void endSearch();

  const model::Camera* cameraAt(const platform::ui::IndexPath& path) const;
  std::optional<platform::ui::IndexPath> indexPathOfCamera(int cameraId) const;

  int64_t numberOfSectionsInTableView(platform::ui::TableView& table) override;
  int64_t tableViewNumberOfRowsInSection(platform::ui::TableView& table, int64_t section) override;
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(platform::ui::TableView& table,
                                                                              const platform::ui::IndexPath& path) override;
  std::vector<std::string> sectionIndexTitlesForTableView(platform::ui::TableView& table) override;
  bool tableViewCanEditRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  double tableViewHeightForRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  void tableViewWillDisplayCellForRowAtIndexPath(platform::ui::TableView& table, platform::ui::TableViewCell& cell,
                                                 const platform::ui::IndexPath& path) override;
  void tableViewDidSelectRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  std::shared_ptr<platform::ui::SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& path) override;

  void searchBarTextDidBeginEditing(platform::ui::SearchBar& bar) override;
  void searchBarTextDidChange(platform::ui::SearchBar& bar, const std::string& text) override;
  void searchBarSearchButtonClicked(platform::ui::SearchBar& bar) override;
  void searchBarCancelButtonClicked(platform::ui::SearchBar& bar) override;

  // The section keys, the sections, the whole list as loaded (the search's source) and the search's
  // results; `searching` while the table shows the results.
  std::vector<std::string> manufacturerIndex;
  std::vector<std::vector<model::Camera>> manufacturerItemsArray;
  std::vector<model::Camera> copyListOfFormatSearchItems;
  std::vector<model::Camera> formatItemsSearchArray;
  bool searching = false;

 private:
  CameraModeAspectViewController& screen_;
};

}  // namespace app::setup
