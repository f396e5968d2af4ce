#pragma once

#include "app/kit/CustomRadioButtonView.h"
#include "app/settings/SettingsTile.h"

namespace app::settings {

// A tile for one YES/NO setting: the radio shows it, a press stores it and saves at once. A press that
// ends outside its button (or is cancelled) shows the stored choice again.
class YesNoSettingTile : public SettingsTile {
 public:
  void loadSavedSettings();
  void yesSelectedImages();
  void noSelectedImages();
  void saveAppSettings(bool value);
  const std::shared_ptr<kit::CustomRadioButtonView>& radio() const { return radio_; }

 protected:
  YesNoSettingTile(const platform::ui::Rect& frame, const char* captionKey, bool state::FramesSettings::*setting);

 private:
  std::shared_ptr<kit::CustomRadioButtonView> radio_;
  bool state::FramesSettings::*setting_;
};

class HapticFeedbackView : public app::settings::YesNoSettingTile {
 public:
  const std::shared_ptr<kit::CustomRadioButtonView>& radioHaptic() const { return radio(); }
  const std::shared_ptr<platform::ui::Label>& hapticLabel() const { return caption_; }

 protected:
  explicit HapticFeedbackView(const platform::ui::Rect& frame = {})
      : YesNoSettingTile(frame, "Haptic Feedback", &state::FramesSettings::hapticFeedback) {}
};

class SnappingView : public app::settings::YesNoSettingTile {
 public:
  const std::shared_ptr<platform::ui::Label>& title() const { return caption_; }

 protected:
  explicit SnappingView(const platform::ui::Rect& frame = {})
      : YesNoSettingTile(frame, "Snapping", &state::FramesSettings::snap) {}
};

}  // namespace app::settings

