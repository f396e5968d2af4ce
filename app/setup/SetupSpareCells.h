#pragma once

#include <memory>

#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/TableViewCell.h"

// Members of the setup list family that no screen shows at present; they keep the family's looks for
// the lists that may take them up again.

namespace app::setup {

// A frame-line row: its check is never shown; selected, the row takes the accent.
class SetupControllerFrameLineCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "SetupControllerFrameLineCell";
  std::shared_ptr<platform::ui::Label> title;
  std::shared_ptr<platform::ui::ImageView> check;

  void setSelected(bool selected, bool animated) override;

 protected:
  explicit SetupControllerFrameLineCell(platform::ui::TableViewCellStyle style = {},
                                        std::string reuseIdentifier = kReuseIdentifier);
  void layoutSubviews() override;
};

// A format row with a radio mark, in fixed colours that do not follow the theme.
class CameraSetupFullCellRadio : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "CameraSetupFullCellRadio";
  std::shared_ptr<platform::ui::Label> title, crop;
  std::shared_ptr<platform::ui::ImageView> radio;

  void setSelected(bool selected, bool animated) override;

 protected:
  explicit CameraSetupFullCellRadio(platform::ui::TableViewCellStyle style = {},
                                    std::string reuseIdentifier = kReuseIdentifier);
  void layoutSubviews() override;
};

// A value row of a format editor: a name and its value.
class FormatEditCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "FormatEditCell";
  std::shared_ptr<platform::ui::Label> title, field;

 protected:
  explicit FormatEditCell(platform::ui::TableViewCellStyle style = {}, std::string reuseIdentifier = kReuseIdentifier);
  void layoutSubviews() override;
};

// Whoever shows a FormatCell; the cell sends it nothing yet.
class FormatDelegate {
 public:
  virtual ~FormatDelegate() = default;
};

class FormatCell : public platform::ui::TableViewCell {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "QuorvelFormatCell";
  std::string className() const override { return classNameKeeping("FormatCell", kRuntimeClassName); }

  static constexpr const char* kReuseIdentifier = "QuorvelFormatCell";
  std::shared_ptr<platform::ui::Label> field;
  std::weak_ptr<FormatDelegate> delegate;

 protected:
  explicit FormatCell(platform::ui::TableViewCellStyle style = {},
                             std::string reuseIdentifier = kReuseIdentifier);
  void layoutSubviews() override;
};

}  // namespace app::setup

