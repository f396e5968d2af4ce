#include "app/setup/SetupPause.h"

#include <memory>

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/ui/Window.h"

namespace app::setup {

void SetupPause::pause(platform::ui::ViewController& owner, std::function<void()> then) {
  using platform::ui::ViewController;
  using platform::ui::Window;
  std::weak_ptr<ViewController> weakOwner = std::static_pointer_cast<ViewController>(owner.weak_from_this().lock());
  std::shared_ptr<Window> window;
  if (Window* shown = owner.window()) window = std::static_pointer_cast<Window>(shown->weak_from_this().lock());
  if (window) window->beginRefusingTouches();
  platform::dispatch::Timer::scheduled(
      kFinalPick, false, platform::dispatch::Queue::main(),
      [weakOwner = std::move(weakOwner), refusing = std::weak_ptr<Window>(window), then = std::move(then)] {
        if (auto refused = refusing.lock()) refused->endRefusingTouches();
        // The rest still commits the pick when the screen was taken away meanwhile; it only closes
        // what is still there.
        if (auto alive = weakOwner.lock()) then();
      });
}

}  // namespace app::setup

