#pragma once

#include <memory>

#include "app/kit/AlertOkayCancelDelegate.h"
#include "app/kit/PackageAlerts.h"
#include "app/pages/CoCViewDelegate.h"
#include "app/settings/SettingsTile.h"
#include "app/settings/SliderUIView.h"
#include "platform/ui/Button.h"

namespace app::settings {

// The circle-of-confusion factor (the format diagonal is divided by it): d/1000 to d/2000 in steps of
// 10. The slider holds the factor divided by 10; the factor is stored when a drag ends.
class CircleOfConfusionView : public app::settings::SettingsTile,
                              public SliderViewDelegate,
                              public kit::AlertOkayCancelDelegate {
 public:
  void loadSavedSettings();
  void sliderViewValueChanged(int tag) override;
  void sliderGestureDidEnd() override;
  void showCocAlert();
  void okClickFromAlert(kit::CustomAlert& alert) override;

  // The depth-of-field page, told to compute again after a change; not retained.
  void setDelegate(const std::shared_ptr<pages::CoCViewDelegate>& delegate) { delegate_ = delegate; }
  const std::shared_ptr<platform::ui::Label>& cocLabel() const { return caption_; }
  const std::shared_ptr<platform::ui::Slider>& cocSlider() const { return cocSlider_; }
  const std::shared_ptr<SliderUIView>& sliderViewCOC() const { return sliderViewCOC_; }
  const std::shared_ptr<platform::ui::Label>& formulaLabel() const { return formulaLabel_; }
  const std::shared_ptr<platform::ui::Button>& cocInfoButton() const { return cocInfoButton_; }
  const std::shared_ptr<kit::CustomOkayCancelAlert>& cocAlert() const { return cocAlert_; }

 protected:
  explicit CircleOfConfusionView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  // The slider's value rounded half away from zero, times 10.
  int shownFactor() const;

  std::shared_ptr<platform::ui::Slider> cocSlider_;
  std::shared_ptr<SliderUIView> sliderViewCOC_;
  std::shared_ptr<platform::ui::Label> formulaLabel_;
  std::shared_ptr<platform::ui::Button> cocInfoButton_;
  std::shared_ptr<kit::CustomOkayCancelAlert> cocAlert_;
  std::weak_ptr<pages::CoCViewDelegate> delegate_;
};

}  // namespace app::settings

