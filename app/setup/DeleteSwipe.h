#pragma once

#include <memory>

#include "platform/graphics/Color.h"
#include "platform/ui/SwipeActionsConfiguration.h"

namespace app::setup {

// The swipe on a row of the person's own in a setup list: one "Delete" action in `color`, which a full
// swipe does not run by itself.
class DeleteSwipe {
 public:
  static std::shared_ptr<platform::ui::SwipeActionsConfiguration> make(const platform::graphics::Color& color,
                                                                       platform::ui::ContextualAction::Handler handler);
};

}  // namespace app::setup
