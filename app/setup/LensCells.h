#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"
#include "platform/ui/LayoutConstraint.h"
#include "platform/ui/TableViewCell.h"

// The lens rows of the lens picker's second page and their relatives. The screen fills their labels; the
// cells only settle how they look when selected or pressed. Rows are 40 points high.

namespace app::setup {

// A prime lens: its focal length, selected with a check and the title in the dark accent.
class CameraSetupPrimeLensCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "CameraSetupPrimeLensCell";

  void setSelected(bool selected, bool animated) override;

  std::shared_ptr<platform::ui::Label> title;
  std::shared_ptr<platform::ui::Label> comment;
  std::shared_ptr<platform::ui::ImageView> check;
  std::shared_ptr<platform::ui::Label> apertureLabel;
  std::shared_ptr<platform::ui::Label> closeFocusLabel;
  // The comment's distance from the aperture: a lens of the user's own has no aperture, and its
  // "CUSTOM" moves into that place.
  platform::ui::LayoutConstraint commentLeadingConstraint;

 protected:
  CameraSetupPrimeLensCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier);
  void layoutSubviews() override;
};

// A zoom lens: its range; pressing it lights the row in the accent, as it closes the picker at once.
class CameraSetupZoomLensCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "CameraSetupZoomLensCell";

  void setSelected(bool selected, bool animated) override;
  void setHighlighted(bool highlighted, bool animated) override;

  std::shared_ptr<platform::ui::Label> title;
  std::shared_ptr<platform::ui::Label> comment;
  std::shared_ptr<platform::ui::ImageView> radio;
  std::shared_ptr<platform::ui::Label> apertureLabel;
  std::shared_ptr<platform::ui::Label> closeFocusLabel;
  platform::ui::LayoutConstraint commentLeadingConstraint;

 protected:
  CameraSetupZoomLensCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier);
  void layoutSubviews() override;
};

// A search result with a check; its colours are fixed and do not follow the theme.
class CameraSetupSearchCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "CameraSetupSearchCell";

  void setSelected(bool selected, bool animated) override;

  std::shared_ptr<platform::ui::Label> title;
  std::shared_ptr<platform::ui::Label> crop;
  std::shared_ptr<platform::ui::ImageView> check;

 protected:
  CameraSetupSearchCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier);
  void layoutSubviews() override;
};

class PrimeLensDelegate {
 public:
  virtual ~PrimeLensDelegate() = default;
};

// A focal length with a check box, for typing in a prime set.
class PrimeLensInputCell : public platform::ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "PrimeLensInputCell";

  std::shared_ptr<platform::ui::Label> primeLensLabel;
  std::shared_ptr<platform::ui::Button> checkBox;
  platform::ui::DelegateRef<PrimeLensDelegate> delegate;

 protected:
  PrimeLensInputCell(platform::ui::TableViewCellStyle style, std::string reuseIdentifier);
  void layoutSubviews() override;
};

}  // namespace app::setup

