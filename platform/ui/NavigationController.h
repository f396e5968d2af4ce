#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/ViewController.h"

namespace platform::ui {

// A stack of screens, one shown at a time, each filling the controller's view. Pushing and popping
// tell the controllers in the platform's order: the pushed view loads, the old top hears
// will-disappear, the new top will-appear, then (after the slide when animated) the old top
// did-disappear and the new top did-appear. A push or pop asked for while a slide runs waits for it;
// one asked for from inside did-appear runs at once. There is no bar: the app's screens draw their
// own headers.
class NavigationController : public ViewController {
 public:
  static constexpr runtime::NativeClass<ViewController> kRuntimeClass{"UINavigationController",
                                                                      runtime::Image::Platform};
  static constexpr double kTransitionDuration = 0.35;

  ~NavigationController() override;

  const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
  std::shared_ptr<ViewController> topViewController() const;

  // Pushing a controller that is already on a stack raises NSInvalidArgumentException.
  void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
  // The popped controller; null for the root alone (which stays) or while the pop waits for a slide.
  std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
  std::vector<std::shared_ptr<ViewController>> popToRootViewControllerAnimated(bool animated);
  void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated);

  void loadView() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void viewDidDisappear(bool animated) override;
  void traitCollectionDidChange(const TraitCollection& previous) override;

 protected:
  NavigationController();
  explicit NavigationController(std::shared_ptr<ViewController> root);
  void removeChildViewController(ViewController& child) override;

 private:
  void adopt(const std::shared_ptr<ViewController>& controller);
  void release(ViewController& controller);
  void install(ViewController& controller);
  // Shows `incoming` in place of `outgoing` with the appearance calls; `forward` for a push.
  void swap(std::shared_ptr<ViewController> outgoing, std::shared_ptr<ViewController> incoming, bool animated,
            bool forward);
  bool deferWhileSliding(std::function<void()> operation);
  void runDeferred();

  std::vector<std::shared_ptr<ViewController>> stack_;
  std::vector<std::function<void()>> deferred_;
  bool onScreen_ = false;
  bool sliding_ = false;
};

}  // namespace platform::ui
