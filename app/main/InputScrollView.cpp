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

namespace {

constexpr float kDefaultMarks[] = {6, 8, 10, 12, 16, 20, 25, 28, 32, 35, 40, 50, 65, 85, 100, 135, 200, 300, 500, 1000};
constexpr float kApertureMarks[] = {0.5f, 0.7f, 1.0f, 1.4f, 2.0f, 2.8f, 4.0f, 5.6f,
                                    8.0f, 11,   16,   22,   32,   45,   64,   90};
constexpr float kImperialMarks[] = {0.102f, 0.152f, 0.203f, 0.254f, 0.305f, 0.406f, 0.508f, 0.61f,  0.762f,
                                    0.914f, 1.219f, 1.524f, 1.829f, 2.134f, 3.048f, 4.572f, 6.096f, 9.144f,
                                    12.192f, 15.24f, 21.336f, 30.48f, 45.721f, 60.961f, 91.441f};
constexpr float kMetricMarks[] = {0.1f, 0.15f, 0.2f, 0.25f, 0.3f, 0.4f, 0.5f, 0.6f, 0.8f, 1,  1.2f, 1.5f, 2,
                                  2.5f, 3,     4,    5,     7,    10,   15,   20,   30,   40, 50,   70,   100};

// The width of a focal-length scale that has fewer than two different focal lengths: nothing to scroll.
constexpr float kSingleMarkWidth = 0;

template <class T>
T clampedTo(T value, T low, T high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

}  // namespace

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
  focalLengthDefaultArray_.assign(std::begin(kDefaultMarks), std::end(kDefaultMarks));
  const bool prime = isPrimePackage();
  if (prime) {
    focalLengthArray_.clear();
    focalLengthSelectedArray_.clear();
    for (const auto& lens : lensSet.lenses) focalLengthArray_.push_back(lens.focalLength);
    for (const auto& lens : lensSet.selectedLenses) focalLengthSelectedArray_.push_back(lens.focalLength);
  } else if (isZoomPackage()) {
    const auto zoom = mCameraPackage->getFreeZoomLens();
    const float minFl = zoom ? static_cast<float>(zoom->minFl) : 0, maxFl = zoom ? static_cast<float>(zoom->maxFl) : 0;
    focalLengthSelectedArray_ = {minFl, maxFl};
    focalLengthArray_ = {minFl};
    for (float v : focalLengthDefaultArray_) {
      if (minFl < v && v < maxFl) focalLengthArray_.push_back(v);
    }
    focalLengthArray_.push_back(maxFl);
  }
  focalLengthNotSelectedArray_.clear();
  for (float fl : focalLengthArray_) {
    if (std::find(focalLengthSelectedArray_.begin(), focalLengthSelectedArray_.end(), fl) ==
        focalLengthSelectedArray_.end()) {
      focalLengthNotSelectedArray_.push_back(fl);
    }
  }
  auto angles = [this](const std::vector<float>& lengths) {
    std::vector<double> out;
    for (float fl : lengths) out.push_back(scale::fieldOfView(fl, sensorWidth, anamorphic, adapter));
    return out;
  };
  fovArray_ = angles(focalLengthArray_);
  fovSelectedArray_ = angles(focalLengthSelectedArray_);
  fovNotSelectedArray_ = angles(focalLengthNotSelectedArray_);
  fovNotSelectedArrayDisplayed_.clear();

  // A scale needs two different focal lengths; with fewer, or a series that runs the wrong way, the angle
  // range is zero or negative and every position would be a division by it.
  float a1 = 0, a2 = 0;
  if (fovArray_.size() >= 2) {
    a1 = atanf(static_cast<float>(fovArray_.front() / 2));
    a2 = atanf(static_cast<float>(fovArray_.back() / 2));
  }
  range_ = (1 - a2) - (1 - a1);
  const bool measurable = fovArray_.size() >= 2 && range_ > 0 && std::isfinite(range_);
  if (measurable) {
    float spread = powf(focalLengthArray_.back() - focalLengthArray_.front(), 0.02f);
    if (!(spread > 0)) spread = 1;
    int density = 1500;
    for (size_t i = 0; i + 1 < fovArray_.size(); ++i) {
      const double difference = fovArray_[i] - fovArray_[i + 1];
      if (difference < 0.035 && fovArray_[i] != fovArray_[i + 1]) {
        density = 2500;
        break;
      }
    }
    platform::log::write(platform::log::Debug, "Spreadfactor: " + std::to_string(density));
    scrollBarWidthConstraint_.setConstant(spread * density * range_);
    layOutScale();
    m_ = static_cast<float>(scrollBar_->bounds().size.width) / range_;
    b_ = -(1 - a1) * m_;
  } else {
    // One focal length (or none): a scale without length, its single mark at the start.
    range_ = 0;
    m_ = 0;
    b_ = 0;
    scrollBarWidthConstraint_.setConstant(kSingleMarkWidth);
    layOutScale();
  }
  auto positionOf = [this, measurable](double fov) -> float {
    if (!measurable) return 0;
    return (1 - atanf(static_cast<float>(fov / 2))) * m_ + b_;
  };
  std::vector<ScaleLabels::Mark> marks;
  for (size_t i = 0; i < fovSelectedArray_.size(); ++i) {
    marks.push_back({positionOf(fovSelectedArray_[i]), scale::numberText(focalLengthSelectedArray_[i]), 1});
  }
  for (size_t i = 0; i < fovNotSelectedArray_.size(); ++i) {
    const float x = positionOf(fovNotSelectedArray_[i]);
    const std::string text = scale::numberText(focalLengthNotSelectedArray_[i]);
    if (prime) {
      marks.push_back({x, text, 2});
      fovNotSelectedArrayDisplayed_.push_back(fovNotSelectedArray_[i]);
    } else if (!fovSelectedArray_.empty() && std::fabs(x - positionOf(fovSelectedArray_.front())) >= 20 &&
               std::fabs(x - positionOf(fovSelectedArray_.back())) >= 20) {
      fovNotSelectedArrayDisplayed_.push_back(fovNotSelectedArray_[i]);
      marks.push_back({x, text, 0});
    }
  }
  // Labels kept from the last build have been through the overlap pass already.
  if (labels_.show(*scrollBar_, marks, true)) ScaleLabels::overlapPass(*scrollBar_);
}


