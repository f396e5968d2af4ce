#include "platform/ui/Keyboard.h"

#include <cstdio>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Utf8.h"
#include "platform/ui/KeyboardKeysView.h"
#include "platform/ui/Responder.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

// Holds the accessory above the keys; touches that land on it stay with the keyboard.
class KeyboardView : public View {
 public:
  using View::View;
};

// A bar's Done is its system Done item, else its last item in the bold done style ("Next" too, so
// Return moves on as that item would); its Cancel is the system Cancel item.
bool performBarKey(Toolbar& bar, bool done) {
  std::shared_ptr<BarButtonItem> chosen;
  for (const auto& item : bar.items()) {
    if (!item || !item->isEnabled()) continue;
    auto system = item->systemItem();
    if (done && system == BarButtonSystemItem::Done) {
      chosen = item;
      break;
    }
    if (done && !system && item->style() == BarButtonItemStyle::Done) chosen = item;
    if (!done && system == BarButtonSystemItem::Cancel) {
      chosen = item;
      break;
    }
  }
  if (!chosen) return false;
  chosen->performAction();
  return true;
}

bool findAccessoryKeys(View& view, bool done) {
  if (auto* bar = dynamic_cast<Toolbar*>(&view); bar && performBarKey(*bar, done)) return true;
  for (const auto& sub : std::vector<std::shared_ptr<View>>(view.subviews())) {
    if (findAccessoryKeys(*sub, done)) return true;
  }
  return false;
}

}  // namespace

std::optional<Rect> RectValue::from(const foundation::Value& value) {
  auto box = value.objectAs<RectValue>();
  if (!box) return std::nullopt;
  return box->rect;
}

std::string RectValue::description() const {
  char text[160];
  std::snprintf(text, sizeof text, "NSRect: {{%g, %g}, {%g, %g}}", rect.minX(), rect.minY(), rect.width(),
                rect.height());
  return text;
}

bool RectValue::isEqual(const foundation::Object& other) const {
  auto* that = dynamic_cast<const RectValue*>(&other);
  return that && that->rect == rect;
}

Keyboard& Keyboard::shared() {
  static Keyboard keyboard;
  return keyboard;
}

double Keyboard::keysHeight(const Screen& screen) {
  if (screen.name == "phone-small") return 216;
  if (screen.name == "phone") return 291;
  if (screen.name == "phone-large") return 301;
  if (screen.name == "tablet") return 313;
  return screen.size.width >= 700 ? 313 : 291;
}

Rect Keyboard::frame() const { return visible_ ? shownFrame_ : Rect{}; }

TextInput* Keyboard::currentInput() { return dynamic_cast<TextInput*>(Responder::current()); }

bool Keyboard::typeText(const std::string& text) {
  if (!currentInput()) return false;
  size_t at = 0;
  while (at < text.size()) {
    size_t start = at;
    foundation::Utf8::next(text, at);
    // The input may stop being first responder after any key (its delegate decides).
    TextInput* input = currentInput();
    if (!input) return false;
    input->insertText(text.substr(start, at - start));
  }
  return true;
}

bool Keyboard::deleteBackward() {
  TextInput* input = currentInput();
  if (!input) return false;
  input->deleteBackward();
  return true;
}

bool Keyboard::pressReturn() {
  TextInput* input = currentInput();
  if (!input) return false;
  std::shared_ptr<View> accessory = input->inputAccessoryView();
  if (accessory && findAccessoryKeys(*accessory, true)) return true;
  input->returnKeyPressed();
  return true;
}

bool Keyboard::pressEscape() {
  TextInput* input = currentInput();
  if (!input) return false;
  std::shared_ptr<View> accessory = input->inputAccessoryView();
  if (accessory && findAccessoryKeys(*accessory, false)) return true;
  Responder::resignCurrent();
  return true;
}

void Keyboard::responderChanged(View* responder) {
  auto* input = dynamic_cast<TextInput*>(responder);
  Window* window = responder ? responder->window() : nullptr;
  if (!input || !window) {
    if (visible_) hide();
    return;
  }
  std::shared_ptr<View> accessory = input->inputAccessoryView();
  if (visible_ && host_ && host_->window() == window && accessory == accessory_ &&
      input->keyboardType() == keysType_ && input->returnKeyType() == returnKeyType_ &&
      isDark(*input, *window) == keysDark_) {
    return;
  }
  if (visible_ && host_ && host_->window() != window) hide();
  show(*window, *input, accessory);
}

