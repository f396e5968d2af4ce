#include "platform/shell/SystemAppearance.h"

#include "platform/foundation/SystemFacts.h"
#include "platform/ui/Application.h"

namespace platform::shell {

void SystemAppearance::switchTo(ui::Window& window, bool dark) {
  const auto change = [&] {
    foundation::SystemFacts facts = foundation::SystemFacts::current();
    facts.darkAppearance = dark;
    foundation::SystemFacts::setCurrent(facts);
    window.followSystemAppearance();
  };
  if (auto application = ui::Application::sharedApplication()) {
    application->passThroughInactive(change);
  } else {
    change();
  }
}

}  // namespace platform::shell
