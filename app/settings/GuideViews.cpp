#include "app/settings/GuideViews.h"

#include "app/kit/UIConstants.h"
#include "platform/dispatch/Queue.h"

using platform::graphics::AffineTransform;
using platform::ui::make;
using platform::ui::View;

namespace app::settings {

GuideMessageView::GuideMessageView(const platform::ui::Rect& frame) : View(frame) {
  contentView_ = make<View>(bounds());
  contentView_->setBackgroundColor(kit::UIConstants::guideBGColor());
  contentView_->layer().setCornerRadius(8);
  titleLabel_ = make<platform::ui::Label>();
  titleLabel_->setFont(kit::UIConstants::heavyFontWithSize(11));
  titleLabel_->setTextColor(platform::graphics::Color::whiteColor());
  messageLabel_ = make<platform::ui::Label>();
  messageLabel_->setFont(kit::UIConstants::romanFontWithSize(11));
  messageLabel_->setTextColor(platform::graphics::Color::whiteColor());
  messageLabel_->setNumberOfLines(0);
  closeBtn_ = make<platform::ui::Button>();
  closeBtn_->setTitle("✕");
  closeBtn_->setTitleColor(platform::graphics::Color::whiteColor());
  for (const auto& view : std::initializer_list<std::shared_ptr<View>>{titleLabel_, messageLabel_, closeBtn_}) {
    contentView_->addSubview(view);
  }
  addSubview(contentView_);
  setAlpha(0);
}

void GuideMessageView::layoutSubviews() {
  contentView_->setFrame(bounds());
  const double width = bounds().width();
  titleLabel_->setFrame({10, 6, width - 44, 14});
  messageLabel_->setFrame({10, 20, width - 44, std::max(0.0, bounds().height() - 24)});
  closeBtn_->setFrame({width - 32, 0, 32, 32});
}

void GuideMessageView::show() {
  setTransform(AffineTransform::scale(0.5, 0.5));
  std::weak_ptr<View> weak = weak_from_this();
  View::animate(0.3, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
    setTransform(AffineTransform::scale(1.2, 1.2));
    setAlpha(1);
  }, [weak](bool) {
    if (auto strong = std::static_pointer_cast<GuideMessageView>(weak.lock())) strong->visible_ = true;
  });
}

void GuideMessageView::hide() {
  std::weak_ptr<View> weak = weak_from_this();
  View::animate(0.3, 0, platform::ui::AnimationOptionCurveEaseIn, [this] {
    setTransform(AffineTransform::scale(0.5, 0.5));
    setAlpha(0);
  }, [weak](bool) {
    if (auto strong = std::static_pointer_cast<GuideMessageView>(weak.lock())) strong->visible_ = false;
  });
}

GuideTapIndicator::GuideTapIndicator(const platform::ui::Rect& frame) : View(frame) {}

void GuideTapIndicator::after(double delay, void (GuideTapIndicator::*step)()) {
  std::weak_ptr<View> weak = weak_from_this();
  platform::dispatch::Queue::main()->after(delay, [weak, step] {
    if (auto strong = std::static_pointer_cast<GuideTapIndicator>(weak.lock())) ((*strong).*step)();
  });
}

void GuideTapIndicator::show() {
  setUserInteractionEnabled(false);
  setAlpha(0);
  layer().setCornerRadius(bounds().width() / 2);
  setClipsToBounds(true);
  setBackgroundColor(kit::UIConstants::blue());
  setTransform(AffineTransform::scale(0.25, 0.25));
  std::weak_ptr<View> weak = weak_from_this();
  View::animate(0.15, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
    setTransform(AffineTransform::scale(1.2, 1.2));
    setAlpha(0.5);
  }, [weak](bool) {
    auto self = weak.lock();
    if (!self) return;
    View::animate(0.08, [self] { self->setTransform(AffineTransform::scale(0.9, 0.9)); }, [weak](bool) {
      auto self = weak.lock();
      if (self) View::animate(0.07, [self] { self->setTransform(AffineTransform::identity()); });
    });
  });
}

void GuideTapIndicator::hide() {
  loopAnimation = false;
  std::weak_ptr<View> weak = weak_from_this();
  View::animate(0.3, 0, platform::ui::AnimationOptionCurveEaseIn, [this] { setAlpha(0); }, [weak](bool) {
    if (auto self = weak.lock()) self->setHidden(true);
  });
}

void GuideTapIndicator::tap() {
  const double scale = 2.0f / 3.0f;
  View::animate(0.2, [this, scale] {
    setAlpha(1);
    setTransform(AffineTransform::scale(scale, scale));
  });
}

void GuideTapIndicator::releaseAndHide() {
  View::animate(0.2, 0, platform::ui::AnimationOptionCurveEaseIn, [this] {
    setAlpha(0);
    setTransform(AffineTransform::scale(1.5, 1.5));
  });
}

void GuideTapIndicator::releaseAndShow() {
  View::animate(0.2, [this] {
    setTransform(AffineTransform::identity());
    setAlpha(0.5);
  });
}

void GuideTapIndicator::releaseAndHideFast() {
  View::animate(0.05, 0, platform::ui::AnimationOptionCurveEaseIn, [this] {
    setAlpha(0);
    setTransform(AffineTransform::scale(1.5, 1.5));
  });
}

void GuideTapIndicator::translateLeft() {
  View::animate(0.7, [this] {
    auto frame = this->frame();
    frame.origin.x -= 200;
    setFrame(frame);
  });
}

void GuideTapIndicator::translateRightNoAnimation() {
  auto frame = this->frame();
  frame.origin.x += 200;
  setFrame(frame);
}

void GuideTapIndicator::tapHere() {
  show();
  after(0.5, &GuideTapIndicator::tap);
  after(1.0, &GuideTapIndicator::releaseAndHide);
  if (loopAnimation) after(1.5, &GuideTapIndicator::tapHere);
}

void GuideTapIndicator::doubleTap() {
  show();
  after(0.6, &GuideTapIndicator::tap);
  after(0.8, &GuideTapIndicator::releaseAndShow);
  after(1.0, &GuideTapIndicator::tap);
  after(1.2, &GuideTapIndicator::releaseAndHide);
  if (loopAnimation) after(2.2, &GuideTapIndicator::doubleTap);
}

void GuideTapIndicator::swipeLeft() {
  show();
  after(0.5, &GuideTapIndicator::tap);
  after(1.0, &GuideTapIndicator::translateLeft);
  after(1.7, &GuideTapIndicator::releaseAndHide);
  after(1.9, &GuideTapIndicator::translateRightNoAnimation);
  if (loopAnimation) after(2.2, &GuideTapIndicator::swipeLeft);
}

}  // namespace app::settings

