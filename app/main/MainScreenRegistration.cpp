// The main screen and its neighbours in the app's storyboard "Main_Universal", registered at start.
#include "app/main/NewMainViewController.h"
#include "app/main/SetupPlaceholderViewController.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/InterfaceRegistry.h"

namespace {

constexpr const char* kStoryboard = "Main_Universal";
// Before the setup screens' own registration, which replaces the placeholder once it exists.
constexpr int kPlaceholderOrder = 90;
constexpr int kMainScreenOrder = 100;

void registerMainScreen() {
  auto& registry = platform::ui::InterfaceRegistry::shared();
  registry.registerController(kStoryboard, NewMainViewController::kStoryboardIdentifier,
                              [] { return platform::ui::make<NewMainViewController>(); });
  registry.setInitial(kStoryboard, NewMainViewController::kStoryboardIdentifier);
}

void registerSetupPlaceholder() {
  auto& registry = platform::ui::InterfaceRegistry::shared();
  if (registry.hasController(kStoryboard, NewMainViewController::kSetupIdentifier)) return;
  registry.registerController(kStoryboard, NewMainViewController::kSetupIdentifier,
                              [] { return platform::ui::make<SetupPlaceholderViewController>(); });
}

const bool registered = (platform::runtime::addLoadHook(kPlaceholderOrder, &registerSetupPlaceholder),
                         platform::runtime::addLoadHook(kMainScreenOrder, &registerMainScreen), true);
[[maybe_unused]] const bool* const keep = &registered;

}  // namespace
