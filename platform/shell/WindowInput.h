#pragma once

#include <memory>

#include "platform/shell/InputSink.h"
#include "platform/ui/Window.h"

namespace platform::shell {

// Puts the runner's and the desktop's finger and keys on an app window: touches through the window's
// touch delivery, text and keys to the first responder.
class WindowInput : public InputSink {
 public:
  explicit WindowInput(std::shared_ptr<ui::Window> window) : window_(std::move(window)) {}

  void touchDown(Point p) override { window_->touchDown(p); }
  void touchMove(Point p) override { window_->touchMove(p); }
  void touchUp(Point p) override { window_->touchUp(p); }
  void touchCancel() override { window_->touchCancel(); }
  void scrollWheel(Point at, double dx, double dy) override { window_->scrollWheel(at, dx, dy); }
  void typeText(const std::string& text) override;
  void pressKey(Key key) override;

 private:
  std::shared_ptr<ui::Window> window_;
};

}  // namespace platform::shell
