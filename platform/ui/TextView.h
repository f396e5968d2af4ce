#pragma once

#include <string>

#include "platform/graphics/TextLayout.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

namespace platform::ui {

// Text of many lines, wrapped to the view's width and drawn from the top, inside the text container's
// insets and each line's fragment padding. It shows text; typing into it is not supported (nothing in
// the app edits one), so it never becomes first responder.
class TextView : public View {
 public:
  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  const graphics::Font& font() const { return style_.font; }
  void setFont(const graphics::Font& font);
  Color textColor() const { return style_.color; }
  void setTextColor(const Color& color);
  graphics::TextAlignment textAlignment() const { return style_.alignment; }
  void setTextAlignment(graphics::TextAlignment alignment);
  EdgeInsets textContainerInset() const { return inset_; }
  void setTextContainerInset(const EdgeInsets& inset);
  // Blank space at both ends of every line, inside the container.
  double lineFragmentPadding() const { return padding_; }
  void setLineFragmentPadding(double padding);
  KeyboardAppearance keyboardAppearance() const { return keyboardAppearance_; }
  void setKeyboardAppearance(KeyboardAppearance appearance) { keyboardAppearance_ = appearance; }
  bool isEditable() const { return editable_; }
  void setEditable(bool editable) { editable_ = editable; }

  Size sizeThatFits(Size size) const override;

 protected:
  explicit TextView(const Rect& frame = {});
  void drawRect(const Rect& rect) override;

 private:
  double textWidth(double width) const { return width - inset_.left - inset_.right - 2 * padding_; }

  std::string text_;
  graphics::TextStyle style_;
  EdgeInsets inset_{8, 0, 8, 0};
  double padding_ = 5;
  KeyboardAppearance keyboardAppearance_ = KeyboardAppearance::Default;
  bool editable_ = true;
};

}  // namespace platform::ui
