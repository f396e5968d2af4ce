#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/TextLayout.h"
#include "platform/ui/DelegateRef.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/View.h"

namespace platform::ui {

class TextField;

// A stretch of text in code points.
struct TextRange {
  size_t location = 0;
  size_t length = 0;
  bool operator==(const TextRange&) const = default;
};

enum class TextBorderStyle { None, Line, Bezel, RoundedRect };

// What a text field asks and tells while it is edited. Every method is optional.
class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  virtual bool textFieldShouldBeginEditing(TextField& textField) { return true; }
  virtual void textFieldDidBeginEditing(TextField& textField) {}
  // Asked before every edit typed into the field (a key, a deletion): false leaves the text as it is.
  virtual bool textField(TextField& textField, TextRange range, const std::string& replacementString) { return true; }
  virtual void textFieldDidEndEditing(TextField& textField) {}
  // The return key; the field itself does nothing more.
  virtual bool textFieldShouldReturn(TextField& textField) { return true; }
};

// One line of editable text. A tap makes it first responder (when its delegate agrees), which brings
// up the keyboard with the field's accessory view; typed text goes through the delegate's
// should-change question one key at a time and lands at the end of the text.
class TextField : public View, public TextInput {
 public:
  const std::string& text() const { return text_; }
  // Sets the text without asking the delegate, as code does.
  void setText(const std::string& text);
  const std::string& placeholder() const { return placeholder_.string(); }
  void setPlaceholder(const std::string& placeholder);
  const graphics::AttributedString& attributedPlaceholder() const { return placeholder_; }
  void setAttributedPlaceholder(const graphics::AttributedString& placeholder);

  const graphics::Font& font() const { return font_; }
  void setFont(const graphics::Font& font);
  Color textColor() const { return textColor_; }
  void setTextColor(const Color& color);
  graphics::TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(graphics::TextAlignment alignment);
  TextBorderStyle borderStyle() const { return borderStyle_; }
  void setBorderStyle(TextBorderStyle style);

  ReturnKeyType returnKeyType() const override { return returnKeyType_; }
  void setReturnKeyType(ReturnKeyType type) { returnKeyType_ = type; }
  KeyboardType keyboardType() const override { return keyboardType_; }
  void setKeyboardType(KeyboardType type) { keyboardType_ = type; }
  KeyboardAppearance keyboardAppearance() const override { return keyboardAppearance_; }
  void setKeyboardAppearance(KeyboardAppearance appearance) { keyboardAppearance_ = appearance; }

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool isEditing() const { return editing_; }

  std::shared_ptr<View> inputAccessoryView() const override { return accessory_; }
  void setInputAccessoryView(std::shared_ptr<View> view) { accessory_ = std::move(view); }

  // Not retained (see DelegateRef).
  void setDelegate(TextFieldDelegate* delegate) { delegate_.set(delegate); }
  void setDelegate(const std::shared_ptr<TextFieldDelegate>& delegate) { delegate_.set(delegate); }
  TextFieldDelegate* delegate() const { return delegate_.get(); }

  // An edit as typing makes it: the delegate is asked first; the range is cut to the text. Returns
  // whether the text changed hands.
  bool replaceCharacters(TextRange range, const std::string& replacement);

  // --- TextInput ---
  bool canBecomeFirstResponder() const override;
  bool shouldBeginEditing() override;
  void insertText(const std::string& text) override;
  void deleteBackward() override;
  void returnKeyPressed() override;

  Size sizeThatFits(Size size) const override;
  Size intrinsicContentSize() const override { return sizeThatFits({0, 0}); }
  void touchesEnded(const Touches& touches, const Event* event) override;

 protected:
  explicit TextField(const Rect& frame = {});
  void didBecomeFirstResponder() override;
  void didResignFirstResponder() override;
  void drawRect(const Rect& rect) override;

 private:
  double padding() const;
  graphics::TextStyle style() const;

  std::string text_;
  graphics::AttributedString placeholder_;
  graphics::Font font_ = graphics::Font::systemFont(17);
  Color textColor_ = Color::blackColor();
  graphics::TextAlignment alignment_ = graphics::TextAlignment::Natural;
  TextBorderStyle borderStyle_ = TextBorderStyle::None;
  ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
  KeyboardType keyboardType_ = KeyboardType::Default;
  KeyboardAppearance keyboardAppearance_ = KeyboardAppearance::Default;
  bool enabled_ = true;
  bool editing_ = false;
  std::shared_ptr<View> accessory_;
  DelegateRef<TextFieldDelegate> delegate_;
};

}  // namespace platform::ui
