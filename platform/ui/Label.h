#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/TextLayout.h"
#include "platform/ui/View.h"

namespace platform::ui {

using graphics::AttributedString;
using graphics::Font;
using graphics::LineBreakMode;
using graphics::TextAlignment;

// A read-only text: one line by default, truncated at the tail, centred vertically in its bounds.
// Touches pass through it unless interaction is turned on.
class Label : public View {
 public:
  const std::string& text() const { return text_.string(); }
  // Plain text in the label's font and colour; drops any attributes.
  void setText(const std::string& text);
  const AttributedString& attributedText() const { return text_; }
  // Attributed text: ranges without a font or colour take the label's.
  void setAttributedText(const AttributedString& text);

  const Font& font() const { return style_.font; }
  // Also replaces the font of every range of attributed text, as the phone's labels do.
  void setFont(const Font& font);
  Color textColor() const { return style_.color; }
  void setTextColor(const Color& color);
  TextAlignment textAlignment() const { return style_.alignment; }
  void setTextAlignment(TextAlignment alignment);
  int numberOfLines() const { return style_.numberOfLines; }
  void setNumberOfLines(int lines);
  LineBreakMode lineBreakMode() const { return style_.lineBreakMode; }
  void setLineBreakMode(LineBreakMode mode);

  // A one-line label that shrinks its text to its width instead of cutting it, down to
  // minimumScaleFactor of the font size (0, the default, is read as half); below that it truncates.
  bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
  void setAdjustsFontSizeToFitWidth(bool adjusts);
  double minimumScaleFactor() const { return minimumScaleFactor_; }
  void setMinimumScaleFactor(double factor);

  // The text's size: on one line for a one-line label, else wrapped at the given width (unbounded
  // when not above zero), rounded up to whole points.
  Size sizeThatFits(Size size) const override;
  Size intrinsicContentSize() const override { return sizeThatFits({0, 0}); }
  // Whether the text as drawn at the current bounds is cut: ellipsized, or more lines than it may show.
  bool isTruncated() const;

 protected:
  explicit Label(const Rect& frame = {});
  void drawRect(const Rect& rect) override;

 private:
  // The text as drawn in `width`: shrunk to fit when the label adjusts its font size.
  AttributedString fittedText(double width) const;
  // The text laid out as drawn in `width`. Kept until the text, its style or the width changes: a
  // screen's labels are drawn and then asked whether they are cut, and fitting a shrinking text to its
  // width lays it out several times.
  const graphics::TextLayout& layout(double width) const;
  void textChanged();

  AttributedString text_;
  graphics::TextStyle style_;
  bool adjustsFontSize_ = false;
  double minimumScaleFactor_ = 0;
  mutable std::unique_ptr<graphics::TextLayout> layout_;
  mutable double layoutWidth_ = 0;
};

}  // namespace platform::ui
