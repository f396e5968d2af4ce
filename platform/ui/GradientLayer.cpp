#include "platform/ui/GradientLayer.h"

#include "platform/graphics/Context.h"
#include "platform/graphics/Gradient.h"

namespace platform::ui {

void GradientLayer::drawInContext(Context& context) {
  if (colors_.empty()) return;
  Rect b = bounds();
  auto at = [&](Point unit) { return Point{b.minX() + unit.x * b.width(), b.minY() + unit.y * b.height()}; };
  graphics::Gradient g{colors_, locations_.size() == colors_.size() ? locations_ : std::vector<double>{}};
  if (colors_.size() == 1) g.colors.push_back(colors_[0]);  // one colour fills evenly
  context.saveGState();
  context.clipToRect(b);
  context.drawLinearGradient(g, at(start_), at(end_), graphics::Gradient::DrawsBeforeStart |
                                                          graphics::Gradient::DrawsAfterEnd);
  context.restoreGState();
}

}  // namespace platform::ui
