#pragma once

#include <memory>

#include "app/settings/CircleOfConfusionView.h"
#include "app/settings/ColorThemeView.h"
#include "app/settings/MeasurementSystemView.h"
#include "app/settings/YesNoSettingTile.h"
#include "platform/ui/ImageView.h"

namespace app::settings {

// The sixth page of the main screen: the logo, the app's name and version, and the setting tiles.
class SettingsView : public platform::ui::View {
 public:
  static constexpr double kTileHeight = 56;
  static constexpr double kTileGap = 8;

  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<platform::ui::ImageView>& logoImageView() const { return logoImageView_; }
  const std::string& logoImageName() const { return logoImageName_; }
  const std::shared_ptr<platform::ui::Label>& appNameLabel() const { return appNameLabel_; }
  const std::shared_ptr<platform::ui::Label>& versionLabel() const { return versionLabel_; }
  const std::shared_ptr<CircleOfConfusionView>& cocView() const { return cocView_; }
  const std::shared_ptr<ColorThemeView>& colorThemeView() const { return colorThemeView_; }
  const std::shared_ptr<MeasurementSystemView>& measurementSystemView() const { return measurementSystemView_; }
  const std::shared_ptr<HapticFeedbackView>& hapticFeedbackView() const { return hapticView_; }
  const std::shared_ptr<SnappingView>& snappingView() const { return snappingView_; }

 protected:
  explicit SettingsView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;
  void drawRect(const platform::ui::Rect& rect) override;

 private:
  void customInit();

  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::ImageView> logoImageView_;
  std::string logoImageName_;
  std::shared_ptr<platform::ui::Label> appNameLabel_;
  std::shared_ptr<platform::ui::Label> versionLabel_;
  std::shared_ptr<CircleOfConfusionView> cocView_;
  std::shared_ptr<ColorThemeView> colorThemeView_;
  std::shared_ptr<MeasurementSystemView> measurementSystemView_;
  std::shared_ptr<HapticFeedbackView> hapticView_;
  std::shared_ptr<SnappingView> snappingView_;
};

}  // namespace app::settings

