#pragma once

#include <memory>
#include <string>

#include "app/settings/GuideViews.h"
#include "app/settings/InteractiveGuideDelegate.h"
#include "platform/ui/View.h"

namespace app::settings {

// A coach mark: a message bubble and an animated tap marker placed over a screen, or (tag 100) only the
// request to show the rating prompt. The guide owns the two views while they are shown.
class BasicGuide {
 public:
  virtual ~BasicGuide();

  void createAndShowGuideWithTapCenter(platform::ui::Point tapCenter, platform::ui::Point messageCenter);
  void hideInteractiveGuide();
  void tapIndicatorCreateWithCenter(platform::ui::Point center);
  void guideMessageCreateWithCenter(platform::ui::Point center);

  std::weak_ptr<platform::ui::View> superView;
  int guideTag = 0;
  // Told when the guide ends; not retained.
  std::weak_ptr<GuideManagerDelegate> myDelegate;
  std::string title, message;
  platform::ui::Rect messageRect, tapRect;
  int tapId = 0;  // 0 none, 1 tap, 2 double tap, 3 swipe left
  const std::shared_ptr<GuideMessageView>& guideMessage() const { return guideMessage_; }
  const std::shared_ptr<GuideTapIndicator>& tapIndicator() const { return tapIndicator_; }

 private:
  std::shared_ptr<GuideMessageView> guideMessage_;
  std::shared_ptr<GuideTapIndicator> tapIndicator_;
};

class Guide_MainView_GetStarted : public BasicGuide {
 public:
  Guide_MainView_GetStarted();
};

class Guide_ModeAspect_NativeAspect : public BasicGuide {
 public:
  Guide_ModeAspect_NativeAspect();
};

class Guide_LensAdapter_OpticalAdapter : public BasicGuide {
 public:
  Guide_LensAdapter_OpticalAdapter();
};

}  // namespace app::settings

