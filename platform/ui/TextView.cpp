#include "platform/ui/TextView.h"

#include <cmath>

namespace platform::ui {

TextView::TextView(const Rect& frame) : View(frame) { style_.numberOfLines = 0; }

void TextView::setText(const std::string& text) {
  text_ = text;
  setNeedsDisplay();
}

void TextView::setFont(const graphics::Font& font) {
  style_.font = font;
  setNeedsDisplay();
}

void TextView::setTextColor(const Color& color) {
  style_.color = color;
  setNeedsDisplay();
}

void TextView::setTextAlignment(graphics::TextAlignment alignment) {
  style_.alignment = alignment;
  setNeedsDisplay();
}

void TextView::setTextContainerInset(const EdgeInsets& inset) {
  inset_ = inset;
  setNeedsDisplay();
}

void TextView::setLineFragmentPadding(double padding) {
  padding_ = padding > 0 ? padding : 0;
  setNeedsDisplay();
}

Size TextView::sizeThatFits(Size size) const {
  const double width = textWidth(size.width);
  Size text = text_.empty() ? Size{0, 0}
                            : graphics::TextLayout(graphics::AttributedString(text_), style_, width).size();
  return {size.width, std::ceil(text.height + inset_.top + inset_.bottom)};
}

void TextView::drawRect(const Rect& rect) {
  graphics::Context* context = graphics::currentContext();
  if (!context || text_.empty()) return;
  const Rect b = bounds();
  graphics::TextLayout layout(graphics::AttributedString(text_), style_, textWidth(b.width()));
  layout.draw(context, {b.minX() + inset_.left + padding_, b.minY() + inset_.top});
}

}  // namespace platform::ui
