#include "app/setup/CameraSetupButton.h"

#include "app/kit/UIConstants.h"

using platform::graphics::Color;
using platform::ui::ControlEvent;
using platform::ui::make;

namespace app::setup {

CameraSetupButton::CameraSetupButton(const platform::ui::Rect& frame) : View(frame) { customInit(); }

void CameraSetupButton::customInit() {
  contentView = make<View>(bounds());
  titleLabel = make<platform::ui::Label>();
  itemLabel = make<platform::ui::Label>();
  auto button = make<platform::ui::Button>();
  button_ = button;
  contentView->addSubview(titleLabel);
  contentView->addSubview(itemLabel);
  contentView->addSubview(button);
  addSubview(contentView);
  button->addTarget(this, &CameraSetupButton::buttonHighlighted, ControlEvent::TouchDown);
  button->addTarget(this, &CameraSetupButton::buttonNotHighlighted, ControlEvent::TouchUpOutside | ControlEvent::TouchCancel);
  titleLabel->setFont(kit::UIConstants::mediumFontWithSize(12));
  itemLabel->setFont(kit::UIConstants::mediumFontWithSize(15));
  buttonNotHighlighted();
}

void CameraSetupButton::layoutSubviews() {
  const auto b = bounds();
  contentView->setFrame(b);
  constexpr double inset = 16;
  const double width = std::max(0.0, b.width() - 2 * inset);
  const double top = std::max(0.0, (b.height() - 42) / 2);
  titleLabel->setFrame({inset, top, width, 18});
  itemLabel->setFrame({inset, top + 18, width, 24});
  if (auto b2 = button()) b2->setFrame(b);
}

void CameraSetupButton::buttonHighlighted() {
  View::animate(kHighlightDuration, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
    contentView->setBackgroundColor(kit::UIConstants::blue());
    itemLabel->setTextColor(Color::whiteColor());
    titleLabel->setTextColor(Color::whiteColor());
  });
}

void CameraSetupButton::buttonNotHighlighted() {
  contentView->setBackgroundColor(kit::UIConstants::cameraSetupButtonsColor());
  itemLabel->setTextColor(kit::UIConstants::contrastText());
  titleLabel->setTextColor(kit::UIConstants::lowContrastText());
}

}  // namespace app::setup

