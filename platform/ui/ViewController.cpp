#include "platform/ui/ViewController.h"

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

void ViewController::windowStyleChanged(UserInterfaceStyle previous) {
  runtime::send(*this, kTraitCollectionDidChange, TraitCollection{previous});
  if (presented_) presented_->windowStyleChanged(previous);
}

}  // namespace platform::ui
