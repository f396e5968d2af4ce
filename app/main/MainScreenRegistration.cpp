#include "app/main/MainScreenRegistration.h"

#include "app/kit/UIConstants.h"
#include "app/main/NewMainViewController.h"
#include "platform/graphics/TextEngine.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/InterfaceRegistry.h"

namespace app::main {

void MainScreenRegistration::registerMainScreen() {
  auto& registry = platform::ui::InterfaceRegistry::shared();
  registry.registerController(kStoryboard, NewMainViewController::kStoryboardIdentifier,
                              [] { return platform::ui::make<NewMainViewController>(); });
  registry.setInitial(kStoryboard, NewMainViewController::kStoryboardIdentifier);
  // The fonts the main screen first measures text in: the menu's titles, the scales' marks and their
  // current values. Loading them is most of the first screen's text work; it overlaps the launch's
  // preference and catalogue loading this way.
  platform::graphics::prepareFonts({kit::UIConstants::heavyFontWithSize(11),
                                    kit::UIConstants::mediumFontWithSize(14),
                                    kit::UIConstants::heavyFontWithSize(16)});
}

namespace {

const bool registered =
    (platform::runtime::addLoadHook(MainScreenRegistration::kLoadOrder, &MainScreenRegistration::registerMainScreen),
     true);
[[maybe_unused]] const bool* const keep = &registered;

}  // namespace

}  // namespace app::main
