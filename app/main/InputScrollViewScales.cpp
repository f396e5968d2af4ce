// InputScrollView: building the focal-length, aperture and distance scales, and the labels' cross-fade.
#include <algorithm>
#include <cmath>
#include <string>

#include "app/kit/UIConstants.h"
#include "app/main/InputScrollView.h"
#include "app/main/ScaleMath.h"
#include "app/model/NumericText.h"
#include "app/optics/MetricToImperialConversion.h"
#include "app/state/FramesObject.h"
#include "platform/log/Log.h"

using platform::ui::make;
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

}  // namespace

void InputScrollView::addLabelwithPosition(float position, const std::string& text, int kind) {
  auto label = make<platform::ui::Label>(platform::ui::Rect{0, 0, 64, 64});
  switch (kind) {
    case 0:
      label->setTextColor(kit::UIConstants::maxContrastText());
      label->setFont(kit::UIConstants::mediumFontWithSize(14));
      break;
    case 1:
      label->setTextColor(kit::UIConstants::maxContrastText());
      label->setFont(kit::UIConstants::heavyFontWithSize(16));
      break;
    case 2:
      label->setTextColor(kit::UIConstants::lowContrastText());
      label->setFont(kit::UIConstants::mediumFontWithSize(14));
      break;
    default:
      break;
  }
  label->setText(text);
  label->setTextAlignment(platform::ui::TextAlignment::Center);
  // The marks come back on every build of a scale; a kept measurement answers for each text again.
  label->setBounds({0, 0, label->sizeThatFits(label->bounds().size).width, 64});
  label->setCenter({scale::finiteOrZero(position), kLabelY});
  scrollBar_->addSubview(label);
}

bool InputScrollView::showMarks(const std::vector<ScaleMark>& marks, bool replaceAll) {
  const bool dark = kit::UIConstants::appInDarkMode();
  const bool stillShown = std::all_of(shownLabels_.begin(), shownLabels_.end(), [this](const auto& weak) {
    const auto label = weak.lock();
    return label && label->superview() == scrollBar_.get();
  });
  if (stillShown && marks == shownMarks_ && shownInDarkTheme_ == dark) return false;
  if (replaceAll) {
    for (const auto& view : std::vector<std::shared_ptr<View>>(scrollBar_->subviews())) view->removeFromSuperview();
  }
  shownLabels_.clear();
  for (const auto& mark : marks) {
    addLabelwithPosition(mark.position, mark.text, mark.kind);
    shownLabels_.push_back(scrollBar_->subviews().back());
  }
  shownMarks_ = marks;
  shownInDarkTheme_ = dark;
  return true;
}

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
  std::vector<ScaleMark> marks;
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
  if (showMarks(marks, true)) overlapPass();
}

// Labels that touch their neighbour shrink and step up and down alternately.
void InputScrollView::overlapPass() {
  std::vector<platform::ui::Label*> labels;
  for (const auto& view : scrollBar_->subviews()) {
    if (auto* label = dynamic_cast<platform::ui::Label*>(view.get())) labels.push_back(label);
  }
  std::stable_sort(labels.begin(), labels.end(), [](const platform::ui::Label* a, const platform::ui::Label* b) {
    return app::model::NumericText::floatValue(a->text()) < app::model::NumericText::floatValue(b->text());
  });
  auto shrink = [](platform::ui::Label& label) {
    label.setFont(label.font().fontName() == "Avenir-Heavy" ? kit::UIConstants::heavyFontWithSize(12)
                                                             : kit::UIConstants::mediumFontWithSize(10));
  };
  int pair = 1;
  for (size_t i = 0; i + 1 < labels.size(); ++i) {
    auto& first = *labels[i];
    auto& second = *labels[i + 1];
    if (!first.frame().intersects(second.frame())) continue;
    shrink(first);
    shrink(second);
    const bool odd = pair % 2 == 1;
    first.setCenter({first.center().x, odd ? 16.0 : 28.0});
    second.setCenter({second.center().x, odd ? 28.0 : 16.0});
    ++pair;
  }
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
  std::vector<ScaleMark> marks;
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
  if (showMarks(marks, false)) subviewsArrayAnimateTo_ = shownLabels_;
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
  std::vector<ScaleMark> marks;
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
  if (showMarks(marks, false)) subviewsArrayAnimateTo_ = shownLabels_;
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
  crossFadeLabels();
}

void InputScrollView::listSubviewsOfView(const View& view) {
  subviewsArrayAnimateFrom_.assign(view.subviews().begin(), view.subviews().end());
}

void InputScrollView::crossFadeLabels() {
  // A scale that kept its labels has nothing to fade: they are the ones on show.
  const auto same = [](const std::weak_ptr<View>& a, const std::weak_ptr<View>& b) { return a.lock() == b.lock(); };
  if (std::equal(subviewsArrayAnimateTo_.begin(), subviewsArrayAnimateTo_.end(), subviewsArrayAnimateFrom_.begin(),
                 subviewsArrayAnimateFrom_.end(), same)) {
    return;
  }
  std::vector<std::shared_ptr<View>> incoming, outgoing;
  for (const auto& weak : subviewsArrayAnimateTo_) {
    if (auto label = weak.lock()) {
      label->setAlpha(0);
      incoming.push_back(label);
    }
  }
  for (const auto& weak : subviewsArrayAnimateFrom_) {
    if (auto label = weak.lock()) outgoing.push_back(label);
  }
  subviewsArrayAnimateFrom_ = subviewsArrayAnimateTo_;
  auto content = contentView_;
  View::animate(0.2, 0, platform::ui::AnimationOptionCurveLinear, [&incoming, &outgoing, content] {
    for (const auto& label : outgoing) label->setAlpha(0);
    for (const auto& label : incoming) label->setAlpha(1);
    content->layoutIfNeeded();
  }, [gone = std::vector<std::weak_ptr<View>>(outgoing.begin(), outgoing.end())](bool) {
    for (const auto& weak : gone) {
      if (auto label = weak.lock()) label->removeFromSuperview();
    }
  });
}

}  // namespace app::main

