#include "app/main/InputScrollView.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/kit/UIConstants.h"
#include "app/main/ScaleMath.h"
#include "app/model/NumericText.h"
#include "app/optics/MetricToImperialConversion.h"
#include "app/state/FramesObject.h"
#include "platform/log/Log.h"
#include "platform/ui/LocalizedStrings.h"
#include "platform/ui/TapGestureRecognizer.h"

using platform::ui::make;
using platform::ui::Rect;
using platform::ui::View;

namespace app::main {

InputScrollView::InputScrollView(const Rect& frame) : View(frame) { customInit(); }

void InputScrollView::customInit() {
  contentView_ = make<View>(bounds());
  gradient_ = make<platform::ui::GradientLayer>();
  contentView_->layer().insertSublayer(gradient_, 0);
  scrollView_ = make<platform::ui::ScrollView>(bounds());
  scrollContentView_ = make<View>();
  scrollBar_ = make<View>();
  scrollContentView_->addSubview(scrollBar_);
  scrollView_->addSubview(scrollContentView_);
  titleLabel_ = make<platform::ui::Label>(Rect{12, 0, 200, 12});
  titleLabel_->setUserInteractionEnabled(false);
  markerView_ = make<View>();
  markerView_->setUserInteractionEnabled(false);
  markerView_->setBackgroundColor(kit::UIConstants::blue());
  contentView_->addSubview(scrollView_);
  contentView_->addSubview(titleLabel_);
  contentView_->addSubview(markerView_);
  addSubview(contentView_);

  sensorWidth = 24.0f;
  anamorphic = 1.0f;
  adapter = 1.0f;
  secondCamera_ = false;
  scrollView_->setDelegate(static_cast<platform::ui::ScrollViewDelegate*>(this));
  lastFLSnapPosition_ = -1000.0;

  // The recognisers live in this bar's own views; the bar outlives them.
  auto inScale = make<platform::ui::TapGestureRecognizer>();
  inScale->addTarget(this, &InputScrollView::tapInScrollBar);
  scrollBar_->addGestureRecognizer(inScale);
  auto beside = make<platform::ui::TapGestureRecognizer>();
  beside->addTarget(this, &InputScrollView::tapOutsideScrollBar);
  scrollContentView_->addGestureRecognizer(beside);
  layOutScale();
}

void InputScrollView::layoutSubviews() {
  contentView_->setFrame(bounds());
  scrollView_->setFrame(contentView_->bounds());
  gradient_->setFrame(contentView_->bounds());
  const Rect area = contentView_->bounds();
  markerView_->setFrame({area.midX() - 1, 12, 2, area.size.height - 12});
  layOutScale();
}

// The scale with its two insets inside the scroller: the scroller's content is the area around the scale.
void InputScrollView::layOutScale() {
  const double height = contentView_->bounds().size.height;
  const double lead = scrollBarLeadingConstraint_.constant(), trail = scrollBarTrailingConstraint_.constant();
  const double width = scrollBarWidthConstraint_.constant();
  scrollContentView_->setFrame({0, 0, lead + width + trail, height});
  scrollBar_->setFrame({lead, 0, width, height});
  scrollView_->setContentSize({lead + width + trail, height});
}

void InputScrollView::setInputType(int type) {
  setApertureAndCloseFocus();
  scrollBarType_ = type;
  if (type == 2) {
    redrawScrollBarWithAnimation(2);
  } else if (type == 1) {
    redrawScrollBarWithAnimation(1);
  } else if (type == 0) {
    makeFocalLength();
  }
  const double half = contentView_->frame().size.width / 2;
  scrollBarLeadingConstraint_.setConstant(half);
  scrollBarTrailingConstraint_.setConstant(half);
  setNeedsLayout();
  layoutIfNeeded();
  // One background gradient per bar, brought up to date (a rebuild used to stack another each time).
  gradient_->setFrame(contentView_->bounds());
  gradient_->setColors({kit::UIConstants::gradientColorTop(), kit::UIConstants::gradientColorBottom()});
}

void InputScrollView::setFLIndex(int index) {
  currentFLIndex_ = index;
  setApertureAndCloseFocus();
}

bool InputScrollView::isPrimePackage() const {
  return mCameraPackage && mCameraPackage->lensManufacturer && mCameraPackage->lensManufacturer->isPrimeLens();
}

bool InputScrollView::isZoomPackage() const {
  return mCameraPackage && mCameraPackage->lensManufacturer && mCameraPackage->lensManufacturer->isZoomLens();
}

void InputScrollView::setApertureAndCloseFocus() {
  const model::LensObject* lens = nullptr;
  if (isZoomPackage()) {
    // A zoom series with no selected lens has no limits, like a prime set without a lens.
    if (!lensSet.selectedLenses.empty()) lens = &lensSet.selectedLenses.front();
  } else if (currentFLIndex_ >= 0 && currentFLIndex_ < static_cast<int>(lensSet.lenses.size())) {
    lens = &lensSet.lenses[static_cast<size_t>(currentFLIndex_)];
  } else if (currentFLIndex_ != -1) {
    return;
  }
  if (!lens) {
    currentLensAperture_ = currentLensApertureClosed_ = currentLensCloseFocus_ = 0;
    return;
  }
  platform::log::write(platform::log::Debug, "Lens: " + lens->getCloseFocusMetric() + " " + lens->getAperture() +
                                                 " " + lens->getApertureClose());
  currentLensAperture_ = app::model::NumericText::floatValue(lens->getAperture());
  currentLensApertureClosed_ = app::model::NumericText::floatValue(lens->getApertureClose());
  const auto state = state::FramesObject::getSingleton();
  currentLensCloseFocus_ = state->settings.measurementSystem != 0
                               ? optics::MetricToImperialConversion::returnMeters(lens->getCloseFocusImperialString())
                               : app::model::NumericText::floatValue(lens->getCloseFocusMetric());
}

void InputScrollView::setTitle(const char* key) {
  titleLabel_->setTextColor(kit::UIConstants::lowContrastText());
  titleLabel_->setFont(kit::UIConstants::heavyFontWithSize(9));
  titleLabel_->setText(platform::ui::LocalizedStrings::localizedString(key));
}

float InputScrollView::nonLinearToLinearCurve(float y, float width) {
  return static_cast<float>(std::sqrt(static_cast<double>(y)) * std::sqrt(static_cast<double>(width)));
}

float InputScrollView::zoomPercentage() const {
  const double width = scrollBarWidthConstraint_.constant();
  const double percent = position() / width * 100;
  if (!(percent > 0)) return 0;  // NaN (a scale without length) reads as the start
  return static_cast<float>(percent > 100 ? 100 : percent);
}

// --- the scales ---
void InputScrollView::makeFocalLength() {
  setTitle("FOCAL LENGTH");
  const bool prime = isPrimePackage();
  if (prime) {
    focalLength_.takePrimes(lensSet);
  } else if (isZoomPackage()) {
    const auto zoom = mCameraPackage->getFreeZoomLens();
    const float minFl = zoom ? static_cast<float>(zoom->minFl) : 0, maxFl = zoom ? static_cast<float>(zoom->maxFl) : 0;
    focalLength_.takeZoom(minFl, maxFl);
  }
  scrollBarWidthConstraint_.setConstant(focalLength_.measure(optics()));
  layOutScale();
  focalLength_.setLength(barWidth());
  // Labels kept from the last build have been through the overlap pass already.
  if (labels_.show(*scrollBar_, focalLength_.marks(prime), true)) ScaleLabels::overlapPass(*scrollBar_);
}

void InputScrollView::makeAperture() {
  setTitle("APERTURE");
  scrollBarWidthConstraint_.setConstant(scale::kApertureWidth);
  layOutScale();
  const auto marks = aperture_.build(currentLensAperture_, currentLensApertureClosed_, static_cast<float>(apertureStep()));
  if (labels_.show(*scrollBar_, marks, false)) labels_.fadeInShown();
}

void InputScrollView::makeDistance() {
  setTitle("DISTANCE");
  scrollBarWidthConstraint_.setConstant(scale::kDistanceWidth);
  layOutScale();
  const bool imperial = state::FramesObject::getSingleton()->settings.measurementSystem != 0;
  if (labels_.show(*scrollBar_, distance_.build(currentLensCloseFocus_, imperial, barWidth()), false)) {
    labels_.fadeInShown();
  }
}

void InputScrollView::redrawScrollBarWithAnimation(int type) {
  if (type == 1) {
    makeAperture();
  } else if (type == 2) {
    makeDistance();
  } else {
    return;
  }
  labels_.crossFade(contentView_);
}

}  // namespace app::main

