#pragma once

#include <memory>
#include <string>

#include "app/kit/FramedLook.h"
#include "app/kit/TextButton.h"
#include "platform/ui/View.h"

namespace app::kit {

// A framed button: a rounded outline around a TextButton, in a blue, a grey-outline or a
// blue-outline style, that takes a pressed look for as long as a finger is on it. The screen adds its
// own action to button() and calls buttonNotHighlighted from it.
class CustomButton : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "quorvelCustomButton";
  std::string className() const override { return classNameKeeping("CustomButton", kRuntimeClassName); }

  using Color = platform::graphics::Color;

  void styleCustomButtonBlue();
  void styleCustomButtonGreyOutline();
  void styleCustomButtonBlueOutline();
  void styleCustomButtonWithString(const std::string& text, int type);
  void applyButtonStyle();
  void buttonHighlighted();
  void buttonNotHighlighted();

  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  std::shared_ptr<platform::ui::View> buttonOutline() const { return buttonOutline_.lock(); }
  const std::shared_ptr<TextButton>& button() const { return button_; }

 protected:
  explicit CustomButton(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  using Look = app::kit::FramedLook;
  void setLooks(const Look& resting, const Look& pressed, const platform::graphics::Font& font);
  void showLook(const Look& look);

  std::shared_ptr<platform::ui::View> contentView_;
  std::weak_ptr<platform::ui::View> buttonOutline_;
  std::shared_ptr<TextButton> button_;
  Look resting_;
  Look pressed_;
};

}  // namespace app::kit

