#include "platform/ui/Responder.h"

#include "platform/ui/Keyboard.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

// Views and their first responder live on the main thread.
std::weak_ptr<View>& holder() {
  static std::weak_ptr<View> first;
  return first;
}

}  // namespace

View* Responder::current() {
  std::shared_ptr<View> view = holder().lock();
  if (!view || !view->window()) return nullptr;
  return view.get();
}

bool Responder::resignCurrent() {
  View* view = current();
  return !view || resign(*view, true);
}

bool Responder::become(View& view) {
  View* old = current();
  if (old == &view) return true;
  std::weak_ptr<View> self = view.weak_from_this();
  if (self.expired() || !view.window() || !view.canBecomeFirstResponder()) return false;
  if (old && !old->canResignFirstResponder()) return false;
  if (auto* input = dynamic_cast<TextInput*>(&view); input && !input->shouldBeginEditing()) return false;
  if (old) {
    holder().reset();
    old->didResignFirstResponder();
  }
  holder() = self;
  view.didBecomeFirstResponder();
  Keyboard::shared().responderChanged(current());
  return true;
}

bool Responder::resign(View& view, bool force) {
  if (current() != &view) return true;
  if (!force && !view.canResignFirstResponder()) return false;
  holder().reset();
  view.didResignFirstResponder();
  Keyboard::shared().responderChanged(current());
  return true;
}

void Responder::leaveWindow(View& view) { resign(view, true); }

// --- the view's side ---

bool View::becomeFirstResponder() { return Responder::become(*this); }

bool View::resignFirstResponder() { return Responder::resign(*this, false); }

bool View::isFirstResponder() const { return Responder::current() == this; }

bool View::endEditing(bool force) {
  View* first = Responder::current();
  if (!first || !first->isDescendantOf(this)) return true;
  return Responder::resign(*first, force);
}

}  // namespace platform::ui
