#pragma once

#include <memory>
#include <string>

#include "app/kit/StyledViews.h"
#include "app/state/FramesObject.h"
#include "platform/ui/Label.h"

namespace app::settings {

// One tile of the settings page: a caption on the left and the tile's control on the right, on the
// theme's tile background. Tiles keep no setting of their own: they read and write the state object's
// settings at the moment of use.
class SettingsTile : public kit::SettingsTilesView {
 public:
  static constexpr double kInset = 16;
  static constexpr double kControlHeight = 32;

  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  double controlWidth() const { return controlWidth_; }

 protected:
  explicit SettingsTile(const platform::ui::Rect& frame);
  void layoutSubviews() override;
  // The caption shows the localised text of `key`.
  std::shared_ptr<platform::ui::Label> makeCaption(const std::string& key);
  void setControl(std::shared_ptr<platform::ui::View> control, double width);
  static std::shared_ptr<state::FramesObject> state();

  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::Label> caption_;
  std::shared_ptr<platform::ui::View> control_;
  double controlWidth_ = 150;
};

}  // namespace app::settings

