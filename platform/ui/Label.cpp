#include "platform/ui/Label.h"

#include <cmath>

namespace platform::ui {

Label::Label(const Rect& frame) : View(frame) {
  style_.numberOfLines = 1;
  style_.lineBreakMode = LineBreakMode::TruncateTail;
  setUserInteractionEnabled(false);
}

void Label::setText(const std::string& text) {
  text_ = AttributedString(text);
  setNeedsDisplay();
}

void Label::setAttributedText(const AttributedString& text) {
  text_ = text;
  setNeedsDisplay();
}

void Label::setFont(const Font& font) {
  style_.font = font;
  text_.addAttributes({.font = font}, 0, text_.length());
  setNeedsDisplay();
}

void Label::setTextColor(const Color& color) {
  style_.color = color;
  text_.addAttributes({.foregroundColor = color}, 0, text_.length());
  setNeedsDisplay();
}

void Label::setTextAlignment(TextAlignment alignment) {
  style_.alignment = alignment;
  setNeedsDisplay();
}

void Label::setNumberOfLines(int lines) {
  style_.numberOfLines = lines < 0 ? 0 : lines;
  setNeedsDisplay();
}

void Label::setLineBreakMode(LineBreakMode mode) {
  style_.lineBreakMode = mode;
  setNeedsDisplay();
}

Size Label::sizeThatFits(Size size) const {
  if (text_.empty()) return {0, 0};
  double width = style_.numberOfLines == 1 ? 0 : size.width;
  Size s = graphics::TextLayout(text_, style_, width).size();
  return {std::ceil(s.width), std::ceil(s.height)};
}

void Label::drawRect(const Rect& rect) {
  Context* context = graphics::currentContext();
  if (!context || text_.empty()) return;
  Rect b = bounds();
  graphics::TextLayout layout(text_, style_, b.width());
  double y = b.minY() + (b.height() - layout.size().height) / 2;
  layout.draw(context, {b.minX(), y});
}

}  // namespace platform::ui
