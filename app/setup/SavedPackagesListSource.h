#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/model/CameraPackage.h"
#include "platform/ui/TableView.h"

namespace app::setup {

class NewCameraSetupViewController;

// The setup menu's second page: the saved packages in the order chosen, each row with its name, format
// and lenses. It answers the favourites table; a tap loads the package, and a swipe offers to delete or
// rename it, through the screen. Main thread only.
class SavedPackagesListSource : public platform::ui::TableViewDataSource, public platform::ui::TableViewDelegate {
 public:
  static constexpr double kRowHeight = 78;

  explicit SavedPackagesListSource(NewCameraSetupViewController& screen) : screen_(screen) {}

  const model::CameraPackage* packageAt(const platform::ui::IndexPath& path) const;

  int64_t tableViewNumberOfRowsInSection(platform::ui::TableView& table, int64_t section) override;
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(platform::ui::TableView& table,
                                                                              const platform::ui::IndexPath& path) override;
  double tableViewHeightForRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  void tableViewDidSelectRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  std::shared_ptr<platform::ui::SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& path) override;

  std::vector<model::CameraPackage> packageItemsArray;

 private:
  NewCameraSetupViewController& screen_;
};

}  // namespace app::setup
