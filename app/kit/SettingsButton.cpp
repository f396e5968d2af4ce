#include "app/kit/SettingsButton.h"

#include "app/kit/UIConstants.h"
#include "platform/ui/LocalizedStrings.h"

using platform::graphics::Color;
using platform::ui::make;

namespace app::kit {

SettingsButton::SettingsButton(const platform::ui::Rect& frame) : View(frame) {
  contentView_ = make<View>(bounds());
  auto outline = make<View>(bounds());
  outline->layer().setBorderWidth(1);
  auto button = make<platform::ui::Button>(platform::ui::ButtonType::Custom, bounds());
  outline->addSubview(button);
  contentView_->addSubview(outline);
  addSubview(contentView_);
  buttonOutline_ = outline;
  button_ = button;
  button->addTarget(this, &SettingsButton::buttonHighlighted, platform::ui::ControlEvent::TouchDown);
}

void SettingsButton::layoutSubviews() {
  contentView_->setFrame(bounds());
  if (auto outline = buttonOutline()) outline->setFrame(bounds());
  if (auto button = this->button()) button->setFrame(bounds());
}

void SettingsButton::paint(const app::kit::FramedLook& look) {
  if (auto button = this->button()) app::kit::paintFramedLook(buttonOutline().get(), *button, look);
}

void SettingsButton::styleCustomButtonBlue() {
  const Color blue = UIConstants::blue(), high = UIConstants::blueHigh();
  resting_ = {blue, blue, Color::whiteColor()};
  pressed_ = {high, high, Color::whiteColor()};
  backgroundNotSelected_ = UIConstants::greyButtons();
  if (auto button = this->button()) button->titleLabel()->setFont(UIConstants::heavyFontWithSize(12));
  applyButtonStyle();
}

void SettingsButton::applyButtonStyle() {
  paint(resting_);
  if (auto outline = buttonOutline()) {
    outline->layer().setCornerRadius(6);
    outline->setClipsToBounds(true);
  }
}

void SettingsButton::buttonHighlighted() {
  View::animate(0.05, 0, platform::ui::AnimationOptionCurveEaseOut, [this] { paint(pressed_); });
}

void SettingsButton::buttonSelected() { paint(resting_); }

void SettingsButton::buttonNotSelected() {
  paint({backgroundNotSelected_, backgroundNotSelected_, UIConstants::greyButtonsText()});
}

void SettingsButton::buttonCalibration() {
  paint({Color::clearColor(), Color::clearColor(), UIConstants::fourthBG()});
}

void SettingsButton::buttonCalibrationAnimateToBlue() {
  auto outline = buttonOutline();
  auto button = this->button();
  if (!outline || !button) return;
  const Color background = resting_.background;
  View::animate(0.15, 0.5, platform::ui::AnimationOptionCurveEaseOut, [outline, button, background] {
    outline->setBackgroundColor(background);
    button->setAlpha(0);
  }, [weakButton = std::weak_ptr<platform::ui::Button>(button), text = pressed_.text](bool) {
    // The widget may be gone by the time the delay and the fade are over.
    auto button = weakButton.lock();
    if (!button) return;
    button->setTitleColor(text, platform::ui::ControlState::Normal);
    button->setTitle(platform::ui::LocalizedStrings::localizedString("START"));
    button->setAlpha(1);
  });
}

}  // namespace app::kit

