#include "app/kit/CustomButton.h"

#include "app/kit/UIConstants.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::ControlState;
using platform::ui::make;

namespace app::kit {

CustomButton::CustomButton(const platform::ui::Rect& frame) : View(frame) {
  contentView_ = make<View>(bounds());
  auto outline = make<View>(bounds());
  buttonOutline_ = outline;
  button_ = make<TextButton>(bounds());
  outline->addSubview(button_);
  contentView_->addSubview(outline);
  addSubview(contentView_);
  button_->addTarget(this, &CustomButton::buttonHighlighted, ControlEvent::TouchDown);
  button_->addTarget(this, &CustomButton::buttonNotHighlighted,
                     ControlEvent::TouchUpOutside | ControlEvent::TouchCancel);
}

void CustomButton::layoutSubviews() {
  contentView_->setFrame(bounds());
  if (auto outline = buttonOutline()) outline->setFrame(bounds());
  button_->setFrame(bounds());
}

void CustomButton::setLooks(const Look& resting, const Look& pressed, const platform::graphics::Font& font) {
  resting_ = resting;
  pressed_ = pressed;
  button_->titleLabel()->setFont(font);
  applyButtonStyle();
}

void CustomButton::styleCustomButtonBlue() {
  const Color blue = UIConstants::darkBlue(), high = UIConstants::blueHigh();
  setLooks({blue, blue, Color::whiteColor()}, {high, high, Color::whiteColor()},
           UIConstants::heavyFontWithSize(11));
}

void CustomButton::styleCustomButtonGreyOutline() {
  const Color grey = UIConstants::grey128(), blue = UIConstants::blue();
  setLooks({Color::clearColor(), grey, grey}, {blue, blue, Color::whiteColor()},
           UIConstants::mediumFontWithSize(11));
}

void CustomButton::styleCustomButtonBlueOutline() {
  const Color dark = UIConstants::darkBlue(), blue = UIConstants::blue();
  setLooks({Color::clearColor(), dark, dark}, {blue, blue, Color::whiteColor()},
           UIConstants::mediumFontWithSize(11));
}

void CustomButton::styleCustomButtonWithString(const std::string& text, int type) {
  button_->styleButtonWithString(text, type);
}

void CustomButton::applyButtonStyle() {
  auto outline = buttonOutline();
  if (!outline) return;
  outline->setBackgroundColor(resting_.background);
  outline->layer().setBorderColor(resting_.border);
  outline->layer().setBorderWidth(1);
  outline->layer().setCornerRadius(6);
  outline->setClipsToBounds(true);
  button_->setTitleColor(resting_.text, ControlState::Normal);
  button_->setTitleColor(pressed_.text, ControlState::Highlighted);
}

void CustomButton::showLook(const Look& look) { app::kit::paintFramedLook(buttonOutline().get(), *button_, look); }

void CustomButton::buttonHighlighted() {
  View::animate(0.1, 0, platform::ui::AnimationOptionCurveEaseOut, [this] { showLook(pressed_); });
}

void CustomButton::buttonNotHighlighted() { showLook(resting_); }

}  // namespace app::kit

