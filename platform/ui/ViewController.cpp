#include "platform/ui/ViewController.h"

#include <utility>

#include "platform/runtime/Send.h"

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

}  // namespace platform::ui
