#include "platform/ui/ShapeLayer.h"

#include <algorithm>

#include "platform/graphics/Context.h"

namespace platform::ui {

void ShapeLayer::drawInContext(Context& context) {
  if (path_.isEmpty()) return;
  graphics::Path p = path_;
  p.usesEvenOddFillRule = evenOdd_;
  p.lineWidth = lineWidth_;
  p.lineCap = cap_;
  p.lineJoin = join_;
  p.dash = {dashPhase_, dash_};
  context.saveGState();
  if (fill_ && fill_->alpha() > 0) {
    context.setFillColor(*fill_);
    context.fillPath(p);
  }
  if (stroke_ && stroke_->alpha() > 0 && lineWidth_ > 0) {
    context.setStrokeColor(*stroke_);
    context.strokePath(p);
  }
  context.restoreGState();
}

std::optional<AnimatableValue> ShapeLayer::animatableValue(const std::string& key) const {
  if (key == "path") return path_;
  if (key == "fillColor") return fill_.value_or(Color::clearColor());
  if (key == "strokeColor") return stroke_.value_or(Color::clearColor());
  if (key == "lineWidth") return lineWidth_;
  return Layer::animatableValue(key);
}

void ShapeLayer::setShownValue(const std::string& key, const AnimatableValue& value) {
  if (auto* p = std::get_if<graphics::Path>(&value); p && key == "path") path_ = *p;
  if (auto* c = std::get_if<Color>(&value)) {
    if (key == "fillColor") fill_ = *c;
    if (key == "strokeColor") stroke_ = *c;
  }
  if (auto* w = std::get_if<double>(&value); w && key == "lineWidth") lineWidth_ = std::max(*w, 0.0);
  Layer::setShownValue(key, value);
}

}  // namespace platform::ui
