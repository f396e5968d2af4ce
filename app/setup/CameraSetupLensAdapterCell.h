#pragma once

#include <memory>

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

namespace app::setup {

// A row of the lens-adapter list: the adapter's name and, on the right, its factor. While pressed it
// turns accent blue with white texts, fading back over half a second; the chosen adapter's name is blue.
class CameraSetupLensAdapterCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kIdentifier = "CameraSetupLensAdapterCell";

  void setHighlighted(bool highlighted, bool animated) override;
  void setSelected(bool selected, bool animated) override;

  const std::shared_ptr<platform::ui::Label>& title() const { return title_; }
  const std::shared_ptr<platform::ui::Label>& crop() const { return crop_; }
  const std::shared_ptr<platform::ui::ImageView>& check() const { return check_; }

 protected:
  explicit CameraSetupLensAdapterCell(platform::ui::TableViewCellStyle style = platform::ui::TableViewCellStyle::Default,
                                      std::string reuseIdentifier = kIdentifier);
  void layoutSubviews() override;

 private:
  std::shared_ptr<platform::ui::Label> title_;
  std::shared_ptr<platform::ui::Label> crop_;
  std::shared_ptr<platform::ui::ImageView> check_;
};

}  // namespace app::setup

