#include "app/pages/CoverageView.h"

#include "app/kit/UIConstants.h"
#include "app/pages/FormatOutlines.h"
#include "app/pages/FormatTexts.h"
#include "app/pages/ImageCircle.h"
#include "app/pages/PageState.h"
#include "app/pages/SensorsView.h"
#include "platform/ui/LocalizedStrings.h"

using app::pages::FormatLabelGroups;
using app::pages::FormatOutlines;
using app::pages::FormatTexts;
using app::pages::ImageCircle;
using app::pages::kPageMargin;
using app::pages::makePageLabel;
using platform::graphics::Path;
using platform::ui::make;
using platform::ui::Rect;
using platform::ui::ShapeLayer;
using platform::ui::TextAlignment;
using platform::ui::View;

namespace app::pages {

namespace {

// The hint rests above the page and slides down into a band of its own, so it never covers the texts.
constexpr double kHintHidden = -20, kHintShown = 0, kHintHeight = 20;
constexpr double kTextTop = kHintShown + kHintHeight + 8;
constexpr double kDrawingTop = kTextTop + 76;
constexpr double kHintDelay = 1.0, kHintStay = 6.0, kHintSeconds = 0.3;

}  // namespace

void CoverageDrawView::updateScale() {
  scaleFactor_ = 0;
  auto state = app::pages::framesObject();
  if (!state->packageOne) return;
  const model::CameraPackage& one = *state->packageOne;
  float diagonal = FormatTexts::diagonal(one.modeWidth(), one.modeHeight());
  scaleFactor_ = ImageCircle::drawingScale(bounds().size, ImageCircle::largestCircle(one), diagonal).value_or(0);
}

void CoverageDrawView::drawRect(const Rect&) {
  updateScale();
  auto state = app::pages::framesObject();
  if (!state->packageOne || scaleFactor_ <= 0) return;
  auto* context = platform::graphics::currentContext();
  for (const auto& outline : FormatOutlines::outlines(*state->packageOne, scaleFactor_, bounds().size)) {
    SensorDrawView::drawFormatRect(outline.rect, kit::UIConstants::blue(), outline.alpha, context);
  }
}

void CoverageDrawView::drawImageCircle(float diameter, float anamorphic, float adapter) {
  lastCircle_ = Circle{diameter, anamorphic, adapter};
  placeCircle();
}

void CoverageDrawView::layoutSubviews() {
  updateScale();
  placeCircle();
}

void CoverageDrawView::placeCircle() {
  layer().removeAllSublayers();
  circle_.reset();
  if (!lastCircle_) return;
  auto oval = ImageCircle::outline(lastCircle_->diameter, lastCircle_->anamorphic, lastCircle_->adapter, scaleFactor_,
                                   bounds().size);
  if (!oval) return;  // no circle, or none of a size: nothing is left on the drawing
  circle_ = make<ShapeLayer>();
  circle_->setFrame(bounds());
  circle_->setPath(Path::oval(*oval));
  circle_->setStrokeColor(kit::UIConstants::maxContrastText());
  circle_->setFillColor(std::nullopt);
  layer().addSublayer(circle_);
}

CoverageView::CoverageView(const Rect& frame)
    : PageView(frame), formatOne_(kit::UIConstants::blue(), TextAlignment::Right) {
  contentView_->setClipsToBounds(true);
  lensAtFocalLengthLabel_ =
      makePageLabel(kit::UIConstants::romanFontWithSize(12), kit::UIConstants::contrastText(), TextAlignment::Left);
  // A series name too long even when shrunk gives way in its middle: the focal length at the end stays.
  lensAtFocalLengthLabel_->setLineBreakMode(platform::graphics::LineBreakMode::TruncateMiddle);
  imageCircleLabel_ =
      makePageLabel(kit::UIConstants::mediumFontWithSize(18), kit::UIConstants::maxContrastText(), TextAlignment::Left);
  shootTestsLabel_ =
      makePageLabel(kit::UIConstants::romanFontWithSize(11), platform::graphics::Color::whiteColor(),
                    TextAlignment::Center);
  shootTestsLabel_->setBackgroundColor(kit::UIConstants::darkBlue());
  shootTestsLabel_->setText(platform::ui::LocalizedStrings::localizedString(
      "Image circles are approximate: shoot tests before you rely on them."));
  coverageDrawView_ = make<CoverageDrawView>();
  contentView_->addSubview(coverageDrawView_);
  contentView_->addSubview(lensAtFocalLengthLabel_);
  contentView_->addSubview(imageCircleLabel_);
  formatOne_.addTo(*contentView_);
  contentView_->addSubview(shootTestsLabel_);
  shootTestsTop_.setConstant(kHintHidden);
  zoomPercentage_ = 0;
  updateLabels();
  imageCircleLabel_->setTextColor(kit::UIConstants::maxContrastText());
  coverageDrawView_->setNeedsDisplay();
}

void CoverageView::layoutContent() {
  const double w = contentView_->bounds().size.width;
  const double h = contentView_->bounds().size.height;
  const double column = (w - 3 * kPageMargin) / 2;
  lensAtFocalLengthLabel_->setFrame({kPageMargin, kTextTop, column, 16});
  imageCircleLabel_->setFrame({kPageMargin, kTextTop + 18, column, 26});
  formatOne_.layout({2 * kPageMargin + column, kTextTop, column, 0});
  shootTestsLabel_->setFrame({0, shootTestsTop_.constant(), w, kHintHeight});
  coverageDrawView_->setFrame(
      {kPageMargin, kDrawingTop, std::max(0.0, w - 2 * kPageMargin), std::max(0.0, h - kDrawingTop - 8)});
}

void CoverageView::updateLabels() {
  auto state = app::pages::framesObject();
  if (state->packageOne) formatOne_.update(*state->packageOne, FormatLabelGroups::Sizes::Diagonals);
}

void CoverageView::drawCoverage() {
  updateLabels();
  coverageDrawView_->setNeedsDisplay();
}

void CoverageView::setFLIndex(int index) {
  currentFLIndex_ = index;
  updateImageCircle();
}

void CoverageView::updateImageCircle() {
  // The scale comes first: the circle is placed at the scale of the current package and size.
  contentView_->layoutIfNeeded();
  coverageDrawView_->setNeedsDisplay();
  coverageDrawView_->updateScale();
  if (!package_) {
    currentImageCircle_ = 0;
    imageCircleLabel_->setText(platform::ui::LocalizedStrings::localizedString("No data"));
    coverageDrawView_->drawImageCircle(0, 1, 1);
    return;
  }
  float adapter = ImageCircle::adapterFactor(*package_);
  ImageCircle circle = ImageCircle::atFocalLength(*package_, currentFLIndex_, zoomPercentage_, currentImageCircle_);
  currentImageCircle_ = circle.diameter;
  imageCircleLabel_->setText(circle.text(adapter));
  float squeeze = package_->mLensSet ? package_->mLensSet->lensManufacturer.anamorphotic : 1.0f;
  coverageDrawView_->drawImageCircle(currentImageCircle_, squeeze, adapter);
}

void CoverageView::setFocalLength(float focalLength) {
  currentFocalLength_ = focalLength;
  lensAtFocalLengthLabel_->setText(package_ ? ImageCircle::lensText(*package_, focalLength) : std::string());
}

void CoverageView::killAnimation() { shootTestsLabel_->layer().removeAllAnimations(); }

void CoverageView::slideHint(double constant, double delay, std::function<void(bool)> completion) {
  View::animate(
      kHintSeconds, delay, platform::ui::AnimationOptionCurveEaseOut,
      [this, constant] {
        shootTestsTop_.setConstant(constant);
        contentView_->setNeedsLayout();
        contentView_->layoutIfNeeded();
      },
      std::move(completion));
}

void CoverageView::displayShootTestsLabel() {
  shootTestsTop_.setConstant(kHintHidden);
  std::weak_ptr<View> weak = weak_from_this();
  slideHint(kHintShown, kHintDelay, [weak, this](bool) {
    if (weak.lock()) slideHint(kHintHidden, kHintStay, {});
  });
}

}  // namespace app::pages

