#include "app/pages/FOVView.h"

#include "app/kit/UIConstants.h"
#include "app/pages/ConeGeometry.h"
#include "app/optics/LensLimits.h"
#include "app/pages/DistanceText.h"
#include "app/pages/PageState.h"
#include "platform/ui/Animation.h"
#include "platform/ui/LocalizedStrings.h"

using app::pages::ConeGeometry;
using app::pages::FieldOfView;
using app::pages::makePageLabel;
using app::pages::placeCentred;
using platform::graphics::AffineTransform;
using platform::graphics::Path;
using platform::ui::BasicAnimation;
using platform::ui::ControlEvent;
using platform::ui::LocalizedStrings;
using platform::ui::make;
using platform::ui::Rect;
using platform::ui::ShapeLayer;
using platform::ui::TextAlignment;
using platform::ui::View;

namespace app::pages {

namespace {

// The three angle labels stand over the value display's columns; the indicator under them moves by the same
// steps.
constexpr double kLabelStep = app::pages::kValueColumnOffset;
constexpr double kLabelWidth = app::pages::kValueColumnWidth;
constexpr double kIllustrationTop = 76;
constexpr double kPathSeconds = 0.1;
constexpr double kSelectSeconds = 0.2;

int measurementSystem() { return app::pages::framesObject()->settings.measurementSystem; }

}  // namespace

FOVView::FOVView(const Rect& frame) : PageView(frame) { customInit(); }

void FOVView::customInit() {
  sensorWidth_ = 1;
  sensorHeight_ = 1;
  selectedAngle_ = 0;
  const auto angleFont = kit::UIConstants::mediumFontWithSize(22);
  fovHorizontalLabel_ = makePageLabel(angleFont, kit::UIConstants::maxContrastText(), TextAlignment::Center);
  fovVerticalLabel_ = makePageLabel(angleFont, kit::UIConstants::contrastText(), TextAlignment::Center);
  fovDiagonalLabel_ = makePageLabel(angleFont, kit::UIConstants::contrastText(), TextAlignment::Center);
  angleLabel_ = makePageLabel(kit::UIConstants::heavyFontWithSize(9), kit::UIConstants::lowContrastText(),
                              TextAlignment::Center);
  angleLabel_->setText(LocalizedStrings::localizedString("HORIZONTAL ANGLE"));
  distanceLabel_ =
      makePageLabel(kit::UIConstants::romanFontWithSize(12), kit::UIConstants::blue(), TextAlignment::Left);
  widthLabel_ = makePageLabel(kit::UIConstants::romanFontWithSize(12), kit::UIConstants::grey128(), TextAlignment::Center);
  indicator_ = make<View>();
  indicator_->setBackgroundColor(kit::UIConstants::blue());
  angleIllustrationView_ = make<View>();
  horizontalBtn_ = make<platform::ui::Button>();
  verticalBtn_ = make<platform::ui::Button>();
  diagonalBtn_ = make<platform::ui::Button>();
  for (const auto& view : std::initializer_list<std::shared_ptr<View>>{
           angleIllustrationView_, fovHorizontalLabel_, fovVerticalLabel_, fovDiagonalLabel_, indicator_, angleLabel_,
           distanceLabel_, widthLabel_, horizontalBtn_, verticalBtn_, diagonalBtn_}) {
    contentView_->addSubview(view);
  }
  horizontalBtn_->addTarget(this, &FOVView::horizontalBtnPressed, ControlEvent::TouchUpInside);
  verticalBtn_->addTarget(this, &FOVView::verticalBtnPressed, ControlEvent::TouchUpInside);
  diagonalBtn_->addTarget(this, &FOVView::diagonalBtnPressed, ControlEvent::TouchUpInside);
  indicatorCenterX_.setConstant(-kLabelStep);
}

void FOVView::layoutContent() {
  const double w = contentView_->bounds().size.width;
  const double h = contentView_->bounds().size.height;
  const double centre = w / 2;
  const std::pair<std::shared_ptr<platform::ui::Label>, std::shared_ptr<platform::ui::Button>> columns[] = {
      {fovHorizontalLabel_, horizontalBtn_}, {fovVerticalLabel_, verticalBtn_}, {fovDiagonalLabel_, diagonalBtn_}};
  for (int i = 0; i < 3; ++i) {
    placeCentred(*columns[i].first, centre + (i - 1) * kLabelStep, 8, kLabelWidth, 30);
    placeCentred(*columns[i].second, centre + (i - 1) * kLabelStep, 4, kLabelWidth, 44);
  }
  placeCentred(*indicator_, centre + indicatorCenterX_.constant(), 42, 40, 2);
  placeCentred(*angleLabel_, centre, 50, w, 14);
  // Frames are set untransformed: a clipped cone's shift stays on the transforms.
  angleIllustrationView_->setFrame({0, kIllustrationTop, w, std::max(0.0, h - kIllustrationTop)});
  placeCentred(*widthLabel_, centre, kIllustrationTop + 2, w / 2, 16);
  distanceLabel_->setFrame({centre + 8, kIllustrationTop + (h - kIllustrationTop) * 0.55, w / 2 - 16, 16});
}

void FOVView::shapeInit() {
  contentView_->layoutIfNeeded();
  const auto area = angleIllustrationView_->bounds().size;
  auto makeLayer = [&](const Path& path, const platform::graphics::Color& stroke, double width) {
    auto layer = make<ShapeLayer>();
    layer->setFrame(angleIllustrationView_->bounds());
    layer->setPath(path);
    layer->setStrokeColor(stroke);
    layer->setLineWidth(width);
    layer->setFillColor(std::nullopt);
    return layer;
  };
  pathDistance_ = ConeGeometry::startingLine(area);
  pathWidth_ = ConeGeometry::startingLine(area);
  path_ = ConeGeometry::startingCone(area);
  shapeLayerDistance_ = makeLayer(pathDistance_, kit::UIConstants::blue(), 1.5);
  shapeLayerWidth_ = makeLayer(pathWidth_, kit::UIConstants::grey128(), 2);
  shapeLayer_ = makeLayer(path_, kit::UIConstants::maxContrastText(), 2);
  for (const auto& layer : {shapeLayerDistance_, shapeLayerWidth_, shapeLayer_}) {
    angleIllustrationView_->layer().addSublayer(layer);
  }
}

void FOVView::setDistance(float distance) {
  distance_ = distance;
  distanceLabel_->setText(app::pages::DistanceText::focusText(distance, measurementSystem()));
}

void FOVView::calculateFOV() {
  sensorWidth_ = package_ ? package_->getFinalSimulationFormatWidth() : 0;
  sensorHeight_ = package_ ? package_->getFinalSimulationFormatHeight() : 0;
  angles_ = package_ ? FieldOfView::forPackage(*package_, focalLength_)
                     : FieldOfView::calculate(sensorWidth_, sensorHeight_, focalLength_);
  fovHorizontalLabel_->setText(FieldOfView::angleText(angles_.horizontal) + "°H");
  fovVerticalLabel_->setText(FieldOfView::angleText(angles_.vertical) + "°V");
  fovDiagonalLabel_->setText(FieldOfView::angleText(angles_.diagonal) + "°D");
  if (selectedAngle_ >= 0 && selectedAngle_ <= 2) drawIllustrationWithAngle(angles_.angle(selectedAngle_));
}

void FOVView::drawIllustrationWithAngle(float angle) {
  contentView_->layoutIfNeeded();
  auto cone = ConeGeometry::make(angle, angleIllustrationView_->bounds().size);
  if (!cone) {
    // No angle to draw: the last drawing stays, and the caption says there is no width.
    widthLabel_->setText(app::pages::kNoValueText);
    return;
  }
  // A scene as wide as the focus is far: no focus, no width.
  widthLabel_->setText(app::optics::LensLimits::isFocusDistance(distance_)
                           ? app::pages::DistanceText::text(cone->sceneWidth(distance_), measurementSystem())
                           : app::pages::kNoValueText);
  angleIllustrationView_->setTransform(AffineTransform::translation(0, cone->shift));
  widthLabel_->setTransform(AffineTransform::translation(0, cone->widthLabelShift));
  if (!shapeLayer_) return;  // shapeInit has not run: nothing to draw into yet
  Path cone_ = cone->conePath(), distance = cone->distancePath(), width = cone->widthPath();
  animatePath(*shapeLayer_, path_, cone_);
  animatePath(*shapeLayerDistance_, pathDistance_, distance);
  animatePath(*shapeLayerWidth_, pathWidth_, width);
  path_ = cone_;
  pathDistance_ = distance;
  pathWidth_ = width;
}

void FOVView::animatePath(ShapeLayer& layer, const Path& from, const Path& to) {
  auto animation = std::make_shared<BasicAnimation>("path");
  animation->duration = kPathSeconds;
  animation->fromValue = from;
  animation->toValue = to;
  layer.addAnimation(animation, "path");
  layer.setPath(to);
}

void FOVView::select(int angle, const std::shared_ptr<platform::ui::Label>& highlighted, double indicatorOffset,
                     const char* caption) {
  selectedAngle_ = angle;
  drawIllustrationWithAngle(angles_.angle(angle));
  std::weak_ptr<View> weak = weak_from_this();
  View::animate(
      kSelectSeconds, 0, platform::ui::AnimationOptionNone,
      [&] {
        for (const auto& label : {fovHorizontalLabel_, fovVerticalLabel_, fovDiagonalLabel_}) {
          label->setTextColor(label == highlighted ? kit::UIConstants::maxContrastText() : kit::UIConstants::contrastText());
        }
        indicatorCenterX_.setConstant(indicatorOffset);
        contentView_->setNeedsLayout();
        contentView_->layoutIfNeeded();
      },
      [weak, this, caption](bool) {
        if (weak.lock()) angleLabel_->setText(LocalizedStrings::localizedString(caption));
      });
}

void FOVView::horizontalBtnPressed() { select(0, fovHorizontalLabel_, -kLabelStep, "HORIZONTAL ANGLE"); }
void FOVView::verticalBtnPressed() { select(1, fovVerticalLabel_, 0, "VERTICAL ANGLE"); }
void FOVView::diagonalBtnPressed() { select(2, fovDiagonalLabel_, kLabelStep, "DIAGONAL ANGLE"); }

}  // namespace app::pages

