#include "app/settings/SliderUIView.h"

#include "platform/log/Log.h"
#include "platform/ui/TapGestureRecognizer.h"

using platform::ui::make;

namespace app::settings {

SliderUIView::SliderUIView(const platform::ui::Rect& frame) : View(frame) { customInit(); }

void SliderUIView::customInit() {
  if (gesturesAdded_) return;
  gesturesAdded_ = true;
  auto pan = make<platform::ui::PanGestureRecognizer>();
  pan->addTarget(this, &SliderUIView::moveObject);
  addGestureRecognizer(pan);
  auto doubleTap = make<platform::ui::TapGestureRecognizer>();
  doubleTap->setNumberOfTapsRequired(2);
  doubleTap->addTarget(this, &SliderUIView::doubleTapSlider);
  addGestureRecognizer(doubleTap);
}

void SliderUIView::initConfig() {
  slowDownFactor_ = kSlowDownFactor;
  auto slider = mSlider();
  if (!slider) return;
  min_ = slider->minimumValue();
  max_ = slider->maximumValue();
  scrollFactor_ = (max_ - min_) / 10000;
  slider->setUserInteractionEnabled(false);
  setUserInteractionEnabled(true);
}

void SliderUIView::moveByVelocity(double velocity) {
  auto slider = mSlider();
  if (!slider) return;
  const double v = velocity / slowDownFactor_;
  const double value = slider->value() + v * scrollFactor_;
  if (value > max_) {
    slider->setValue(max_);
  } else if (value < min_) {
    slider->setValue(min_);
  } else {
    slider->setValue(static_cast<float>(value));
  }
  if (auto* delegate = delegate_.get()) delegate->sliderViewValueChanged(tag);
}

void SliderUIView::moveObject(platform::ui::PanGestureRecognizer& pan) {
  moveByVelocity(pan.velocityInView(this).x);
  pan.setTranslation({0, 0}, this);
  if (pan.state() == platform::ui::GestureRecognizerState::Ended) {
    platform::log::write(platform::log::Debug, "Gesture Did End");
    if (auto* delegate = delegate_.get()) delegate->sliderGestureDidEnd();
  }
}

void SliderUIView::doubleTapSlider() {
  auto slider = mSlider();
  if (tag == 0 && slider) slider->setValue(kCocDefault);
  // Only shown, not stored: like any other position of the slider, the default becomes the stored
  // factor when the next drag ends.
  if (auto* delegate = delegate_.get()) delegate->sliderViewValueChanged(tag);
}

}  // namespace app::settings

