#include "platform/shell/WindowInput.h"

#include "platform/ui/Keyboard.h"

namespace platform::shell {

// The simulated keyboard is the one way text reaches the first responder, so a script types exactly
// as a person at the keys would: character by character, each edit asked of the field's delegate.
void WindowInput::typeText(const std::string& text) { ui::Keyboard::shared().typeText(text); }

void WindowInput::pressKey(Key key) {
  ui::Keyboard& keyboard = ui::Keyboard::shared();
  switch (key) {
    case Key::Return: keyboard.pressReturn(); break;
    case Key::Escape: keyboard.pressEscape(); break;
    case Key::Backspace: keyboard.deleteBackward(); break;
  }
}

}  // namespace platform::shell