double InputScrollView::apertureStep() const {
  return static_cast<float>(scrollBar_->bounds().size.width) / static_cast<float>(scale::kApertureMarks - 1);
}

void InputScrollView::makeAperture() {
  setTitle("APERTURE");
  scrollBarWidthConstraint_.setConstant(scale::kApertureWidth);
  layOutScale();
  minAperture_ = currentLensAperture_;
  maxAperture_ = currentLensApertureClosed_;
  apertureArray_.assign(std::begin(kApertureMarks), std::end(kApertureMarks));
  const float step = static_cast<float>(apertureStep());
  std::vector<ScaleLabels::Mark> marks;
  auto addLabel = [&marks, step](float value, int kind) {
    marks.push_back({scale::apertureStop(value) * step, scale::numberText(value), kind});
  };
  // A limit of 0 is no limit: it has no place on the scale.
  if (minAperture_ > 0) addLabel(minAperture_, 1);
  if (maxAperture_ > 0) addLabel(maxAperture_, 1);
  apertureArrayDisplayed_.clear();
  const float tMin = scale::apertureStop(minAperture_), tMax = scale::apertureStop(maxAperture_);
  for (float n : apertureArray_) {
    const float t = scale::apertureStop(n);
    if (std::fabs(t - tMin) < 0.3f || std::fabs(t - tMax) < 0.3f) continue;
    int kind = 0;
    if ((minAperture_ != 0 && maxAperture_ != 0 && (n < minAperture_ || n > maxAperture_)) ||
        (minAperture_ != 0 && maxAperture_ == 0 && n < minAperture_)) {
      kind = 2;
    }
    addLabel(n, kind);
    apertureArrayDisplayed_.push_back(n);
  }
  if (labels_.show(*scrollBar_, marks, false)) labels_.fadeInShown();
}

std::vector<float> InputScrollView::metricOrImperialDistances() const {
  if (state::FramesObject::getSingleton()->settings.measurementSystem != 0) {
    return {std::begin(kImperialMarks), std::end(kImperialMarks)};
  }
  return {std::begin(kMetricMarks), std::end(kMetricMarks)};
}

double InputScrollView::distanceRatio() const {
  if (distanceArray_.empty()) return 1;
  return std::pow(static_cast<double>(distanceArray_.back()) / distanceArray_.front(),
                  1 / scrollBar_->bounds().size.width);
}

// GCC 12 reports an overlapping copy inside libstdc++'s own string code here, which it cannot make.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
void InputScrollView::makeDistance() {
  setTitle("DISTANCE");
  scrollBarWidthConstraint_.setConstant(scale::kDistanceWidth);
  layOutScale();
  closeFocusDistance_ = currentLensCloseFocus_;
  distanceArray_ = metricOrImperialDistances();
  const bool imperial = state::FramesObject::getSingleton()->settings.measurementSystem != 0;
  const double k = distanceRatio();
  const float first = distanceArray_.front();
  const double closePosition = std::log(closeFocusDistance_ / first) / std::log(k);
  std::vector<ScaleLabels::Mark> marks;
  if (closeFocusDistance_ > 0) {
    marks.push_back({static_cast<float>(closePosition),
                     imperial ? optics::MetricToImperialConversion::returnFeetInchesString(closeFocusDistance_)
                              : scale::numberText(closeFocusDistance_),
                     1});
  }
  distanceArrayDisplayed_.clear();
  const float logK = logf(static_cast<float>(k));
  for (float d : distanceArray_) {
    const float x = logf(d / first) / logK;
    if (closeFocusDistance_ > 0 && std::fabs(x - closePosition) < 30) continue;
    const int kind = d < closeFocusDistance_ ? 2 : 0;
    marks.push_back(
        {x, imperial ? " " + optics::MetricToImperialConversion::returnFeetInchesString(d) : scale::numberText(d), kind});
    distanceArrayDisplayed_.push_back(d);
  }
  if (labels_.show(*scrollBar_, marks, false)) labels_.fadeInShown();
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

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

// --- positions to values and back ---


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

