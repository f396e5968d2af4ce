#include "app/pages/LensMatchView.h"

#include <algorithm>

#include "app/kit/UIConstants.h"
#include "app/pages/PageState.h"
#include "platform/ui/LocalizedStrings.h"

using app::pages::AspectFrames;
using app::pages::kPageMargin;
using app::pages::placeCentred;
using platform::graphics::Color;
using platform::graphics::Path;
using platform::ui::ControlEvent;
using platform::ui::LayoutConstraint;
using platform::ui::LocalizedStrings;
using platform::ui::make;
using platform::ui::Rect;
using platform::ui::ShapeLayer;
using platform::ui::View;

namespace app::pages {

namespace {

constexpr double kIndicatorStep = 54;
constexpr double kButtonWidth = 100;
constexpr double kFramesTop = 56;
constexpr double kSeconds = 0.15;

using Attribute = LayoutConstraint::Attribute;

std::shared_ptr<LayoutConstraint> aspectConstraint(const std::shared_ptr<View>& view, float ratio) {
  return std::make_shared<LayoutConstraint>(view, Attribute::Width, LayoutConstraint::Relation::Equal, view,
                                            Attribute::Height, ratio, 0);
}

// The largest rectangle of the ratio (width over height) inside `area`, centred in it.
Rect fitted(const Rect& area, double ratio) {
  double width = area.size.width, height = area.size.height;
  if (width > height * ratio) {
    width = height * ratio;
  } else {
    height = width / ratio;
  }
  return Rect(area.origin.x + (area.size.width - width) / 2, area.origin.y + (area.size.height - height) / 2, width,
              height);
}

}  // namespace

LensMatchView::LensMatchView(const Rect& frame) : PageView(frame) { customInit(); }

void LensMatchView::customInit() {
  illustrationView_ = make<View>();
  matchView_ = make<View>();
  for (const auto& frame : {illustrationView_, matchView_}) {
    frame->layer().setBorderWidth(kFrameBorder);
    frame->layer().setBorderColor(Color::clearColor());
  }
  illustrationAspect_ = aspectConstraint(illustrationView_, 16.0f / 9.0f);
  matchAspect_ = aspectConstraint(matchView_, 16.0f / 9.0f);
  horizontalBtn_ = make<kit::TextButton>();
  verticalBtn_ = make<kit::TextButton>();
  horizontalBtn_->styleButtonWithString(LocalizedStrings::localizedString("HORIZONTAL"), 0);
  verticalBtn_->styleButtonWithString(LocalizedStrings::localizedString("VERTICAL"), 0);
  indicator_ = make<View>();
  indicator_->setBackgroundColor(kit::UIConstants::blue());
  for (const auto& view : std::initializer_list<std::shared_ptr<View>>{illustrationView_, matchView_, horizontalBtn_,
                                                                       verticalBtn_, indicator_}) {
    contentView_->addSubview(view);
  }
  horizontalBtn_->addTarget(this, &LensMatchView::horizontalBtnPressed, ControlEvent::TouchUpInside);
  verticalBtn_->addTarget(this, &LensMatchView::verticalBtnPressed, ControlEvent::TouchUpInside);
  indicatorCenterX_.setConstant(-kIndicatorStep);
}

void LensMatchView::layoutContent() {
  const double w = contentView_->bounds().size.width;
  const double h = contentView_->bounds().size.height;
  placeCentred(*horizontalBtn_, w / 2 - kIndicatorStep, 8, kButtonWidth, 30);
  placeCentred(*verticalBtn_, w / 2 + kIndicatorStep, 8, kButtonWidth, 30);
  placeCentred(*indicator_, w / 2 + indicatorCenterX_.constant(), 40, 40, 2);

  Rect area(kPageMargin, kFramesTop, std::max(0.0, w - 2 * kPageMargin), std::max(0.0, h - kFramesTop - 8));
  Rect outer = fitted(area, illustrationAspect_->multiplier());
  illustrationView_->setFrame(outer);
  // The matched format is the wider one (horizontal) or the narrower one (vertical), so fitting it into
  // the outer frame gives it the same width or the same height.
  Rect inner = fitted(outer, matchAspect_->multiplier());
  matchView_->setFrame(inner);
  if (yourViewBorder_) {
    yourViewBorder_->setFrame(matchView_->bounds());
    yourViewBorder_->setPath(Path::rect(matchView_->bounds()));
  }
}

Color LensMatchView::borderColor(AspectFrames::Border border) {
  switch (border) {
    case AspectFrames::Border::PackageOne: return kit::UIConstants::blue();
    case AspectFrames::Border::PackageTwo: return kit::UIConstants::secondCameraGreen();
    case AspectFrames::Border::Clear: break;
  }
  return Color::clearColor();
}

std::shared_ptr<ShapeLayer> LensMatchView::dashedOutline() const { return yourViewBorder_; }

void LensMatchView::setupIllustration() {
  auto width = [](const std::optional<model::CameraPackage>& p) { return p ? p->getFinalSimulationFormatWidth() : 0.0f; };
  auto height = [](const std::optional<model::CameraPackage>& p) { return p ? p->getFinalSimulationFormatHeight() : 0.0f; };
  int matchType = app::pages::framesObject()->settings.lensMatchType;
  auto frames = AspectFrames::make(width(packageOne_), height(packageOne_), width(packageTwo_), height(packageTwo_),
                                   matchType);
  if (yourViewBorder_) {
    yourViewBorder_->removeFromSuperlayer();
    yourViewBorder_.reset();
  }
  contentView_->setAlpha(1.0);
  if (!frames) return;
  changeMatchAspectRatio(frames->match.width, frames->match.height);
  changeIllustrationAspectRatio(frames->illustration.width, frames->illustration.height);
  illustrationView_->layer().setBorderColor(borderColor(frames->illustration.border));
  matchView_->layer().setBorderColor(borderColor(frames->match.border));
  if (frames->dashed) {
    yourViewBorder_ = make<ShapeLayer>();
    yourViewBorder_->setStrokeColor(kit::UIConstants::secondCameraGreen());
    yourViewBorder_->setFillColor(std::nullopt);
    yourViewBorder_->setLineDashPattern({4, 4});
    yourViewBorder_->setLineWidth(3);
    yourViewBorder_->setFrame(matchView_->bounds());
    yourViewBorder_->setPath(Path::rect(matchView_->bounds()));
    matchView_->layer().addSublayer(yourViewBorder_);
  }
}

void LensMatchView::changeAspect(const std::shared_ptr<View>& view, std::shared_ptr<LayoutConstraint>& current,
                                 float width, float height) {
  auto replacement = aspectConstraint(view, width / height);
  current->setActive(false);
  current = replacement;
  current->setActive(true);
  View::animate(kSeconds, 0, platform::ui::AnimationOptionCurveEaseOut, [this] {
    contentView_->setNeedsLayout();
    contentView_->layoutIfNeeded();
  });
}

void LensMatchView::changeIllustrationAspectRatio(float width, float height) {
  changeAspect(illustrationView_, illustrationAspect_, width, height);
}

void LensMatchView::changeMatchAspectRatio(float width, float height) {
  changeAspect(matchView_, matchAspect_, width, height);
}

void LensMatchView::choose(int matchType) {
  auto state = app::pages::framesObject();
  state->settings.lensMatchType = matchType;
  state->savePrefs();
  setupIllustration();
  (matchType == 0 ? horizontalBtn_ : verticalBtn_)->lensMatchActive();
  (matchType == 0 ? verticalBtn_ : horizontalBtn_)->greyedOut();
  if (auto delegate = delegate_.lock()) delegate->lensMatchTypeSwitchUpdate();
  View::animate(kSeconds, 0, platform::ui::AnimationOptionCurveEaseOut, [this, matchType] {
    indicatorCenterX_.setConstant(matchType == 0 ? -kIndicatorStep : kIndicatorStep);
    contentView_->setNeedsLayout();
    contentView_->layoutIfNeeded();
  });
}

void LensMatchView::horizontalBtnPressed() { choose(0); }
void LensMatchView::verticalBtnPressed() { choose(1); }

void LensMatchView::setupLensMatchView() {
  if (app::pages::framesObject()->settings.lensMatchType != 0) {
    verticalBtnPressed();
  } else {
    horizontalBtnPressed();
  }
}

}  // namespace app::pages

