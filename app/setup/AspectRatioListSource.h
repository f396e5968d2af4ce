#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/model/CameraShootingMode.h"
#include "app/model/Crop.h"
#include "platform/ui/TableView.h"

namespace app::setup {

class CameraModeAspectViewController;

// The camera picker's third list: the aspect ratios offered for the edited package's shooting mode,
// the native one among them in the order of their values (AspectRatioList). It answers the ratio
// table; a tap or a delete goes to the screen. Main thread only.
class AspectRatioListSource : public platform::ui::TableViewDataSource, public platform::ui::TableViewDelegate {
 public:
  explicit AspectRatioListSource(CameraModeAspectViewController& screen) : screen_(screen) {}

  void load(const model::CameraShootingMode& mode);
  const model::Crop* cropAt(const platform::ui::IndexPath& path) const;
  std::optional<platform::ui::IndexPath> indexPathOfCrop(int cropId) const;

  int64_t tableViewNumberOfRowsInSection(platform::ui::TableView& table, int64_t section) override;
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(platform::ui::TableView& table,
                                                                              const platform::ui::IndexPath& path) override;
  bool tableViewCanEditRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  double tableViewHeightForRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  void tableViewWillDisplayCellForRowAtIndexPath(platform::ui::TableView& table, platform::ui::TableViewCell& cell,
                                                 const platform::ui::IndexPath& path) override;
  void tableViewDidSelectRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  std::shared_ptr<platform::ui::SwipeActionsConfiguration> tableViewTrailingSwipeActionsConfigurationForRowAtIndexPath(
      platform::ui::TableView& table, const platform::ui::IndexPath& path) override;

  std::vector<model::Crop> cropList;
  // The native row's index once placed.
  std::optional<size_t> positionNativeAspect;

 private:
  CameraModeAspectViewController& screen_;
};

}  // namespace app::setup
