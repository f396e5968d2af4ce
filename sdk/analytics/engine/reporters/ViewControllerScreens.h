#pragma once

#include <memory>
#include <vector>

#include "platform/foundation/Value.h"

namespace sdk::analytics {

class AnalyticsScreen;

}  // namespace sdk::analytics

namespace platform::ui {
class ViewController;
class Window;
}  // namespace platform::ui

namespace sdk::analytics {

// The screen a view controller shows, kept with the view controller itself. Another kind of value
// under the key is logged and removed.
std::shared_ptr<AnalyticsScreen> viewControllerScreen(platform::ui::ViewController& viewController);
void setViewControllerScreen(platform::ui::ViewController& viewController, std::shared_ptr<AnalyticsScreen> screen);

// A window's view controllers in the order they appeared, held weakly: a view controller that goes
// away drops out at the next compaction.
class ViewControllerStack final : public platform::foundation::Object {
 public:
  std::vector<std::weak_ptr<platform::ui::ViewController>> entries;

  bool empty() const { return entries.empty(); }
  // Drops the entries whose view controller has gone.
  void compact();
  bool contains(const platform::ui::ViewController* viewController) const;
  void remove(const platform::ui::ViewController* viewController);
  std::shared_ptr<platform::ui::ViewController> bottom() const;
  std::shared_ptr<platform::ui::ViewController> top() const;
};

// The window's stack, made empty and attached when it has none.
std::shared_ptr<ViewControllerStack> windowStack(platform::ui::Window& window);
void setWindowStack(platform::ui::Window& window, std::shared_ptr<ViewControllerStack> stack);

// A view controller whose screen may be reported: a framework's class (or its superclass) whose short
// name starts with "_" never is; otherwise its view must be loaded and inside the key window.
bool isTrackableViewController(platform::ui::ViewController* viewController);
// The view controller on display according to the stack (see the search in the .cpp); nullptr, logged,
// when the stack is empty.
std::shared_ptr<platform::ui::ViewController> topViewController(ViewControllerStack& stack);

}  // namespace sdk::analytics

