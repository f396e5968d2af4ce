#pragma once

#include <string>

#include "platform/shell/Script.h"

namespace platform::shell {

// Where the runner and the desktop window send what a person does: one finger and a keyboard. Each
// call happens at the current clock's time, which is the touch's timestamp.
class InputSink {
 public:
  virtual ~InputSink() = default;
  virtual void touchDown(Point p) = 0;
  virtual void touchMove(Point p) = 0;
  virtual void touchUp(Point p) = 0;
  // The finger was taken away without lifting (the window lost the pointer).
  virtual void touchCancel() = 0;
  // The mouse wheel over `at`: scrolls what is under it by (dx, dy) points of content.
  virtual void scrollWheel(Point at, double dx, double dy) = 0;
  // Text for the first responder; nothing happens when there is none.
  virtual void typeText(const std::string& text) = 0;
  virtual void pressKey(Key key) = 0;
};

}  // namespace platform::shell
