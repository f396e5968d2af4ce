#pragma once

#include "app/kit/CustomRadioButtonView.h"
#include "app/settings/SettingsDelegates.h"
#include "app/settings/SettingsTile.h"
#include "platform/ui/DelegateRef.h"

namespace app::settings {

// Metric or imperial distances. A choice is saved at once and rebuilds the main screen like a theme
// change, so every distance text is made anew.
class MeasurementSystemView : public app::settings::SettingsTile {
 public:
  void loadSavedSettings();
  void yesSelectedImages();
  void noSelectedImages();
  void saveAppSettings();
  bool useMetric() const { return useMetric_; }

  void setDelegate(MeasurementSystemViewDelegate* delegate) { delegate_.set(delegate); }
  void setDelegate(const std::shared_ptr<MeasurementSystemViewDelegate>& delegate) { delegate_.set(delegate); }
  const std::shared_ptr<kit::CustomRadioButtonView>& radioMetricImperial() const { return radio_; }
  const std::shared_ptr<platform::ui::Label>& measurementLabel() const { return caption_; }

 protected:
  explicit MeasurementSystemView(const platform::ui::Rect& frame = {});

 private:
  std::shared_ptr<kit::CustomRadioButtonView> radio_;
  bool useMetric_ = true;
  platform::ui::DelegateRef<MeasurementSystemViewDelegate> delegate_;
};

}  // namespace app::settings

