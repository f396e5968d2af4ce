// The main screen in the app's storyboard "Main_Universal", registered at start. The setup screens it
// opens register themselves under their own identifiers.
#include "app/main/NewMainViewController.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/InterfaceRegistry.h"

namespace {

constexpr const char* kStoryboard = "Main_Universal";
constexpr int kMainScreenOrder = 100;

void registerMainScreen() {
  auto& registry = platform::ui::InterfaceRegistry::shared();
  registry.registerController(kStoryboard, NewMainViewController::kStoryboardIdentifier,
                              [] { return platform::ui::make<NewMainViewController>(); });
  registry.setInitial(kStoryboard, NewMainViewController::kStoryboardIdentifier);
}

const bool registered = (platform::runtime::addLoadHook(kMainScreenOrder, &registerMainScreen), true);
[[maybe_unused]] const bool* const keep = &registered;

}  // namespace
