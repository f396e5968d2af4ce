#include "app/settings/BasicGuide.h"

#include "app/kit/UIConstants.h"
#include "platform/ui/LocalizedStrings.h"

using platform::ui::LocalizedStrings;
using platform::ui::make;

namespace app::settings {

void BasicGuide::guideMessageCreateWithCenter(platform::ui::Point center) {
  if (!(messageRect.width() > 0)) return;
  if (guideMessage_) guideMessage_->removeFromSuperview();
  guideMessage_ = make<GuideMessageView>(messageRect);
  guideMessage_->setCenter(center);
  guideMessage_->closeBtn()->addTarget(this, &BasicGuide::hideInteractiveGuide,
                                       platform::ui::ControlEvent::TouchUpInside);
  if (auto parent = superView.lock()) parent->addSubview(guideMessage_);
}

void BasicGuide::tapIndicatorCreateWithCenter(platform::ui::Point center) {
  if (!(tapRect.width() > 0)) return;
  if (tapIndicator_) tapIndicator_->removeFromSuperview();
  tapIndicator_ = make<GuideTapIndicator>(tapRect);
  tapIndicator_->setCenter(center);
  if (auto parent = superView.lock()) parent->addSubview(tapIndicator_);
}

void BasicGuide::createAndShowGuideWithTapCenter(platform::ui::Point tapCenter, platform::ui::Point messageCenter) {
  guideMessageCreateWithCenter(messageCenter);
  if (guideMessage_) {
    guideMessage_->titleLabel()->setAttributedText(kit::UIConstants::kerningWithString(title));
    guideMessage_->messageLabel()->setText(message);
    guideMessage_->show();
  }
  tapIndicatorCreateWithCenter(tapCenter);
  if (!tapIndicator_) return;
  tapIndicator_->startAnimationLoop();
  switch (tapId) {
    case 1: tapIndicator_->tapHere(); break;
    case 2: tapIndicator_->doubleTap(); break;
    case 3: tapIndicator_->swipeLeft(); break;
    default: tapIndicator_->setAlpha(0); break;
  }
}

void BasicGuide::hideInteractiveGuide() {
  if (guideMessage_) {
    guideMessage_->closeBtn()->removeTarget(this);
    guideMessage_->hide();
    guideMessage_->removeFromSuperview();
    guideMessage_.reset();
  }
  if (tapIndicator_) {
    tapIndicator_->hide();
    tapIndicator_->removeFromSuperview();
    tapIndicator_.reset();
  }
  if (auto delegate = myDelegate.lock()) delegate->exitGuide(*this);
}

Guide_MainView_GetStarted::Guide_MainView_GetStarted() {
  title = LocalizedStrings::localizedString("SETUP");
  message = LocalizedStrings::localizedString("Start by selecting your camera and lenses.");
  tapRect = {0, 0, 60, 60};
  messageRect = {0, 0, 360, 50};
  tapId = 1;
}

Guide_ModeAspect_NativeAspect::Guide_ModeAspect_NativeAspect() {
  title = LocalizedStrings::localizedString("NATIVE ASPECT RATIO");
  message = LocalizedStrings::localizedString(
      "Selecting 'Native Aspect Ratio' will use the full recording area, all other aspect ratios are cropped from "
      "it.");
  tapRect = {0, 0, 60, 60};
  messageRect = {0, 0, 360, 80};
}

Guide_LensAdapter_OpticalAdapter::Guide_LensAdapter_OpticalAdapter() {
  title = LocalizedStrings::localizedString("OPTICAL ADAPTERS ONLY");
  message = LocalizedStrings::localizedString(
      "Only select an adapter here if it has an optical element. For simple mechanical lens mount adapters select "
      "'None'.");
  tapRect = {0, 0, 60, 60};
  messageRect = {0, 0, 360, 65};
}

BasicGuide::~BasicGuide() {
  // The bubble's close button must not call a guide that is gone.
  if (guideMessage_) guideMessage_->closeBtn()->removeTarget(this);
}

}  // namespace app::settings

