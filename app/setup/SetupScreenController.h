#pragma once

#include "platform/runtime/Class.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

namespace app::setup {

// A setup screen made in code in place of its storyboard scene: its subviews are built once into a
// page content view on the screen's background, and laid out by hand whenever the root's size changes
// or a constant moves. Main thread only.
class SetupScreenController : public platform::ui::ViewController {
 public:
  void loadView() final;

 protected:
  explicit SetupScreenController(platform::runtime::Class* cls) : ViewController(cls) {}

  virtual void buildViews(platform::ui::View& root) = 0;
  virtual void layOutViews() = 0;
};

}  // namespace app::setup
