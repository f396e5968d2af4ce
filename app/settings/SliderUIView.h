#pragma once

#include <memory>

#include "platform/ui/DelegateRef.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/Slider.h"

namespace app::settings {

class SliderViewDelegate {
 public:
  virtual ~SliderViewDelegate() = default;
  virtual void sliderViewValueChanged(int tag) = 0;
  virtual void sliderGestureDidEnd() = 0;
};

// A drag surface over a slider that moves it by the finger's speed, slowed down, so a value can be set
// finely on a short track. The slider itself takes no touches.
class SliderUIView : public platform::ui::View {
 public:
  static constexpr float kSlowDownFactor = 7;
  // The slider value a double tap puts back (tag 0: the circle-of-confusion factor d/1500).
  static constexpr float kCocDefault = 150;

  void initConfig();
  void moveObject(platform::ui::PanGestureRecognizer& pan);
  // One pan step: the value moves by the horizontal speed (points per second) slowed down and scaled.
  void moveByVelocity(double velocity);
  void doubleTapSlider();
  void resetView() {}

  int tag = 0;
  void setMSlider(const std::shared_ptr<platform::ui::Slider>& slider) { mSlider_ = slider; }
  std::shared_ptr<platform::ui::Slider> mSlider() const { return mSlider_.lock(); }
  void setDelegate(SliderViewDelegate* delegate) { delegate_.set(delegate); }
  float min() const { return min_; }
  float max() const { return max_; }
  float scrollFactor() const { return scrollFactor_; }

 protected:
  explicit SliderUIView(const platform::ui::Rect& frame = {});

 private:
  void customInit();

  std::weak_ptr<platform::ui::Slider> mSlider_;
  platform::ui::DelegateRef<SliderViewDelegate> delegate_;
  float min_ = 0, max_ = 1, scrollFactor_ = 0, slowDownFactor_ = kSlowDownFactor;
  bool gesturesAdded_ = false;
};

}  // namespace app::settings

