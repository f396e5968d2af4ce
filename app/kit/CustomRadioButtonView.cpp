#include "app/kit/CustomRadioButtonView.h"

#include "app/kit/SegmentLooks.h"
#include "platform/ui/LocalizedStrings.h"

using platform::ui::ControlEvent;
using platform::ui::LocalizedStrings;

namespace app::kit {

CustomRadioButtonView::CustomRadioButtonView(const platform::ui::Rect& frame) : View(frame) {
  contentView_ = platform::ui::make<View>(bounds());
  yesBtn_ = app::kit::makeSegmentButton(LocalizedStrings::localizedString("YES"));
  noBtn_ = app::kit::makeSegmentButton(LocalizedStrings::localizedString("NO"));
  contentView_->addSubview(yesBtn_);
  contentView_->addSubview(noBtn_);
  addSubview(contentView_);
  yesBtn_->addTarget(this, &CustomRadioButtonView::yesBtnHighlighted, ControlEvent::TouchDown);
  noBtn_->addTarget(this, &CustomRadioButtonView::noBtnHighlighted, ControlEvent::TouchDown);
}

void CustomRadioButtonView::layoutSubviews() {
  contentView_->setFrame(bounds());
  app::kit::layOutSegments(contentView_->bounds(), {yesBtn_.get(), noBtn_.get()});
  yesBtn_->layer().setMask(app::kit::firstSegmentMask(bounds()));
}

void CustomRadioButtonView::yesBtnHighlighted() { app::kit::showSegmentPressed(*yesBtn_); }
void CustomRadioButtonView::noBtnHighlighted() { app::kit::showSegmentPressed(*noBtn_); }

void CustomRadioButtonView::yesSelected() {
  yesSelected_ = true;
  noSelected_ = false;
  app::kit::showSegmentChosen(*yesBtn_);
  app::kit::showSegmentNotChosen(*noBtn_);
}

void CustomRadioButtonView::noSelected() {
  noSelected_ = true;
  yesSelected_ = false;
  app::kit::showSegmentChosen(*noBtn_);
  app::kit::showSegmentNotChosen(*yesBtn_);
}

}  // namespace app::kit

