#include "platform/ui/ViewController.h"

#include <utility>

#include "platform/log/Log.h"
#include "platform/runtime/Send.h"
#include "platform/ui/Keyboard.h"

namespace platform::ui {

runtime::Class* ViewController::runtimeClass() {
  static runtime::Class* cls = [] {
    runtime::Class* c = runtime::classOf<ViewController>();
    // The base implementations run the C++ overrides; replacing one of these in the runtime wraps
    // every controller's call.
    c->addMethod<void(), ViewController>(kViewDidLoad, [](ViewController& vc) { vc.viewDidLoad(); });
    c->addMethod<void(bool), ViewController>(kViewWillAppear,
                                             [](ViewController& vc, bool a) { vc.viewWillAppear(a); });
    c->addMethod<void(bool), ViewController>(kViewDidAppear, [](ViewController& vc, bool a) { vc.viewDidAppear(a); });
    c->addMethod<void(bool), ViewController>(kViewWillDisappear,
                                             [](ViewController& vc, bool a) { vc.viewWillDisappear(a); });
    c->addMethod<void(bool), ViewController>(kViewDidDisappear,
                                             [](ViewController& vc, bool a) { vc.viewDidDisappear(a); });
    c->addMethod<void(const TraitCollection&), ViewController>(
        kTraitCollectionDidChange,
        [](ViewController& vc, const TraitCollection& previous) { vc.traitCollectionDidChange(previous); });
    c->addIvar<ViewController>("_title", &ViewController::title);
    c->addIvar<ViewController>("_presentedViewController", &ViewController::presentedViewController);
    return c;
  }();
  return cls;
}

ViewController::ViewController() : ViewController(runtimeClass()) {}

namespace {
// Makes sure the base class has its methods before any controller dispatches.
runtime::Class* withBaseMethods(runtime::Class* cls) {
  ViewController::runtimeClass();
  return cls;
}

constexpr double kPresentationDuration = 0.3;

// The presented screen covers the window but stays beneath the keyboard.
void placeInWindow(Window& window, const std::shared_ptr<View>& view) {
  std::shared_ptr<View> keyboard = Keyboard::shared().view();
  if (keyboard && keyboard->superview() == &window) {
    window.insertSubviewBelow(view, keyboard.get());
  } else {
    window.addSubview(view);
  }
}

}  // namespace

ViewController::ViewController(runtime::Class* cls) : runtime::Object(withBaseMethods(cls)) {}

ViewController::~ViewController() = default;

std::shared_ptr<View> ViewController::view() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  if (!view_) {
    loadView();
    if (!view_) view_ = make<View>();  // a loadView that made nothing still yields a view
    runtime::send(*this, kViewDidLoad);
  }
  return view_;
}

Window* ViewController::window() const {
  if (window_) return window_;
  if (parent_) return parent_->window();
  return presenting_ ? presenting_->window() : nullptr;
}

void ViewController::loadView() {
  Size size = window() ? window()->bounds().size : Screen::named("phone").size;
  view_ = make<View>(Rect{{0, 0}, size});
  view_->setBackgroundColor(Color::whiteColor());
}

TraitCollection ViewController::traitCollection() const {
  return {window() ? window()->userInterfaceStyle() : UserInterfaceStyle::Light};
}

void ViewController::sendViewWillAppear(bool animated) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  view();
  runtime::send(*this, kViewWillAppear, animated);
}

void ViewController::sendViewDidAppear(bool animated) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  appeared_ = true;
  runtime::send(*this, kViewDidAppear, animated);
  tellMissedStyleChange();
}

void ViewController::sendViewWillDisappear(bool animated) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  runtime::send(*this, kViewWillDisappear, animated);
}

void ViewController::sendViewDidDisappear(bool animated) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  appeared_ = false;
  runtime::send(*this, kViewDidDisappear, animated);
}

// A screen that is not in the window hears of a change only when it next appears, as on a phone: a
// covered screen that rebuilt itself on the change would otherwise push its successor over the screens
// that cover it.
void ViewController::windowStyleChanged(UserInterfaceStyle previous) {
  if (isViewLoaded() && view_->window()) {
    missedStyle_.reset();
    runtime::send(*this, kTraitCollectionDidChange, TraitCollection{previous});
  } else if (!missedStyle_) {
    missedStyle_ = previous;
  }
  if (presented_) presented_->windowStyleChanged(previous);
}

// Told once the screen has appeared, so that whatever it does about the change (a push, even) runs as
// from its did-appear; a screen that left the window again in its did-appear hears nothing.
void ViewController::tellMissedStyleChange() {
  if (!missedStyle_ || !isViewLoaded() || !view_->window()) return;
  const TraitCollection previous{*std::exchange(missedStyle_, std::nullopt)};
  if (traitCollection() != previous) runtime::send(*this, kTraitCollectionDidChange, previous);
}

// --- modal presentation ---

void ViewController::presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                                           std::function<void()> completion) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  if (!controller || controller.get() == this) return;
  Window* shownIn = isViewLoaded() ? view()->window() : nullptr;
  if (!shownIn || presented_ || controller->presenting_) {
    log::write(4, "UIKit", "Attempt to present a view controller on one that is not in a window or already presents");
    return;
  }
  presented_ = controller;
  controller->presenting_ = this;
  auto shown = controller->view();
  Rect bounds = shownIn->bounds();
  shown->setFrame(animated ? bounds.offsetBy(0, bounds.height()) : bounds);
  controller->beingPresented_ = true;
  controller->sendViewWillAppear(animated);
  placeInWindow(*shownIn, shown);
  auto done = [controller, animated, completion] {
    controller->sendViewDidAppear(animated);
    controller->beingPresented_ = false;
    if (completion) completion();
  };
  if (!animated) {
    done();
    return;
  }
  View::animate(kPresentationDuration, 0, AnimationOptionNone, [&] { shown->setFrame(bounds); },
                [done](bool) { done(); });
}

void ViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  if (!presented_) {
    if (presenting_) {
      presenting_->dismissViewControllerAnimated(animated, std::move(completion));
    } else if (completion) {
      completion();
    }
    return;
  }
  std::shared_ptr<ViewController> gone = std::move(presented_);
  presented_.reset();
  gone->beingPresented_ = false;  // dismissed before its presentation ended
  // Whatever the dismissed screen presents goes with it.
  if (gone->presented_) gone->dismissViewControllerAnimated(false);
  // Editing inside the dismissed screen ends with it.
  if (gone->isViewLoaded()) gone->view()->endEditing(true);
  gone->sendViewWillDisappear(animated);
  auto done = [gone, animated, completion] {
    if (gone->isViewLoaded()) gone->view()->removeFromSuperview();
    gone->presenting_ = nullptr;
    gone->sendViewDidDisappear(animated);
    if (completion) completion();
  };
  if (!animated || !gone->isViewLoaded()) {
    done();
    return;
  }
  auto shown = gone->view();
  Rect frame = shown->frame();
  View::animate(kPresentationDuration, 0, AnimationOptionNone,
                [&] { shown->setFrame(frame.offsetBy(0, frame.height())); }, [done](bool) { done(); });
}

}  // namespace platform::ui
