#pragma once

#include <memory>

namespace platform::ui {

class View;

// Who takes typed text: the app's one first responder. Views reach it through their own
// becomeFirstResponder / resignFirstResponder / endEditing; this class holds the role, tells the
// keyboard when it moves, and offers the application-wide calls.
class Responder {
 public:
  // The first responder, or null. A view that has left its window no longer counts.
  static View* current();
  // Ends editing wherever it happens, as the app does to put the keyboard away for the whole
  // application. Returns whether no first responder remains.
  static bool resignCurrent();

 private:
  friend class View;
  static bool become(View& view);
  static bool resign(View& view, bool force);
  // A first responder leaving its window gives up the role without being asked.
  static void leaveWindow(View& view);
};

}  // namespace platform::ui
