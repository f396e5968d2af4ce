#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/model/LensObject.h"
#include "platform/ui/TableView.h"

namespace app::setup {

class LensesFocalLengthsViewController;

// The lens picker's second list: the lenses of the current series, their stored selection marked.
// It answers the lens table; a tap, an untap or a delete goes to the screen. Main thread only.
class LensListSource : public platform::ui::TableViewDataSource, public platform::ui::TableViewDelegate {
 public:
  explicit LensListSource(LensesFocalLengthsViewController& screen) : screen_(screen) {}

  const model::LensObject* lensAt(const platform::ui::IndexPath& indexPath) const;

  std::int64_t tableViewNumberOfRowsInSection(platform::ui::TableView& table, std::int64_t section) override;
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& indexPath) override;
  bool tableViewCanEditRowAtIndexPath(platform::ui::TableView& table,
                                      const platform::ui::IndexPath& indexPath) override;
  void tableViewWillDisplayCellForRowAtIndexPath(platform::ui::TableView& table, platform::ui::TableViewCell& cell,
                                                 const platform::ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(platform::ui::TableView& table,
                                        const platform::ui::IndexPath& indexPath) override;
  void tableViewDidDeselectRowAtIndexPath(platform::ui::TableView& table,
                                          const platform::ui::IndexPath& indexPath) override;
  std::shared_ptr<platform::ui::SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& indexPath) override;

  std::vector<model::LensObject> lensItemsArray;

 private:
  LensesFocalLengthsViewController& screen_;
};

}  // namespace app::setup
