#include "platform/ui/ShapeLayer.h"

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

}  // namespace platform::ui
