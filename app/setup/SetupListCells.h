#pragma once

#include <memory>

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

// The rows of the setup screens' lists. They hold no data: the screen that owns the table fills their
// labels. What they settle is how a row takes a touch: pressed, the texts turn white and the accent
// comes up almost at once; released, it fades back over half a second; a selected row shows its main
// text in the accent. Colours and fonts are the theme's at the moment of the change.

namespace app::setup {

// A camera of the camera picker, or a lens series of the lens picker.
class ManufacturerCell : public platform::ui::TableViewCell {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "ManufactorCell";
  std::string className() const override { return classNameKeeping("ManufacturerCell", kRuntimeClassName); }

  static constexpr const char* kReuseIdentifier = "ManufactorCell";
  std::shared_ptr<platform::ui::Label> title, anaFactorLabel, comment;

  void setHighlighted(bool highlighted, bool animated) override;
  void setSelected(bool selected, bool animated) override;
  void prepareForReuse() override;

 protected:
  explicit ManufacturerCell(platform::ui::TableViewCellStyle style = {}, std::string reuseIdentifier = kReuseIdentifier);
  void layoutSubviews() override;
};

// A shooting mode of the camera picker.
class SetupFormatCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "SetupFormatCell";
  std::shared_ptr<platform::ui::Label> title, crop;
  std::shared_ptr<platform::ui::ImageView> check;

  void setHighlighted(bool highlighted, bool animated) override;
  void setSelected(bool selected, bool animated) override;

 protected:
  explicit SetupFormatCell(platform::ui::TableViewCellStyle style = {}, std::string reuseIdentifier = kReuseIdentifier);
  void layoutSubviews() override;
};

// An aspect ratio of the camera picker; `native` names the native row.
class AspectRatioTableViewCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "AspectRatioTableViewCell";
  std::shared_ptr<platform::ui::Label> native, aspectRatio;

  void setHighlighted(bool highlighted, bool animated) override;
  void setSelected(bool selected, bool animated) override;

 protected:
  explicit AspectRatioTableViewCell(platform::ui::TableViewCellStyle style = {},
                                    std::string reuseIdentifier = kReuseIdentifier);
  void layoutSubviews() override;
};

// A saved package: its name over its format and its lenses. Its texts come back only once the fade
// has ended.
class SetupControllerPackageCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "SetupControllerPackageCell";
  std::shared_ptr<platform::ui::Label> title, format, lenses;

  void setHighlighted(bool highlighted, bool animated) override;

 protected:
  explicit SetupControllerPackageCell(platform::ui::TableViewCellStyle style = {},
                                      std::string reuseIdentifier = kReuseIdentifier);
  void layoutSubviews() override;
};

// How long a row takes to show the accent when pressed, and to fade back when released.
inline constexpr double kRowPressIn = 0.05;
inline constexpr double kPackageRowPressIn = 0.1;
inline constexpr double kRowFadeOut = 0.5;

// A label in a cell's content view.
std::shared_ptr<platform::ui::Label> addCellLabel(platform::ui::TableViewCell& cell);

}  // namespace app::setup

