#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"
#include "platform/ui/View.h"

namespace platform::ui {

struct Screen;

// The keyboard's notifications, posted on the default centre. Their user info holds the keyboard's
// begin and end frames (window coordinates, accessory included, as RectValue objects), the animation
// duration in seconds and the animation curve.
inline constexpr const char* kKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* kKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* kKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* kKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
inline constexpr const char* kKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
inline constexpr const char* kKeyboardFrameEndUserInfoKey = "UIKeyboardFrameEndUserInfoKey";
inline constexpr const char* kKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";
inline constexpr const char* kKeyboardAnimationCurveUserInfoKey = "UIKeyboardAnimationCurveUserInfoKey";
inline constexpr const char* kKeyboardIsLocalUserInfoKey = "UIKeyboardIsLocalUserInfoKey";

// A rectangle carried in a Value (notification user info).
class RectValue : public foundation::Object {
 public:
  explicit RectValue(const Rect& rect) : rect(rect) {}
  static foundation::Value make(const Rect& rect) { return foundation::Value(std::make_shared<RectValue>(rect)); }
  // The rectangle a value carries; nullopt for anything else.
  static std::optional<Rect> from(const foundation::Value& value);
  std::string description() const override;
  bool isEqual(const foundation::Object& other) const override;
  Rect rect;
};

enum class KeyboardType { Default, ASCIICapable, NumbersAndPunctuation, URL, NumberPad, PhonePad, NamePhonePad,
                          EmailAddress, DecimalPad, Twitter, WebSearch, ASCIICapableNumberPad };
// Default follows the window's light or dark appearance.
enum class KeyboardAppearance { Default, Dark, Light };
// What the return key does, and so what it reads.
enum class ReturnKeyType { Default, Go, Join, Next, Route, Search, Send, Done, EmergencyCall, Continue };

// A view that takes typed text from the keyboard (a text field). The keyboard comes up while such a
// view is first responder, with the keys and the appearance the view asks for.
class TextInput {
 public:
  virtual ~TextInput() = default;
  virtual KeyboardType keyboardType() const { return KeyboardType::Default; }
  virtual KeyboardAppearance keyboardAppearance() const { return KeyboardAppearance::Default; }
  virtual ReturnKeyType returnKeyType() const { return ReturnKeyType::Default; }
  // Asked before the view becomes first responder; false keeps it from editing.
  virtual bool shouldBeginEditing() { return true; }
  virtual void insertText(const std::string& text) = 0;
  virtual void deleteBackward() = 0;
  virtual void returnKeyPressed() = 0;
  // Shown above the keys while this view edits; it takes touches there.
  virtual std::shared_ptr<View> inputAccessoryView() const { return nullptr; }
};

// The on-screen keyboard, simulated: it rises from the bottom of the first responder's window when a
// text input becomes first responder and goes down when none is left, posting the will and did
// notifications with its frames. Its accessory view lies on top of the keys and takes touches.
class Keyboard {
 public:
  static constexpr double kAnimationDuration = 0.25;
  static constexpr int kAnimationCurve = 7;  // the system keyboard's own curve number

  static Keyboard& shared();

  // Height of the keys alone on a screen (the phone sizes by name; others by their width).
  static double keysHeight(const Screen& screen);

  // Up or on its way up.
  bool isVisible() const { return visible_; }
  // The keys on show, or last shown: their layout, their return key and whether they are drawn dark.
  KeyboardType keysType() const { return keysType_; }
  ReturnKeyType returnKeyType() const { return returnKeyType_; }
  bool keysAreDark() const { return keysDark_; }
  // Where the keyboard with its accessory ends up, in window coordinates; empty while hidden.
  Rect frame() const;
  // The view that holds the keys and the accessory while the keyboard is in a window.
  std::shared_ptr<View> view() const { return host_; }

  // Keys pressed by the person at the desktop or by a script, sent to the first responder. Each
  // character goes through the input on its own, as separate key presses would. False when no text
  // input is first responder.
  bool typeText(const std::string& text);
  bool deleteBackward();
  // Return: the Done of a bar in the accessory when it has one (a system Done item, else its last
  // item in the done style), else the input's return key.
  bool pressReturn();
  // Escape: the system Cancel item of a bar in the accessory when it has one, else editing ends.
  bool pressEscape();

  // The first responder changed (Responder tells); shows, updates or hides the keyboard.
  void responderChanged(View* responder);
  // Puts the keyboard away at once, without notifications; for tests between cases.
  void reset();

 private:
  Keyboard() = default;
  void show(Window& window, TextInput& input, const std::shared_ptr<View>& accessory);
  void hide();
  void layoutHost(Window& window, const TextInput& input, double keys);
  void post(const char* name, const Rect& begin, const Rect& end) const;
  static TextInput* currentInput();
  // The input's own appearance, or the window's when it asks for the default.
  static bool isDark(const TextInput& input, const Window& window);

  std::shared_ptr<View> host_;
  std::shared_ptr<View> accessory_;
  std::weak_ptr<View> window_;
  Rect shownFrame_;
  bool visible_ = false;
  KeyboardType keysType_ = KeyboardType::Default;
  ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
  bool keysDark_ = false;
  unsigned generation_ = 0;  // stale did-show / did-hide completions are ignored
};

}  // namespace platform::ui
