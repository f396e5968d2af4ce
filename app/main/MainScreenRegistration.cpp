// The main screen in the app's storyboard "Main_Universal", registered at start. The setup screens it
// opens register themselves under their own identifiers.
#include "app/kit/UIConstants.h"
#include "app/main/NewMainViewController.h"
#include "platform/graphics/TextEngine.h"
#include "platform/runtime/LoadHooks.h"
#include "platform/ui/InterfaceRegistry.h"

namespace app::main {

namespace {

constexpr const char* kStoryboard = "Main_Universal";
constexpr int kMainScreenOrder = 100;

void registerMainScreen() {
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

const bool registered = (platform::runtime::addLoadHook(kMainScreenOrder, &registerMainScreen), true);
[[maybe_unused]] const bool* const keep = &registered;

}  // namespace

}  // namespace app::main

