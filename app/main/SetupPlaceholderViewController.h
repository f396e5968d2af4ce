#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/ViewController.h"

// Stands under the setup screen's identifier until the setup screens exist: it names the package being
// edited and goes back as the setup screens do, saving the preferences and popping itself.
class SetupPlaceholderViewController : public platform::ui::ViewController {
 public:
  static constexpr platform::runtime::NativeClass<platform::ui::ViewController> kRuntimeClass{
      "SetupPlaceholderViewController"};

  void loadView() override;
  void doneBtnPressed();
  const std::shared_ptr<platform::ui::Button>& doneButton() const { return done_; }

 protected:
  SetupPlaceholderViewController();

 private:
  std::shared_ptr<platform::ui::Label> title_;
  std::shared_ptr<platform::ui::Button> done_;
};
