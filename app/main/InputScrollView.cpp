// InputScrollView: the view, its set-up, the lens limits, and positions to values and back.
#include "app/main/InputScrollView.h"

#include <cmath>

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

// --- positions to values and back ---

namespace {

template <class T>
T clampedTo(T value, T low, T high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

}  // namespace

float InputScrollView::focalLengthAt(double position) const {
  if (focalLengthArray_.empty()) return 0;
  const float first = focalLengthArray_.front(), last = focalLengthArray_.back();
  if (m_ == 0) return first;  // a scale with a single focal length
  const float u = 1 - (static_cast<float>(position) - b_) / m_;
  const double fov = 2 * std::tan(static_cast<double>(u));
  float focalLength = anamorphic * sensorWidth / (tanf(static_cast<float>(fov / 2)) * 2 * adapter);
  if (focalLength > 0 && focalLength < first) {
    focalLength = first;
  } else if (focalLength < 0 || focalLength > last) {
    focalLength = last;
  } else if (std::isnan(focalLength)) {
    focalLength = first;
  }
  return focalLength;
}

// Held to the scale's end marks: a position near a first mark that has no label of its own (it gave way
// to a lens limit) still reads its own value, not the next label's.
float InputScrollView::apertureAt(double position) const {
  const float t = static_cast<float>(position) / static_cast<float>(apertureStep());
  double fNumber = std::pow(1.4142135381698608, static_cast<double>(t) - 2);
  if (!apertureArray_.empty()) {
    fNumber = clampedTo<double>(fNumber, apertureArray_.front(), apertureArray_.back());
  }
  return static_cast<float>(fNumber);
}

float InputScrollView::distanceAt(double position) const {
  if (distanceArray_.empty()) return 0;
  const double meters = distanceArray_.front() * std::pow(distanceRatio(), position);
  return static_cast<float>(clampedTo<double>(meters, distanceArray_.front(), distanceArray_.back()));
}

double InputScrollView::positionForFocalLength(float focalLength) const {
  if (m_ == 0) return 0;
  const double fov = scale::fieldOfView(focalLength, sensorWidth, anamorphic, adapter);
  return scale::finiteOrZero((1 - atanf(static_cast<float>(fov / 2))) * m_ + b_);
}

double InputScrollView::positionForAperture(float fNumber) const {
  return scale::finiteOrZero(scale::apertureStop(fNumber) * static_cast<float>(apertureStep()));
}

double InputScrollView::positionForDistance(float meters) const {
  if (distanceArray_.empty()) return 0;
  const float first = distanceArray_.front(), last = distanceArray_.back();
  const float kf = static_cast<float>(
      std::pow(static_cast<double>(last) / first, 1 / scrollBar_->bounds().size.width));
  return scale::finiteOrZero(logf(meters / first) / logf(kf));
}

}  // namespace app::main

