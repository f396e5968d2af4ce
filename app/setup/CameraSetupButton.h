#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace app::setup {

// A row of the setup menu: what the row is (titleLabel) over the current value (itemLabel), with a
// button over the whole row. A finger on it turns the row to the accent; the menu wires the tap that
// opens a picker, and puts every row back with buttonNotHighlighted each time it appears, so a row
// left blue by that tap is reset on return.
class CameraSetupButton : public platform::ui::View {
 public:
  std::shared_ptr<platform::ui::Label> itemLabel, titleLabel;
  std::shared_ptr<platform::ui::View> contentView;

  // The button over the row (held by the row's content view).
  std::shared_ptr<platform::ui::Button> button() const { return button_.lock(); }

  void customInit();
  void buttonHighlighted();
  void buttonNotHighlighted();

  static constexpr double kHighlightDuration = 0.1;

 protected:
  explicit CameraSetupButton(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  std::weak_ptr<platform::ui::Button> button_;
};

}  // namespace app::setup

