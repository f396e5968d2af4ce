#pragma once

#include <memory>

#include "app/kit/FramedLook.h"
#include "platform/ui/View.h"

namespace app::kit {

// A selectable framed button: resting (selected), pressed and not-selected looks, and a calibration
// look that turns blue with a START title.
class SettingsButton : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "customSettingsButton";
  std::string className() const override { return classNameKeeping("SettingsButton", kRuntimeClassName); }

  void styleCustomButtonBlue();
  void applyButtonStyle();
  void buttonHighlighted();
  void buttonSelected();
  void buttonNotSelected();
  void buttonCalibration();
  void buttonCalibrationAnimateToBlue();

  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  std::shared_ptr<platform::ui::View> buttonOutline() const { return buttonOutline_.lock(); }
  std::shared_ptr<platform::ui::Button> button() const { return button_.lock(); }

 protected:
  explicit SettingsButton(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  void paint(const app::kit::FramedLook& look);

  std::shared_ptr<platform::ui::View> contentView_;
  std::weak_ptr<platform::ui::View> buttonOutline_;
  std::weak_ptr<platform::ui::Button> button_;
  app::kit::FramedLook resting_;
  app::kit::FramedLook pressed_;
  platform::graphics::Color backgroundNotSelected_ = platform::graphics::Color::clearColor();
};

}  // namespace app::kit

