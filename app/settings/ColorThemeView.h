#pragma once

#include "app/kit/CustomRadioButtonView.h"
#include "app/kit/CustomThreeWayButton.h"
#include "app/settings/SettingsDelegates.h"
#include "app/settings/SettingsTile.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/LayoutConstraint.h"

namespace app::settings {

// The colour theme: LIGHT, DARK or AUTO (follow the system). A choice is saved at once, marks the
// state object for a rebuild that opens on the settings page, and asks the delegate to rebuild now.
class ColorThemeView : public app::settings::SettingsTile {
 public:
  void loadSavedSettings();
  void lightBtnPressed();
  void darkBtnPressed();
  void autoBtnPressed();
  void saveAppSettings(int theme);

  void setDelegate(ColorThemeViewDelegate* delegate) { delegate_.set(delegate); }
  void setDelegate(const std::shared_ptr<ColorThemeViewDelegate>& delegate) { delegate_.set(delegate); }
  const std::shared_ptr<kit::CustomThreeWayButton>& threeWayBtn() const { return threeWayBtn_; }
  const std::shared_ptr<kit::CustomRadioButtonView>& radioBtnOldIOS() const { return radioBtnOldIOS_; }
  const std::shared_ptr<platform::ui::Label>& title() const { return caption_; }
  const platform::ui::LayoutConstraint& buttonWidthConstraint() const { return buttonWidth_; }

 protected:
  explicit ColorThemeView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  std::shared_ptr<kit::CustomThreeWayButton> threeWayBtn_;
  std::shared_ptr<kit::CustomRadioButtonView> radioBtnOldIOS_;
  platform::ui::LayoutConstraint buttonWidth_;
  platform::ui::DelegateRef<ColorThemeViewDelegate> delegate_;
};

}  // namespace app::settings

