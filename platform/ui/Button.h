#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/Label.h"

namespace platform::ui {

// System buttons draw their titles in the tint colour and dim them while pressed; custom buttons draw
// exactly what they are given (white titles by default).
enum class ButtonType { Custom, System };

// A control with a title per state. A state without its own title, attributed title or title colour
// uses the normal state's. An attributed title wins over a plain one.
class Button : public Control {
 public:
  ButtonType buttonType() const { return type_; }

  void setTitle(std::optional<std::string> title, ControlState state = ControlState::Normal);
  std::optional<std::string> titleForState(ControlState state) const;
  void setAttributedTitle(std::optional<AttributedString> title, ControlState state = ControlState::Normal);
  std::optional<AttributedString> attributedTitleForState(ControlState state) const;
  void setTitleColor(std::optional<Color> color, ControlState state = ControlState::Normal);
  Color titleColorForState(ControlState state) const;

  // What the button shows now, for its current state.
  std::string currentTitle() const;
  std::optional<AttributedString> currentAttributedTitle() const { return attributedTitleForState(state()); }
  Color currentTitleColor() const { return titleColorForState(state()); }

  // Its font and alignment are the button's to set; its text follows the state.
  const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }

  // The title's size with a little room around it.
  Size sizeThatFits(Size size) const override;
  Size intrinsicContentSize() const override { return sizeThatFits({0, 0}); }

 protected:
  explicit Button(ButtonType type = ButtonType::Custom, const Rect& frame = {});
  void layoutSubviews() override;
  void stateDidChange() override { updateTitle(); }
  void tintColorDidChange() override { updateTitle(); }
  ControlEvent eventsForTouchUpInside() const override {
    return ControlEvent::TouchUpInside | ControlEvent::PrimaryActionTriggered;
  }

 private:
  template <class V>
  static std::optional<V> lookup(const std::map<std::uint32_t, V>& values, ControlState state);
  void updateTitle();

  ButtonType type_;
  std::shared_ptr<Label> titleLabel_;
  std::map<std::uint32_t, std::string> titles_;
  std::map<std::uint32_t, AttributedString> attributedTitles_;
  std::map<std::uint32_t, Color> titleColors_;
};

}  // namespace platform::ui
