#include "app/settings/CircleOfConfusionView.h"

#include <cmath>

#include "app/kit/UIConstants.h"
#include "app/settings/SettingsImages.h"
#include "platform/log/Log.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/Window.h"

using platform::ui::LocalizedStrings;
using platform::ui::make;

namespace app::settings {

namespace {

constexpr double kSliderWidth = 110;
constexpr double kFormulaWidth = 52;
constexpr double kInfoSize = 24;

std::string formula(int factor) { return "d/" + std::to_string(factor); }

}  // namespace

CircleOfConfusionView::CircleOfConfusionView(const platform::ui::Rect& frame) : SettingsTile(frame) {
  makeCaption("Circle of Confusion Formula");
  formulaLabel_ = make<platform::ui::Label>();
  formulaLabel_->setTextColor(kit::UIConstants::lowContrastText());
  formulaLabel_->setFont(kit::UIConstants::mediumFontWithSize(13));
  formulaLabel_->setTextAlignment(platform::ui::TextAlignment::Right);
  cocSlider_ = make<platform::ui::Slider>(platform::ui::Rect{0, 0, kSliderWidth, kControlHeight});
  cocSlider_->setMinimumValue(100);
  cocSlider_->setMaximumValue(200);
  cocSlider_->setValue(150);
  cocSlider_->setThumbImage(SettingsImages::imageNamed("slider_thumb"), platform::ui::ControlState::Normal);
  cocSlider_->setMinimumTrackTintColor(kit::UIConstants::veryLowContrastText());
  cocSlider_->setMaximumTrackTintColor(kit::UIConstants::veryLowContrastText());
  sliderViewCOC_ = make<SliderUIView>(platform::ui::Rect{0, 0, kSliderWidth, kControlHeight});
  cocInfoButton_ = make<platform::ui::Button>();
  cocInfoButton_->setTitle("i");
  cocInfoButton_->setTitleColor(kit::UIConstants::blue());
  setControl(cocSlider_, kSliderWidth);
  contentView_->addSubview(sliderViewCOC_);
  contentView_->addSubview(formulaLabel_);
  contentView_->addSubview(cocInfoButton_);

  sliderViewCOC_->setDelegate(this);
  sliderViewCOC_->tag = 0;
  sliderViewCOC_->setMSlider(cocSlider_);
  sliderViewCOC_->initConfig();
  loadSavedSettings();
  cocInfoButton_->addTarget(this, &CircleOfConfusionView::showCocAlert, platform::ui::ControlEvent::TouchUpInside);
}

void CircleOfConfusionView::layoutSubviews() {
  SettingsTile::layoutSubviews();
  const auto slider = cocSlider_->frame();
  sliderViewCOC_->setFrame(slider);
  formulaLabel_->setFrame({slider.minX() - kFormulaWidth - 8, slider.minY(), kFormulaWidth, slider.height()});
  if (caption_) {
    auto captionFrame = caption_->frame();
    captionFrame.size.width = std::max(0.0, formulaLabel_->frame().minX() - kInfoSize - 2 * kInset);
    caption_->setFrame(captionFrame);
    cocInfoButton_->setFrame({captionFrame.maxX(), (bounds().height() - kInfoSize) / 2, kInfoSize, kInfoSize});
  }
}

void CircleOfConfusionView::loadSavedSettings() {
  const int factor = state()->settings.cocFactor;
  platform::log::write(platform::log::Debug, "cocFactor: " + std::to_string(factor));
  formulaLabel_->setText(formula(factor));
  cocSlider_->setValue(static_cast<float>(factor / 10));
}

int CircleOfConfusionView::shownFactor() const { return static_cast<int>(std::round(cocSlider_->value())) * 10; }

void CircleOfConfusionView::sliderViewValueChanged(int) { formulaLabel_->setText(formula(shownFactor())); }

void CircleOfConfusionView::sliderGestureDidEnd() {
  auto frames = state();
  frames->settings.cocFactor = shownFactor();
  frames->savePrefs();
  platform::log::write(platform::log::Debug, "CoC Saved");
  if (auto delegate = delegate_.lock()) delegate->calculateDOF();
}

void CircleOfConfusionView::showCocAlert() {
  if (cocAlert_) cocAlert_->contentView()->removeFromSuperview();
  cocAlert_.reset();
  auto* host = window() ? window()->rootViewController().get() : nullptr;
  if (!host) return;
  cocAlert_ = make<kit::CustomOkayCancelAlert>();
  cocAlert_->hostIn(*host);
  cocAlert_->setupOKOnly();
  cocAlert_->alertViewHeightConstraint().setConstant(250);
  cocAlert_->contentView()->layoutIfNeeded();
  cocAlert_->messageLabel()->setNumberOfLines(0);
  cocAlert_->alertTitle()->setText(LocalizedStrings::localizedString("CIRCLE OF CONFUSION FORMULA"));
  cocAlert_->messageLabel()->setText(LocalizedStrings::localizedString(
      "This value influences how the Circle of Confusion is calculated and thus defines the limits of acceptable "
      "sharpness. Increasing this value will ultimately return a narrower DOF, while decreasing it will return a "
      "wider DOF. The most commonly used value of d/1500 is set as default."));
  cocAlert_->contentView()->setUserInteractionEnabled(true);
  cocAlert_->showAlert();
  cocAlert_->setDelegate(this);
}

void CircleOfConfusionView::okClickFromAlert(kit::CustomAlert&) {
  if (cocAlert_) cocAlert_->hideAlert();
}

}  // namespace app::settings