bool Keyboard::isDark(const TextInput& input, const Window& window) {
  switch (input.keyboardAppearance()) {
    case KeyboardAppearance::Dark: return true;
    case KeyboardAppearance::Light: return false;
    case KeyboardAppearance::Default: return window.userInterfaceStyle() == UserInterfaceStyle::Dark;
  }
  return false;
}

void Keyboard::layoutHost(Window& window, const TextInput& input, double keys) {
  for (const auto& sub : std::vector<std::shared_ptr<View>>(host_->subviews())) sub->removeFromSuperview();
  double width = window.bounds().width();
  double accessoryHeight = accessory_ ? accessory_->frame().height() : 0;
  auto keysView = make<KeyboardKeysView>(Rect{0, accessoryHeight, width, keys});
  keysType_ = input.keyboardType();
  returnKeyType_ = input.returnKeyType();
  keysDark_ = isDark(input, window);
  keysView->setKeys(keysType_, returnKeyType_, keysDark_);
  host_->addSubview(keysView);
  if (accessory_) {
    accessory_->setFrame({0, 0, width, accessoryHeight});
    host_->addSubview(accessory_);
  }
}

void Keyboard::show(Window& window, TextInput& input, const std::shared_ptr<View>& accessory) {
  unsigned generation = ++generation_;
  if (!host_) host_ = make<KeyboardView>();
  Rect from = visible_ ? shownFrame_ : Rect{};
  host_->layer().removeAllAnimations();  // a move still running stops where it is
  accessory_ = accessory;
  double keys = keysHeight(window.screen());
  double height = keys + (accessory ? accessory->frame().height() : 0);
  Rect screen = window.bounds();
  Rect end{0, screen.height() - height, screen.width(), height};
  Rect begin = from.isEmpty() ? Rect{0, screen.height(), screen.width(), height} : from;
  View::performWithoutAnimation([&] {
    layoutHost(window, input, keys);
    host_->setFrame(begin);
  });
  window.addSubview(host_);  // on top of everything in the window
  visible_ = true;
  shownFrame_ = end;
  post(kKeyboardWillShowNotification, begin, end);
  View::animate(kAnimationDuration, 0, AnimationOptionNone, [&] { host_->setFrame(end); },
                [this, generation, begin, end](bool finished) {
                  if (finished && generation == generation_) post(kKeyboardDidShowNotification, begin, end);
                });
}

void Keyboard::hide() {
  unsigned generation = ++generation_;
  visible_ = false;
  Rect begin = shownFrame_;
  Window* window = host_ ? host_->window() : nullptr;
  double bottom = window ? window->bounds().height() : begin.maxY();
  Rect end{begin.minX(), bottom, begin.width(), begin.height()};
  shownFrame_ = {};
  post(kKeyboardWillHideNotification, begin, end);
  View::animate(kAnimationDuration, 0, AnimationOptionNone, [&] { if (host_) host_->setFrame(end); },
                [this, generation, begin, end](bool finished) {
                  if (!finished || generation != generation_) return;
                  if (host_) host_->removeFromSuperview();
                  accessory_.reset();
                  post(kKeyboardDidHideNotification, begin, end);
                });
}

void Keyboard::reset() {
  ++generation_;
  visible_ = false;
  keysType_ = KeyboardType::Default;
  keysDark_ = false;
  shownFrame_ = {};
  accessory_.reset();
  if (host_) {
    host_->layer().removeAllAnimations();
    host_->removeFromSuperview();
  }
  host_.reset();
}

void Keyboard::post(const char* name, const Rect& begin, const Rect& end) const {
  foundation::Dictionary info{
      {kKeyboardFrameBeginUserInfoKey, RectValue::make(begin)},
      {kKeyboardFrameEndUserInfoKey, RectValue::make(end)},
      {kKeyboardAnimationDurationUserInfoKey, kAnimationDuration},
      {kKeyboardAnimationCurveUserInfoKey, kAnimationCurve},
      {kKeyboardIsLocalUserInfoKey, true},
  };
  foundation::NotificationCenter::defaultCenter().post(name, foundation::Value(std::move(info)));
}

}  // namespace platform::ui
