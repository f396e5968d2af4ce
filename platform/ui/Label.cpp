#include "platform/ui/Label.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

Label::Label(const Rect& frame) : View(frame) {
  style_.numberOfLines = 1;
  style_.lineBreakMode = LineBreakMode::TruncateTail;
  setUserInteractionEnabled(false);
}

void Label::setText(const std::string& text) {
  text_ = AttributedString(text);
  textChanged();
}

void Label::setAttributedText(const AttributedString& text) {
  text_ = text;
  textChanged();
}

void Label::setFont(const Font& font) {
  style_.font = font;
  text_.addAttributes({.font = font}, 0, text_.length());
  textChanged();
}

void Label::setTextColor(const Color& color) {
  style_.color = color;
  text_.addAttributes({.foregroundColor = color}, 0, text_.length());
  textChanged();
}

void Label::setTextAlignment(TextAlignment alignment) {
  style_.alignment = alignment;
  textChanged();
}

void Label::setNumberOfLines(int lines) {
  style_.numberOfLines = lines < 0 ? 0 : lines;
  textChanged();
}

void Label::setLineBreakMode(LineBreakMode mode) {
  style_.lineBreakMode = mode;
  textChanged();
}

void Label::setAdjustsFontSizeToFitWidth(bool adjusts) {
  adjustsFontSize_ = adjusts;
  textChanged();
}

void Label::setMinimumScaleFactor(double factor) {
  minimumScaleFactor_ = factor < 0 ? 0 : factor > 1 ? 1 : factor;
  textChanged();
}

AttributedString Label::fittedText(double width) const {
  if (!adjustsFontSize_ || style_.numberOfLines != 1 || text_.empty() || !(width > 0)) return text_;
  // Measured through the shared measurements: labels made again with a screen fit the same texts again.
  double natural = graphics::measureText(text_, style_, 0).width;
  if (natural <= width) return text_;
  const double smallest = minimumScaleFactor_ > 0 ? minimumScaleFactor_ : 0.5;
  auto scaled = [&](double factor) {
    AttributedString shrunk(text_.string());
    for (const auto& run : text_.runs()) {
      graphics::TextAttributes attributes = run.attributes;
      const Font& font = attributes.font ? *attributes.font : style_.font;
      attributes.font = font.withSize(font.pointSize() * factor);
      if (attributes.kern) attributes.kern = *attributes.kern * factor;
      shrunk.addAttributes(attributes, run.location, run.length);
    }
    return shrunk;
  };
  // Text does not shrink quite in proportion to its size (hinting, rounding): step down until it fits.
  double factor = std::max(smallest, width / natural);
  AttributedString shrunk = scaled(factor);
  for (int step = 0; step < 8 && factor > smallest; ++step) {
    if (graphics::measureText(shrunk, style_, 0).width <= width) break;
    factor = std::max(smallest, factor * 0.97);
    shrunk = scaled(factor);
  }
  return shrunk;
}

void Label::textChanged() {
  layout_.reset();
  setNeedsDisplay();
}

const graphics::TextLayout& Label::layout(double width) const {
  if (!layout_ || layoutWidth_ != width) {
    layout_ = std::make_unique<graphics::TextLayout>(fittedText(width), style_, width);
    layoutWidth_ = width;
  }
  return *layout_;
}

bool Label::isTruncated() const {
  Rect b = bounds();
  // A label of no size shows nothing, so nothing of it is cut.
  if (text_.empty() || b.isEmpty()) return false;
  const graphics::TextLayout& shown = layout(b.width());
  return shown.isTruncated() || (style_.numberOfLines == 1 && shown.size().width > std::ceil(b.width()));
}

Size Label::sizeThatFits(Size size) const {
  if (text_.empty()) return {0, 0};
  double width = style_.numberOfLines == 1 ? 0 : size.width;
  Size s = graphics::measureText(text_, style_, width);
  return {std::ceil(s.width), std::ceil(s.height)};
}

void Label::drawRect(const Rect& rect) {
  Context* context = graphics::currentContext();
  if (!context || text_.empty()) return;
  Rect b = bounds();
  const graphics::TextLayout& shown = layout(b.width());
  double y = b.minY() + (b.height() - shown.size().height) / 2;
  shown.draw(context, {b.minX(), y});
}

}  // namespace platform::ui
