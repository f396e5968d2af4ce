#include "app/settings/MeasurementSystemView.h"

#include "platform/ui/LocalizedStrings.h"

using platform::ui::ControlEvent;
using platform::ui::LocalizedStrings;

namespace app::settings {

MeasurementSystemView::MeasurementSystemView(const platform::ui::Rect& frame) : SettingsTile(frame) {
  makeCaption("Units");
  radio_ = platform::ui::make<kit::CustomRadioButtonView>(platform::ui::Rect{0, 0, 150, kControlHeight});
  setControl(radio_, 150);
  radio_->yesBtn()->setTitle(LocalizedStrings::localizedString("METRIC"));
  radio_->noBtn()->setTitle(LocalizedStrings::localizedString("IMPERIAL"));
  radio_->yesBtn()->addTarget(this, &MeasurementSystemView::yesSelectedImages, ControlEvent::TouchUpInside);
  radio_->noBtn()->addTarget(this, &MeasurementSystemView::noSelectedImages, ControlEvent::TouchUpInside);
  for (const auto& button : {radio_->yesBtn(), radio_->noBtn()}) {
    button->addTarget(this, &MeasurementSystemView::loadSavedSettings, ControlEvent::TouchUpOutside);
    button->addTarget(this, &MeasurementSystemView::loadSavedSettings, ControlEvent::TouchCancel);
  }
  useMetric_ = state()->settings.measurementSystem == 0;
  loadSavedSettings();
}

void MeasurementSystemView::loadSavedSettings() {
  if (useMetric_) {
    radio_->yesSelected();
  } else {
    radio_->noSelected();
  }
}

void MeasurementSystemView::yesSelectedImages() {
  useMetric_ = true;
  radio_->yesSelected();
  saveAppSettings();
}

void MeasurementSystemView::noSelectedImages() {
  useMetric_ = false;
  radio_->noSelected();
  saveAppSettings();
}

void MeasurementSystemView::saveAppSettings() {
  auto frames = state();
  frames->settings.measurementSystem = useMetric_ ? 0 : 1;
  frames->savePrefs();
  frames->restartFromSettings = true;
  if (auto* delegate = delegate_.get()) delegate->updateLayout();
}

}  // namespace app::settings

