#include "sdk/analytics/engine/reporters/ViewControllerScreens.h"

#include <algorithm>

#include "platform/runtime/Class.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "sdk/analytics/engine/reporters/AnalyticsScreen.h"
#include "sdk/analytics/engine/reporters/ReportersMessageCodes.h"
#include "sdk/analytics/foundation/Monitor.h"

namespace sdk::analytics {

using platform::foundation::Value;
using platform::ui::NavigationController;
using platform::ui::ViewController;
using platform::ui::Window;

namespace {

const char kScreenKey = 0;
const char kStackKey = 0;

std::string valueClassName(const Value& value) {
  if (auto object = value.objectAs<platform::runtime::Object>()) return object->getClass()->name();
  return value.description();
}

bool hasWindow(ViewController& viewController) {
  return viewController.isViewLoaded() && viewController.view()->window() != nullptr;
}

// The view controllers a container shows: a navigation controller's stack, else none.
std::vector<std::shared_ptr<ViewController>> childViewControllers(ViewController& viewController) {
  if (auto* navigation = dynamic_cast<NavigationController*>(&viewController)) return navigation->viewControllers();
  return {};
}

bool isContainer(const std::shared_ptr<ViewController>& viewController) {
  return dynamic_cast<NavigationController*>(viewController.get()) != nullptr;
}

// One step down from a candidate: what a container shows, or what a view controller presents, or the
// controller itself while its presentation runs: a presented screen that presents nothing is the top,
// where the step past it would land on its presenter, the screen already current.
std::shared_ptr<ViewController> descend(const std::shared_ptr<ViewController>& viewController) {
  if (auto* navigation = dynamic_cast<NavigationController*>(viewController.get())) {
    auto top = navigation->topViewController();
    if (top && top->presentedViewController()) return top->presentedViewController();
    return top;
  }
  if (auto presented = viewController->presentedViewController()) return presented;
  return viewController->isBeingPresented() ? viewController : nullptr;
}

std::shared_ptr<ViewController> sharedOf(ViewController* viewController) {
  if (!viewController) return nullptr;
  return std::static_pointer_cast<ViewController>(viewController->weak_from_this().lock());
}

}  // namespace

std::shared_ptr<AnalyticsScreen> viewControllerScreen(ViewController& viewController) {
  const Value value = platform::runtime::associated(viewController, &kScreenKey);
  if (value.isNil()) return nullptr;
  if (auto screen = value.objectAs<AnalyticsScreen>()) return screen;
  Monitor::shared()->logWithLevel(LogLevel::kMonitoredWarning, messages::kUnknownAssociatedObject,
                                  "Found unknown associated object", Value(valueClassName(value)));
  platform::runtime::setAssociated(viewController, &kScreenKey, Value());
  return nullptr;
}

void setViewControllerScreen(ViewController& viewController, std::shared_ptr<AnalyticsScreen> screen) {
  platform::runtime::setAssociated(viewController, &kScreenKey, Value(std::move(screen)));
}

// --- the stack

void ViewControllerStack::compact() {
  std::erase_if(entries, [](const auto& entry) { return entry.expired(); });
}

bool ViewControllerStack::contains(const ViewController* viewController) const {
  return std::any_of(entries.begin(), entries.end(),
                     [&](const auto& entry) { return entry.lock().get() == viewController; });
}

void ViewControllerStack::remove(const ViewController* viewController) {
  std::erase_if(entries, [&](const auto& entry) { return entry.lock().get() == viewController; });
}

std::shared_ptr<ViewController> ViewControllerStack::bottom() const {
  return entries.empty() ? nullptr : entries.front().lock();
}

std::shared_ptr<ViewController> ViewControllerStack::top() const {
  return entries.empty() ? nullptr : entries.back().lock();
}

// Windows are no runtime objects here, so the stack is kept beside them, keyed weakly by window.
namespace {
struct WindowStacks {
  std::mutex mutex;
  std::vector<std::pair<std::weak_ptr<platform::ui::View>, std::shared_ptr<ViewControllerStack>>> stacks;
};
WindowStacks& windowStacks() {
  static auto* stacks = new WindowStacks;
  return *stacks;
}
}  // namespace

std::shared_ptr<ViewControllerStack> windowStack(Window& window) {
  auto& all = windowStacks();
  std::lock_guard lock(all.mutex);
  std::erase_if(all.stacks, [](const auto& entry) { return entry.first.expired(); });
  for (const auto& [owner, stack] : all.stacks) {
    if (owner.lock().get() == &window) return stack;
  }
  auto stack = std::make_shared<ViewControllerStack>();
  all.stacks.emplace_back(window.weak_from_this(), stack);
  return stack;
}

void setWindowStack(Window& window, std::shared_ptr<ViewControllerStack> stack) {
  auto& all = windowStacks();
  std::lock_guard lock(all.mutex);
  for (auto& [owner, kept] : all.stacks) {
    if (owner.lock().get() == &window) {
      kept = std::move(stack);
      return;
    }
  }
  all.stacks.emplace_back(window.weak_from_this(), std::move(stack));
}

// --- trackable and top

bool isTrackableViewController(ViewController* viewController) {
  if (!viewController) return false;
  const platform::runtime::Class* cls = viewController->getClass();
  if (cls->image() != platform::runtime::Image::App) {
    const bool privateClass = shortClassName(cls).starts_with("_") ||
                              (cls->superclass() && shortClassName(cls->superclass()).starts_with("_"));
    if (privateClass) return false;
  }
  if (!viewController->isViewLoaded()) return false;
  auto keyWindow = Window::keyWindow();
  return keyWindow && viewController->view()->isDescendantOf(keyWindow.get());
}

std::shared_ptr<ViewController> topViewController(ViewControllerStack& stack) {
  std::vector<std::shared_ptr<ViewController>> entries;
  for (auto it = stack.entries.rbegin(); it != stack.entries.rend(); ++it) {
    if (auto entry = it->lock()) entries.push_back(std::move(entry));
  }
  // A screen the app named itself wins.
  for (const auto& entry : entries) {
    if (!hasWindow(*entry)) continue;
    auto screen = viewControllerScreen(*entry);
    if (screen && screen->isManuallySet) return entry;
  }
  std::shared_ptr<ViewController> candidate;
  for (const auto& entry : entries) {
    if (!hasWindow(*entry)) continue;
    candidate = entry;
    if (viewControllerScreen(*candidate)) return candidate;
    // A container that shows only part of its children stands for the entry.
    if (auto parent = sharedOf(candidate->parentViewController())) {
      auto children = childViewControllers(*parent);
      const bool partlyShown = children.size() >= 2 && std::any_of(children.begin(), children.end(), [&](auto& child) {
                                 return child != candidate && !hasWindow(*child);
                               });
      if (partlyShown) {
        candidate = parent;
        if (viewControllerScreen(*candidate)) return candidate;
      }
    }
    std::shared_ptr<ViewController> shown = descend(candidate);
    while (shown && isContainer(shown)) shown = descend(shown);
    if (shown && hasWindow(*shown)) return shown;
  }
  if (candidate) return candidate;
  if (stack.empty()) {
    Monitor::shared()->logWithLevel(LogLevel::kSilentWarning, messages::kRootViewControllerNotFound,
                                    "Root view controller not found");
    return nullptr;
  }
  auto bottom = stack.bottom();
  stack.compact();
  return bottom;
}

}  // namespace sdk::analytics

