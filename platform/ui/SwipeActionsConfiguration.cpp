#include "platform/ui/SwipeActionsConfiguration.h"

#include <algorithm>

namespace platform::ui {

Color ContextualAction::backgroundColor() const {
  if (background_) return *background_;
  return style_ == ContextualActionStyle::Destructive ? Color::fromBytes(255, 59, 48) : Color::fromBytes(199, 199, 204);
}

SwipeActionsConfiguration::SwipeActionsConfiguration(std::vector<std::shared_ptr<ContextualAction>> actions)
    : actions_(std::move(actions)) {
  std::erase(actions_, nullptr);
}

}  // namespace platform::ui
