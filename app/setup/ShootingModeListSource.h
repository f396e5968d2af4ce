#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/model/CameraShootingMode.h"
#include "platform/ui/TableView.h"

namespace app::setup {

class CameraModeAspectViewController;

// The camera picker's second list: the shooting modes of the camera tapped last, in their catalogue
// order. It answers the mode table; a tap goes to the screen. Main thread only.
class ShootingModeListSource : public platform::ui::TableViewDataSource, public platform::ui::TableViewDelegate {
 public:
  explicit ShootingModeListSource(CameraModeAspectViewController& screen) : screen_(screen) {}

  void load(int manufacturerId);
  const model::CameraShootingMode* modeAt(const platform::ui::IndexPath& path) const;
  std::optional<platform::ui::IndexPath> indexPathOfMode(int formatId) const;

  int64_t tableViewNumberOfRowsInSection(platform::ui::TableView& table, int64_t section) override;
  std::shared_ptr<platform::ui::TableViewCell> tableViewCellForRowAtIndexPath(platform::ui::TableView& table,
                                                                              const platform::ui::IndexPath& path) override;
  bool tableViewCanEditRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  double tableViewHeightForRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;
  void tableViewWillDisplayCellForRowAtIndexPath(platform::ui::TableView& table, platform::ui::TableViewCell& cell,
                                                 const platform::ui::IndexPath& path) override;
  void tableViewDidSelectRowAtIndexPath(platform::ui::TableView& table, const platform::ui::IndexPath& path) override;

  std::vector<model::CameraShootingMode> shootingModeItemsArray;

 private:
  CameraModeAspectViewController& screen_;
};

}  // namespace app::setup
