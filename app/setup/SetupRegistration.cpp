// The setup screens in the app's storyboard "Main_Universal", registered at start.
#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/LensAdapterViewController.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/NewCameraSetupViewController.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/InterfaceRegistry.h"

namespace app::setup {

namespace {

constexpr const char* kStoryboard = "Main_Universal";
// Before the main screen's stand-in for the setup menu, which is registered only where none is.
constexpr int kSetupScreensOrder = 80;

void registerSetupScreens() {
  auto& registry = platform::ui::InterfaceRegistry::shared();
  registry.registerController(kStoryboard, LensAdapterViewController::kStoryboardIdentifier,
                              [] { return platform::ui::make<LensAdapterViewController>(); });
  registry.registerController(kStoryboard, CameraModeAspectViewController::kStoryboardIdentifier,
                              [] { return platform::ui::make<CameraModeAspectViewController>(); });
  registry.registerController(kStoryboard, LensesFocalLengthsViewController::kStoryboardIdentifier,
                              [] { return platform::ui::make<LensesFocalLengthsViewController>(); });
  registry.registerController(kStoryboard, NewCameraSetupViewController::kStoryboardIdentifier,
                              [] { return platform::ui::make<NewCameraSetupViewController>(); });
}

const bool registered = (platform::runtime::addLoadHook(kSetupScreensOrder, &registerSetupScreens), true);
[[maybe_unused]] const bool* const keep = &registered;

}  // namespace

}  // namespace app::setup

