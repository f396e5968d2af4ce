#include "app/pages/SensorsView.h"

#include "app/kit/UIConstants.h"
#include "app/pages/FormatOutlines.h"
#include "app/pages/PageState.h"

using app::pages::FormatLabelGroups;
using app::pages::FormatOutlines;
using app::pages::kPageMargin;
using platform::graphics::Color;
using platform::graphics::Context;
using platform::ui::make;
using platform::ui::Rect;
using platform::ui::TextAlignment;

namespace app::pages {

namespace {

constexpr double kSensorDrawingTop = 84;

}  // namespace

void SensorDrawView::drawFormatRect(const Rect& rect, const Color& color, double alpha, Context* context) {
  if (!context) return;
  context->saveGState();
  context->setStrokeColor(color.withAlpha(alpha));
  context->setFillColor(Color::withWhite(1, 0));
  context->setLineWidth(FormatOutlines::kLineWidth);
  context->beginPath();
  context->addRect(rect);
  context->drawPath(platform::graphics::PathDrawingMode::FillStroke);
  context->restoreGState();
}

void SensorDrawView::drawRect(const Rect&) {
  auto state = app::pages::framesObject();
  const model::CameraPackage* one = state->packageOne ? &*state->packageOne : nullptr;
  const model::CameraPackage* two = state->packageTwo ? &*state->packageTwo : nullptr;
  // A package that is missing, like one of no size, leaves the other's outline to stand alone.
  auto width = [](const model::CameraPackage* package) { return package ? package->modeWidth() : 0.0f; };
  auto height = [](const model::CameraPackage* package) { return package ? package->modeHeight() : 0.0f; };
  const auto size = bounds().size;
  auto scale = FormatOutlines::commonScale(size, width(one), height(one), width(two), height(two));
  if (!scale) return;
  Context* context = platform::graphics::currentContext();
  for (const auto& [package, color] : {std::pair{one, kit::UIConstants::blue()},
                                       std::pair{two, kit::UIConstants::secondCameraGreen()}}) {
    if (!package) continue;
    for (const auto& outline : FormatOutlines::outlines(*package, *scale, size)) {
      drawFormatRect(outline.rect, color, outline.alpha, context);
    }
  }
}

SensorsView::SensorsView(const Rect& frame)
    : PageView(frame),
      formatOne_(kit::UIConstants::blue(), TextAlignment::Left),
      formatTwo_(kit::UIConstants::secondCameraGreen(), TextAlignment::Right) {
  formatOne_.addTo(*contentView_);
  formatTwo_.addTo(*contentView_);
  sensorDrawView_ = make<SensorDrawView>();
  contentView_->addSubview(sensorDrawView_);
  updateLabels();
  sensorDrawView_->setNeedsDisplay();
}

void SensorsView::layoutContent() {
  const double w = contentView_->bounds().size.width;
  const double h = contentView_->bounds().size.height;
  const double column = (w - 3 * kPageMargin) / 2;
  formatOne_.layout({kPageMargin, 8, column, 0});
  formatTwo_.layout({2 * kPageMargin + column, 8, column, 0});
  sensorDrawView_->setFrame({kPageMargin, kSensorDrawingTop, std::max(0.0, w - 2 * kPageMargin), std::max(0.0, h - kSensorDrawingTop - 8)});
}

void SensorsView::updateLabels() {
  auto state = app::pages::framesObject();
  if (state->packageOne) formatOne_.update(*state->packageOne, FormatLabelGroups::Sizes::Dimensions);
  if (state->packageTwo) formatTwo_.update(*state->packageTwo, FormatLabelGroups::Sizes::Dimensions);
}

void SensorsView::drawSensors() {
  updateLabels();
  sensorDrawView_->setNeedsDisplay();
}

}  // namespace app::pages

