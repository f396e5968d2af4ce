#include "app/kit/quorvelCustomButton.h"

#include "app/kit/UIConstants.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::ControlState;
using platform::ui::make;

quorvelCustomButton::quorvelCustomButton(const platform::ui::Rect& frame) : View(frame) {
  contentView_ = make<View>(bounds());
  auto outline = make<View>(bounds());
  buttonOutline_ = outline;
  button_ = make<uiButtonWithText>(bounds());
  outline->addSubview(button_);
  contentView_->addSubview(outline);
  addSubview(contentView_);
  button_->addTarget(this, &quorvelCustomButton::buttonHighlighted, ControlEvent::TouchDown);
  button_->addTarget(this, &quorvelCustomButton::buttonNotHighlighted,
                     ControlEvent::TouchUpOutside | ControlEvent::TouchCancel);
}

void quorvelCustomButton::layoutSubviews() {
  contentView_->setFrame(bounds());
  if (auto outline = buttonOutline()) outline->setFrame(bounds());
  button_->setFrame(bounds());
}

void quorvelCustomButton::setLooks(const Look& resting, const Look& pressed, const platform::graphics::Font& font) {
  resting_ = resting;
  pressed_ = pressed;
  button_->titleLabel()->setFont(font);
  applyButtonStyle();
}

void quorvelCustomButton::styleCustomButtonBlue() {
  const Color blue = UIConstants::quorvelDarkBlue(), high = UIConstants::quorvelBlueHigh();
  setLooks({blue, blue, Color::whiteColor()}, {high, high, Color::whiteColor()},
           UIConstants::heavyFontQuorvelWithSize(11));
}

void quorvelCustomButton::styleCustomButtonGreyOutline() {
  const Color grey = UIConstants::grey128(), blue = UIConstants::quorvelBlue();
  setLooks({Color::clearColor(), grey, grey}, {blue, blue, Color::whiteColor()},
           UIConstants::mediumFontQuorvelWithSize(11));
}

void quorvelCustomButton::styleCustomButtonBlueOutline() {
  const Color dark = UIConstants::quorvelDarkBlue(), blue = UIConstants::quorvelBlue();
  setLooks({Color::clearColor(), dark, dark}, {blue, blue, Color::whiteColor()},
           UIConstants::mediumFontQuorvelWithSize(11));
}

void quorvelCustomButton::styleCustomButtonWithString(const std::string& text, int type) {
  button_->styleButtonWithString(text, type);
}

void quorvelCustomButton::applyButtonStyle() {
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

void quorvelCustomButton::showLook(const Look& look) { app::kit::paintFramedLook(buttonOutline().get(), *button_, look); }

void quorvelCustomButton::buttonHighlighted() {
  View::animate(0.1, 0, platform::ui::AnimationOptionCurveEaseOut, [this] { showLook(pressed_); });
}

void quorvelCustomButton::buttonNotHighlighted() { showLook(resting_); }
