#include "app/settings/YesNoSettingTile.h"

namespace app::settings {

using platform::ui::ControlEvent;

YesNoSettingTile::YesNoSettingTile(const platform::ui::Rect& frame, const char* captionKey,
                                   bool state::FramesSettings::*setting)
    : SettingsTile(frame), setting_(setting) {
  makeCaption(captionKey);
  radio_ = platform::ui::make<kit::CustomRadioButtonView>(platform::ui::Rect{0, 0, 150, kControlHeight});
  setControl(radio_, 150);
  radio_->yesBtn()->addTarget(this, &YesNoSettingTile::yesSelectedImages, ControlEvent::TouchUpInside);
  radio_->noBtn()->addTarget(this, &YesNoSettingTile::noSelectedImages, ControlEvent::TouchUpInside);
  for (const auto& button : {radio_->yesBtn(), radio_->noBtn()}) {
    button->addTarget(this, &YesNoSettingTile::loadSavedSettings, ControlEvent::TouchUpOutside);
    button->addTarget(this, &YesNoSettingTile::loadSavedSettings, ControlEvent::TouchCancel);
  }
  loadSavedSettings();
}

void YesNoSettingTile::loadSavedSettings() {
  if (state()->settings.*setting_) {
    radio_->yesSelected();
  } else {
    radio_->noSelected();
  }
}

void YesNoSettingTile::yesSelectedImages() {
  radio_->yesSelected();
  saveAppSettings(true);
}

void YesNoSettingTile::noSelectedImages() {
  radio_->noSelected();
  saveAppSettings(false);
}

void YesNoSettingTile::saveAppSettings(bool value) {
  auto frames = state();
  frames->settings.*setting_ = value;
  frames->savePrefs();
}

}  // namespace app::settings

