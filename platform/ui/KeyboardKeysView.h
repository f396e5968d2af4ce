#pragma once

#include <string>
#include <vector>

#include "platform/ui/Keyboard.h"
#include "platform/ui/View.h"

namespace platform::ui {

// The keys of the on-screen keyboard, drawn as the phone draws them: the layout the text input asks for
// (letters, numbers and punctuation, or a pad of digits for numeric inputs) on the grey of the
// appearance it asks for.
class KeyboardKeysView : public View {
 public:
  struct Key {
    Rect frame;
    std::string label;
    std::string detail;     // the letters under a digit on a phone's pad
    bool function = false;  // shift, delete, return, the layout switches: drawn on the darker cap
  };

  // The keys of `type` laid out in a keyboard of `size`, the return key reading what `returnKey` does
  // (a pad of digits has none).
  static std::vector<Key> keys(KeyboardType type, Size size, ReturnKeyType returnKey = ReturnKeyType::Default);
  // Whether inputs of `type` get the pad of digits.
  static bool isPad(KeyboardType type);
  // What the return key reads, in the phone's lower case: "return", "done", "next", "search"...
  static const char* returnKeyLabel(ReturnKeyType type);

  void setKeys(KeyboardType type, ReturnKeyType returnKey, bool dark);
  KeyboardType type() const { return type_; }
  ReturnKeyType returnKeyType() const { return returnKey_; }
  bool isDark() const { return dark_; }

 protected:
  explicit KeyboardKeysView(const Rect& frame = {}) : View(frame) {}
  void drawRect(const Rect& rect) override;

 private:
  KeyboardType type_ = KeyboardType::Default;
  ReturnKeyType returnKey_ = ReturnKeyType::Default;
  bool dark_ = false;
};

}  // namespace platform::ui
