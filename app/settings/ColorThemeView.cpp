#include "app/settings/ColorThemeView.h"

#include "platform/ui/LocalizedStrings.h"

using platform::ui::ControlEvent;
using platform::ui::LocalizedStrings;
using platform::ui::make;

namespace app::settings {

namespace {

template <class Tile>
void restoreOnCancel(Tile* tile, platform::ui::Button& button) {
  button.addTarget(tile, &Tile::loadSavedSettings, ControlEvent::TouchUpOutside);
  button.addTarget(tile, &Tile::loadSavedSettings, ControlEvent::TouchCancel);
}

}  // namespace

ColorThemeView::ColorThemeView(const platform::ui::Rect& frame) : SettingsTile(frame) {
  makeCaption("Color Theme");
  // The platform always follows a system appearance, so the three-way choice is the one offered; the
  // two-way radio of systems without one stays hidden.
  threeWayBtn_ = make<kit::CustomThreeWayButton>(platform::ui::Rect{0, 0, 225, kControlHeight});
  radioBtnOldIOS_ = make<kit::CustomRadioButtonView>(platform::ui::Rect{0, 0, 150, kControlHeight});
  threeWayBtn_->setAlpha(1);
  radioBtnOldIOS_->setAlpha(0);
  buttonWidth_.setConstant(225);
  setControl(threeWayBtn_, buttonWidth_.constant());
  contentView_->addSubview(radioBtnOldIOS_);

  threeWayBtn_->firstBtn()->setTitle(LocalizedStrings::localizedString("LIGHT"));
  threeWayBtn_->secondBtn()->setTitle(LocalizedStrings::localizedString("DARK"));
  threeWayBtn_->thirdBtn()->setTitle(LocalizedStrings::localizedString("AUTO"));
  radioBtnOldIOS_->yesBtn()->setTitle(LocalizedStrings::localizedString("LIGHT"));
  radioBtnOldIOS_->noBtn()->setTitle(LocalizedStrings::localizedString("DARK"));
  threeWayBtn_->firstBtn()->addTarget(this, &ColorThemeView::lightBtnPressed, ControlEvent::TouchUpInside);
  threeWayBtn_->secondBtn()->addTarget(this, &ColorThemeView::darkBtnPressed, ControlEvent::TouchUpInside);
  threeWayBtn_->thirdBtn()->addTarget(this, &ColorThemeView::autoBtnPressed, ControlEvent::TouchUpInside);
  radioBtnOldIOS_->yesBtn()->addTarget(this, &ColorThemeView::lightBtnPressed, ControlEvent::TouchUpInside);
  radioBtnOldIOS_->noBtn()->addTarget(this, &ColorThemeView::darkBtnPressed, ControlEvent::TouchUpInside);
  for (const auto& button : {threeWayBtn_->firstBtn(), threeWayBtn_->secondBtn(), threeWayBtn_->thirdBtn(),
                             radioBtnOldIOS_->yesBtn(), radioBtnOldIOS_->noBtn()}) {
    restoreOnCancel(this, *button);
  }
  loadSavedSettings();
}

void ColorThemeView::layoutSubviews() {
  SettingsTile::layoutSubviews();
  radioBtnOldIOS_->setFrame(threeWayBtn_->frame());
}

void ColorThemeView::loadSavedSettings() {
  switch (state()->settings.colorTheme) {
    case 0:
      threeWayBtn_->secondBtnSelected();
      radioBtnOldIOS_->noSelected();
      break;
    case 1:
      threeWayBtn_->firstBtnSelected();
      radioBtnOldIOS_->yesSelected();
      break;
    default: threeWayBtn_->thirdBtnSelected(); break;
  }
}

void ColorThemeView::lightBtnPressed() {
  threeWayBtn_->firstBtnSelected();
  radioBtnOldIOS_->yesSelected();
  saveAppSettings(1);
}

void ColorThemeView::darkBtnPressed() {
  threeWayBtn_->secondBtnSelected();
  radioBtnOldIOS_->noSelected();
  saveAppSettings(0);
}

void ColorThemeView::autoBtnPressed() {
  threeWayBtn_->thirdBtnSelected();
  saveAppSettings(2);
}

void ColorThemeView::saveAppSettings(int theme) {
  auto frames = state();
  frames->settings.colorTheme = theme;
  // AUTO leaves the dark flag to the main screen, which follows the system's appearance.
  if (theme == 0 || theme == 1) frames->appInDarkMode = theme == 0;
  frames->savePrefs();
  frames->restartFromSettings = true;
  if (auto* delegate = delegate_.get()) delegate->updateLayout();
}

}  // namespace app::settings

