#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/SequenceChecker.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/Make.h"
#include "platform/runtime/Selector.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

struct TraitCollection {
  UserInterfaceStyle userInterfaceStyle = UserInterfaceStyle::Light;
  bool operator==(const TraitCollection&) const = default;
};

// The view-controller methods the platform calls through the runtime, so that code which replaces them
// at run time (screen tracking, say) sees every call.
inline constexpr runtime::Selector<void()> kViewDidLoad{"viewDidLoad"};
inline constexpr runtime::Selector<void(bool)> kViewWillAppear{"viewWillAppear:"};
inline constexpr runtime::Selector<void(bool)> kViewDidAppear{"viewDidAppear:"};
inline constexpr runtime::Selector<void(bool)> kViewWillDisappear{"viewWillDisappear:"};
inline constexpr runtime::Selector<void(bool)> kViewDidDisappear{"viewDidDisappear:"};
inline constexpr runtime::Selector<void(const TraitCollection&)> kTraitCollectionDidChange{
    "traitCollectionDidChange:"};

// Manages one screen's view. The view is made on first use (loadView, then viewDidLoad). Subclasses
// override the virtual methods below; the platform reaches them through the runtime methods of the
// class "UIViewController", which call the virtuals. A subclass declares its own runtime class:
//
//   class NewMainViewController : public platform::ui::ViewController {
//    public:
//     static constexpr platform::runtime::NativeClass<platform::ui::ViewController> kRuntimeClass{
//         "NewMainViewController"};
//     NewMainViewController() : ViewController(platform::runtime::classOf<NewMainViewController>()) {}
//   };
class NavigationController;

class ViewController : public runtime::Object {
 public:
  static constexpr runtime::NativeClass<runtime::Object> kRuntimeClass{"UIViewController",
                                                                       runtime::Image::Platform};
  // The runtime class with its methods in place; safe to call early (before swizzling, say) and often.
  static runtime::Class* runtimeClass();

  ~ViewController() override;

  // Loads the view when it is not loaded yet.
  std::shared_ptr<View> view();
  bool isViewLoaded() const { return view_ != nullptr; }
  void setView(std::shared_ptr<View> view) { view_ = std::move(view); }
  void loadViewIfNeeded() { view(); }

  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }

  // The window showing this controller: its own when it is the root, else its parent's or presenter's.
  Window* window() const;
  TraitCollection traitCollection() const;

  // Appearance, dispatched through the runtime. Containers (windows, navigation, presentation) call
  // these in the platform's order; a controller's view is loaded before its first will-appear.
  void sendViewWillAppear(bool animated);
  void sendViewDidAppear(bool animated);
  void sendViewWillDisappear(bool animated);
  void sendViewDidDisappear(bool animated);
  bool isAppearing() const { return appeared_; }

  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool animated) {}
  virtual void viewDidAppear(bool animated) {}
  virtual void viewWillDisappear(bool animated) {}
  virtual void viewDidDisappear(bool animated) {}
  virtual void traitCollectionDidChange(const TraitCollection& previous) {}

  // --- containment (NavigationController.cpp) ---
  ViewController* parentViewController() const { return parent_; }
  // The nearest navigation controller among this controller and its parents.
  NavigationController* navigationController() const;
  // Leaves the container that holds it; a controller that is not on top goes without appearance calls.
  void removeFromParentViewController();

  // --- modal presentation ---
  // Shows `controller` over the whole window, sliding up when animated. Its appearance calls follow
  // the platform's order; the presenter keeps appearing beneath it. `completion` runs once it is up.
  void presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                             std::function<void()> completion = {});
  // Dismisses what this controller presents, or, when it presents nothing, itself from its presenter.
  void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});
  std::shared_ptr<ViewController> presentedViewController() const { return presented_; }
  ViewController* presentingViewController() const { return presenting_; }
  // True while this controller's presentation runs: from its will-appear through its did-appear, not in
  // the completion. Whoever looks for the screen on show from those calls finds it by this.
  bool isBeingPresented() const { return beingPresented_; }

 protected:
  ViewController();
  explicit ViewController(runtime::Class* cls);
  // A container's part of removeFromParentViewController.
  virtual void removeChildViewController(ViewController& child) {}

 private:
  friend class NavigationController;
  friend class Window;
  void setWindow(Window* window) { window_ = window; }
  // Tells the controller of a change of its window's style, or, while its view is out of the window
  // (covered on a navigation stack, say), keeps it for its next appearance.
  void windowStyleChanged(UserInterfaceStyle previous);
  void tellMissedStyleChange();

  std::shared_ptr<View> view_;
  std::string title_;
  Window* window_ = nullptr;  // non-owning: the window that shows this controller
  ViewController* parent_ = nullptr;      // non-owning: the container holds its children
  ViewController* presenting_ = nullptr;  // non-owning: a presenter holds what it presents
  std::shared_ptr<ViewController> presented_;
  bool appeared_ = false;
  bool beingPresented_ = false;
  // The style before the first change this controller missed while out of the window.
  std::optional<UserInterfaceStyle> missedStyle_;
  // A controller, its view and its containers are the main thread's: a debug run stops on a call from
  // anywhere else.
  foundation::SequenceChecker sequenceChecker_;
};

}  // namespace platform::ui
