#include "app/kit/CustomThreeWayButton.h"

#include "app/kit/SegmentLooks.h"

using platform::ui::ControlEvent;

namespace app::kit {

CustomThreeWayButton::CustomThreeWayButton(const platform::ui::Rect& frame) : View(frame) {
  contentView_ = platform::ui::make<View>(bounds());
  firstBtn_ = app::kit::makeSegmentButton("");
  secondBtn_ = app::kit::makeSegmentButton("");
  thirdBtn_ = app::kit::makeSegmentButton("");
  for (const auto& segment : {firstBtn_, secondBtn_, thirdBtn_}) contentView_->addSubview(segment);
  addSubview(contentView_);
  firstBtn_->addTarget(this, &CustomThreeWayButton::firstBtnHighlighted, ControlEvent::TouchDown);
  secondBtn_->addTarget(this, &CustomThreeWayButton::secondBtnHighlighted, ControlEvent::TouchDown);
  thirdBtn_->addTarget(this, &CustomThreeWayButton::thirdBtnHighlighted, ControlEvent::TouchDown);
}

void CustomThreeWayButton::layoutSubviews() {
  contentView_->setFrame(bounds());
  app::kit::layOutSegments(contentView_->bounds(), {firstBtn_.get(), secondBtn_.get(), thirdBtn_.get()});
  firstBtn_->layer().setMask(app::kit::firstSegmentMask(bounds()));
}

void CustomThreeWayButton::firstBtnHighlighted() { app::kit::showSegmentPressed(*firstBtn_); }
void CustomThreeWayButton::secondBtnHighlighted() { app::kit::showSegmentPressed(*secondBtn_); }
void CustomThreeWayButton::thirdBtnHighlighted() { app::kit::showSegmentPressed(*thirdBtn_); }
void CustomThreeWayButton::firstBtnSelected() { choose(*firstBtn_); }
void CustomThreeWayButton::secondBtnSelected() { choose(*secondBtn_); }
void CustomThreeWayButton::thirdBtnSelected() { choose(*thirdBtn_); }

void CustomThreeWayButton::choose(const platform::ui::Button& chosen) {
  for (const auto& segment : {firstBtn_, secondBtn_, thirdBtn_}) {
    if (segment.get() == &chosen) {
      app::kit::showSegmentChosen(*segment);
    } else {
      app::kit::showSegmentNotChosen(*segment);
    }
  }
}

}  // namespace app::kit

