#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/View.h"

namespace app::settings {

// A guide's message bubble: a title, a message and a close button; it zooms in and stays at 1.2 times
// its size, and zooms out when hidden.
class GuideMessageView : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "guideMessageView";
  std::string className() const override { return classNameKeeping("GuideMessageView", kRuntimeClassName); }

  void show();
  void hide();
  bool interactiveGuideVisible() const { return visible_; }
  const std::shared_ptr<platform::ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<platform::ui::Button>& closeBtn() const { return closeBtn_; }
  const std::shared_ptr<platform::ui::Label>& titleLabel() const { return titleLabel_; }
  const std::shared_ptr<platform::ui::Label>& messageLabel() const { return messageLabel_; }

 protected:
  explicit GuideMessageView(const platform::ui::Rect& frame = {});
  void layoutSubviews() override;

 private:
  std::shared_ptr<platform::ui::View> contentView_;
  std::shared_ptr<platform::ui::Button> closeBtn_;
  std::shared_ptr<platform::ui::Label> titleLabel_;
  std::shared_ptr<platform::ui::Label> messageLabel_;
  bool visible_ = false;
};

// A round marker that plays a finger's gesture (a tap, a double tap, a swipe to the left) in a loop.
class GuideTapIndicator : public platform::ui::View {
 public:
  // The name view dumps and the tours' references know this view by.
  static constexpr const char* kRuntimeClassName = "guideTapIndicator";
  std::string className() const override { return classNameKeeping("GuideTapIndicator", kRuntimeClassName); }

  void startAnimationLoop() { loopAnimation = true; }
  void show();
  void hide();
  void tap();
  void releaseAndHide();
  void releaseAndShow();
  void releaseAndHideFast();
  void translateLeft();
  void translateRightNoAnimation();
  void tapHere();
  void doubleTap();
  void swipeLeft();

  bool loopAnimation = false;

 protected:
  explicit GuideTapIndicator(const platform::ui::Rect& frame = {});

 private:
  // Runs `step` on this marker after `delay` seconds, unless the marker is gone by then.
  void after(double delay, void (GuideTapIndicator::*step)());
};

}  // namespace app::settings

