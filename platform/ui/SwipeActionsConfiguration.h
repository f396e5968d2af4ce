#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/View.h"

namespace platform::ui {

enum class ContextualActionStyle { Normal, Destructive };

// One button revealed by swiping a row. The handler gets the action, the button it was drawn as, and a
// completion to call with whether the action was done (which closes the row).
class ContextualAction {
 public:
  using Completion = std::function<void(bool actionPerformed)>;
  using Handler = std::function<void(ContextualAction& action, View& sourceView, Completion completion)>;

  ContextualAction(ContextualActionStyle style, std::string title, Handler handler)
      : style_(style), title_(std::move(title)), handler_(std::move(handler)) {}
  static std::shared_ptr<ContextualAction> contextualActionWithStyle(ContextualActionStyle style, std::string title,
                                                                    Handler handler) {
    return std::make_shared<ContextualAction>(style, std::move(title), std::move(handler));
  }

  ContextualActionStyle style() const { return style_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  // Red for destructive actions, grey for normal ones, unless set.
  Color backgroundColor() const;
  void setBackgroundColor(std::optional<Color> color) { background_ = color; }
  const Handler& handler() const { return handler_; }

 private:
  ContextualActionStyle style_;
  std::string title_;
  Handler handler_;
  std::optional<Color> background_;
};

// The actions a row reveals, first action outermost. A full swipe performs the first action unless
// that is turned off.
class SwipeActionsConfiguration {
 public:
  explicit SwipeActionsConfiguration(std::vector<std::shared_ptr<ContextualAction>> actions);
  static std::shared_ptr<SwipeActionsConfiguration> configurationWithActions(
      std::vector<std::shared_ptr<ContextualAction>> actions) {
    return std::make_shared<SwipeActionsConfiguration>(std::move(actions));
  }

  const std::vector<std::shared_ptr<ContextualAction>>& actions() const { return actions_; }
  bool performsFirstActionWithFullSwipe() const { return fullSwipe_; }
  void setPerformsFirstActionWithFullSwipe(bool performs) { fullSwipe_ = performs; }

 private:
  std::vector<std::shared_ptr<ContextualAction>> actions_;
  bool fullSwipe_ = true;
};

}  // namespace platform::ui
