#include "app/setup/DeleteSwipe.h"

#include "app/setup/SetupText.h"

namespace app::setup {

std::shared_ptr<platform::ui::SwipeActionsConfiguration> DeleteSwipe::make(
    const platform::graphics::Color& color, platform::ui::ContextualAction::Handler handler) {
  auto action = platform::ui::ContextualAction::contextualActionWithStyle(platform::ui::ContextualActionStyle::Normal,
                                                                          localized("Delete"), std::move(handler));
  action->setBackgroundColor(color);
  auto configuration = platform::ui::SwipeActionsConfiguration::configurationWithActions({action});
  configuration->setPerformsFirstActionWithFullSwipe(false);
  return configuration;
}

}  // namespace app::setup
