#include "app/setup/SetupRegistration.h"

#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/LensAdapterViewController.h"
#include "app/setup/LensesFocalLengthsViewController.h"
#include "app/setup/NewCameraSetupViewController.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/InterfaceRegistry.h"

namespace app::setup {

void SetupRegistration::registerSetupScreens() {
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

namespace {

const bool registered =
    (platform::runtime::addLoadHook(SetupRegistration::kLoadOrder, &SetupRegistration::registerSetupScreens), true);
[[maybe_unused]] const bool* const keep = &registered;

}  // namespace

}  // namespace app::setup
