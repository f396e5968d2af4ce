#include "platform/ui/TextField.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/Utf8.h"
#include "platform/graphics/Path.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

using foundation::Utf8;

// The system's colours for a field, in the light and the dark appearance.
constexpr Color kPlaceholderColor{0.235, 0.235, 0.263, 0.3};
constexpr Color kDarkPlaceholderColor{0.922, 0.922, 0.961, 0.3};
constexpr Color kDarkFieldFill{0.11, 0.11, 0.118, 1};
constexpr Color kDarkFieldBorder{0.33, 0.33, 0.345, 1};

}  // namespace

TextField::TextField(const Rect& frame) : View(frame) {}

void TextField::setText(const std::string& text) {
  text_ = text;
  setNeedsDisplay();
}

void TextField::setPlaceholder(const std::string& placeholder) {
  placeholder_ = graphics::AttributedString(placeholder);
  setNeedsDisplay();
}

void TextField::setAttributedPlaceholder(const graphics::AttributedString& placeholder) {
  placeholder_ = placeholder;
  setNeedsDisplay();
}

void TextField::setFont(const graphics::Font& font) {
  font_ = font;
  setNeedsDisplay();
}

void TextField::setTextColor(const Color& color) {
  textColor_ = color;
  setNeedsDisplay();
}

void TextField::setTextAlignment(graphics::TextAlignment alignment) {
  alignment_ = alignment;
  setNeedsDisplay();
}

void TextField::setBorderStyle(TextBorderStyle style) {
  borderStyle_ = style;
  setNeedsDisplay();
}

void TextField::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled) resignFirstResponder();
  setNeedsDisplay();
}

bool TextField::replaceCharacters(TextRange range, const std::string& replacement) {
  size_t length = Utf8::length(text_);
  range.location = std::min(range.location, length);
  range.length = std::min(range.length, length - range.location);
  if (auto delegate = delegate_.lock(); delegate && !delegate->textField(*this, range, replacement)) return false;
  size_t from = Utf8::byteOffset(text_, range.location);
  size_t to = Utf8::byteOffset(text_, range.location + range.length);
  text_ = text_.substr(0, from) + Utf8::sanitized(replacement) + text_.substr(to);
  setNeedsDisplay();
  return true;
}

bool TextField::canBecomeFirstResponder() const { return enabled_ && !isHidden(); }

bool TextField::shouldBeginEditing() {
  auto delegate = delegate_.lock();
  return !delegate || delegate->textFieldShouldBeginEditing(*this);
}

void TextField::insertText(const std::string& text) { replaceCharacters({Utf8::length(text_), 0}, text); }

void TextField::deleteBackward() {
  size_t length = Utf8::length(text_);
  if (length > 0) replaceCharacters({length - 1, 1}, "");
}

void TextField::returnKeyPressed() {
  if (auto delegate = delegate_.lock()) delegate->textFieldShouldReturn(*this);
}

void TextField::didBecomeFirstResponder() {
  editing_ = true;
  setNeedsDisplay();
  if (auto delegate = delegate_.lock()) delegate->textFieldDidBeginEditing(*this);
}

void TextField::didResignFirstResponder() {
  editing_ = false;
  setNeedsDisplay();
  if (auto delegate = delegate_.lock()) delegate->textFieldDidEndEditing(*this);
}

void TextField::touchesEnded(const Touches& touches, const Event* event) {
  // Only a tap starts editing: a swipe or a drag across the field passes on to the views around it.
  if (!touches.empty() && touches.front()->isTap() && bounds().contains(touches.front()->locationInView(this)) &&
      !isFirstResponder()) {
    becomeFirstResponder();
    return;
  }
  View::touchesEnded(touches, event);
}

double TextField::padding() const { return borderStyle_ == TextBorderStyle::None ? 0 : 7; }

graphics::TextStyle TextField::style() const {
  graphics::TextStyle s;
  s.font = font_;
  s.color = textColor_;
  s.alignment = alignment_;
  s.numberOfLines = 1;
  s.lineBreakMode = graphics::LineBreakMode::TruncateTail;
  return s;
}

Size TextField::sizeThatFits(Size) const {
  const std::string& shown = text_.empty() ? placeholder_.string() : text_;
  Size text = graphics::measureText(graphics::AttributedString(shown), style());
  double height = std::max(text.height, font_.lineHeight());
  return {std::ceil(text.width + 2 * padding()), std::ceil(height + (borderStyle_ == TextBorderStyle::None ? 0 : 14))};
}

void TextField::drawRect(const Rect&) {
  Context* context = graphics::currentContext();
  if (!context) return;
  Rect b = bounds();
  const bool dark = window() && window()->userInterfaceStyle() == UserInterfaceStyle::Dark;
  if (borderStyle_ != TextBorderStyle::None) {
    auto border = borderStyle_ == TextBorderStyle::RoundedRect
                      ? graphics::Path::roundedRect(b.insetBy(0.5, 0.5), 5)
                      : graphics::Path::rect(b.insetBy(0.5, 0.5));
    if (borderStyle_ == TextBorderStyle::RoundedRect) {
      context->setFillColor(dark ? kDarkFieldFill : Color::whiteColor());
      context->fillPath(border);
    }
    border.lineWidth = 1;
    Color line = dark ? kDarkFieldBorder : Color(0.8, 0.8, 0.8);
    if (borderStyle_ == TextBorderStyle::Line) line = dark ? Color::whiteColor() : Color::blackColor();
    context->setStrokeColor(line);
    context->strokePath(border);
  }
  Rect area = b.insetBy(padding(), 0);
  graphics::TextStyle s = style();
  graphics::AttributedString shown(text_);
  if (text_.empty()) {
    shown = placeholder_;
    s.color = dark ? kDarkPlaceholderColor : kPlaceholderColor;
  }
  double textWidth = 0;
  if (!shown.empty()) {
    graphics::TextLayout layout(shown, s, area.width());
    textWidth = layout.size().width;
    layout.draw(context, {area.minX(), area.minY() + (area.height() - layout.size().height) / 2});
  }
  if (editing_) {
    // The caret stands after the text; an empty field shows it at the start.
    double x = text_.empty() ? area.minX() : area.minX() + std::min(textWidth, area.width());
    if (!text_.empty() && alignment_ == graphics::TextAlignment::Center) x = area.midX() + textWidth / 2;
    if (!text_.empty() && alignment_ == graphics::TextAlignment::Right) x = area.maxX();
    double height = font_.lineHeight();
    context->setFillColor(tintColor());
    context->fillPath(graphics::Path::rect({x, area.midY() - height / 2, 2, height}));
  }
}

}  // namespace platform::ui
