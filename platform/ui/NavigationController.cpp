#include "platform/ui/NavigationController.h"

#include <algorithm>

#include "platform/foundation/Exception.h"

namespace platform::ui {
namespace {

// The controller's own view: each screen's view fills it.
class NavigationView : public View {
 public:
  using View::View;

 protected:
  void layoutSubviews() override {
    for (const auto& sub : subviews()) {
      if (sub->layer().animationKeys().empty()) sub->setFrame(bounds());
    }
  }
};

}  // namespace

// --- the containment side of every controller ---

NavigationController* ViewController::navigationController() const {
  for (ViewController* vc = parent_; vc; vc = vc->parent_) {
    if (auto* nav = dynamic_cast<NavigationController*>(vc)) return nav;
  }
  return nullptr;
}

void ViewController::removeFromParentViewController() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequenceChecker_);
  if (parent_) parent_->removeChildViewController(*this);
}

// --- the navigation controller ---

namespace {
runtime::Class* navigationControllerClass() {
  static runtime::Class* const cls = [] {
    runtime::Class* c = runtime::classOf<NavigationController>();
    c->addIvar<NavigationController>("_viewControllers", &NavigationController::viewControllers);
    return c;
  }();
  return cls;
}
}  // namespace

NavigationController::NavigationController() : ViewController(navigationControllerClass()) {}

NavigationController::NavigationController(std::shared_ptr<ViewController> root) : NavigationController() {
  if (root) {
    adopt(root);
    stack_.push_back(std::move(root));
  }
}

NavigationController::~NavigationController() {
  for (auto& vc : stack_) vc->parent_ = nullptr;
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
  return stack_.empty() ? nullptr : stack_.back();
}

void NavigationController::loadView() {
  Size size = window() ? window()->bounds().size : Screen::named("phone").size;
  setView(make<NavigationView>(Rect{{0, 0}, size}));
}

void NavigationController::adopt(const std::shared_ptr<ViewController>& controller) {
  if (controller->parent_ && controller->parent_ != this) {
    throw foundation::Exception("NSInvalidArgumentException",
                                "A view controller can be on one navigation stack only");
  }
  controller->parent_ = this;
}

void NavigationController::release(ViewController& controller) {
  if (controller.isViewLoaded() && controller.view()->superview() == view().get()) {
    controller.view()->removeFromSuperview();
  }
  controller.parent_ = nullptr;
}

void NavigationController::install(ViewController& controller) {
  auto shown = controller.view();
  shown->setFrame(view()->bounds());
  if (shown->superview() != view().get()) view()->addSubview(shown);
}

bool NavigationController::deferWhileSliding(std::function<void()> operation) {
  if (!sliding_) return false;
  deferred_.push_back(std::move(operation));
  return true;
}

void NavigationController::runDeferred() {
  while (!sliding_ && !deferred_.empty()) {
    auto next = std::move(deferred_.front());
    deferred_.erase(deferred_.begin());
    next();
  }
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller, bool animated) {
  if (!controller) return;
  if (std::find(stack_.begin(), stack_.end(), controller) != stack_.end()) {
    throw foundation::Exception("NSInvalidArgumentException",
                                "Pushing the same view controller instance more than once is not supported");
  }
  if (deferWhileSliding([this, controller, animated] { pushViewController(controller, animated); })) return;
  adopt(controller);
  std::shared_ptr<ViewController> outgoing = topViewController();
  stack_.push_back(controller);
  if (!onScreen_) return;
  controller->loadViewIfNeeded();
  swap(outgoing, controller, animated, true);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
  if (deferWhileSliding([this, animated] { popViewControllerAnimated(animated); })) return nullptr;
  if (stack_.size() < 2) return nullptr;
  std::shared_ptr<ViewController> outgoing = stack_.back();
  stack_.pop_back();
  if (onScreen_) {
    swap(outgoing, stack_.back(), animated, false);
  } else {
    release(*outgoing);
  }
  return outgoing;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewControllerAnimated(bool animated) {
  if (deferWhileSliding([this, animated] { popToRootViewControllerAnimated(animated); })) return {};
  if (stack_.size() < 2) return {};
  std::vector<std::shared_ptr<ViewController>> popped(stack_.begin() + 1, stack_.end());
  std::shared_ptr<ViewController> outgoing = stack_.back();
  stack_.resize(1);
  // Only the top one was showing; the ones between go without appearance calls.
  for (size_t i = 0; i + 1 < popped.size(); ++i) release(*popped[i]);
  if (onScreen_) {
    swap(outgoing, stack_.front(), animated, false);
  } else {
    release(*outgoing);
  }
  return popped;
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers,
                                              bool animated) {
  if (deferWhileSliding([this, controllers, animated] { setViewControllers(controllers, animated); })) return;
  std::shared_ptr<ViewController> outgoing = topViewController();
  for (auto& vc : stack_) {
    if (std::find(controllers.begin(), controllers.end(), vc) == controllers.end() && vc != outgoing) release(*vc);
  }
  std::erase(controllers, nullptr);
  for (auto& vc : controllers) {
    if (vc->parent_ != this) adopt(vc);
  }
  stack_ = std::move(controllers);
  std::shared_ptr<ViewController> incoming = topViewController();
  bool gone = outgoing && std::find(stack_.begin(), stack_.end(), outgoing) == stack_.end();
  if (onScreen_ && incoming != outgoing) {
    if (incoming) incoming->loadViewIfNeeded();
    swap(outgoing, incoming, animated, true);
  } else if (gone) {
    release(*outgoing);
  }
}

void NavigationController::removeChildViewController(ViewController& child) {
  auto it = std::find_if(stack_.begin(), stack_.end(), [&](auto& vc) { return vc.get() == &child; });
  if (it == stack_.end()) return;
  std::shared_ptr<ViewController> keep = *it;
  bool wasTop = keep == stack_.back();
  stack_.erase(it);
  if (wasTop && onScreen_) {
    swap(keep, topViewController(), false, false);
  } else {
    release(*keep);
  }
}

void NavigationController::swap(std::shared_ptr<ViewController> outgoing, std::shared_ptr<ViewController> incoming,
                                bool animated, bool forward) {
  if (outgoing) outgoing->sendViewWillDisappear(animated);
  if (incoming) {
    incoming->sendViewWillAppear(animated);
    install(*incoming);
  }
  auto finish = [this, outgoing, incoming, animated] {
    if (outgoing && outgoing->isViewLoaded() && outgoing != topViewController()) {
      outgoing->view()->removeFromSuperview();
    }
    if (outgoing) outgoing->sendViewDidDisappear(animated);
    if (outgoing && std::find(stack_.begin(), stack_.end(), outgoing) == stack_.end()) release(*outgoing);
    if (incoming) incoming->sendViewDidAppear(animated);
    runDeferred();
  };
  if (!animated || !outgoing || !incoming) {
    finish();
    return;
  }
  // The new screen slides in from the right over the old one on a push; on a pop the old one slides
  // away to the right, uncovering the new.
  sliding_ = true;
  Rect bounds = view()->bounds();
  auto inView = incoming->view();
  auto outView = outgoing->view();
  if (!forward) view()->bringSubviewToFront(outView.get());
  View::performWithoutAnimation([&] {
    inView->setFrame(forward ? bounds.offsetBy(bounds.width(), 0) : bounds.offsetBy(-bounds.width() / 3, 0));
  });
  std::weak_ptr<runtime::Object> weak = weak_from_this();
  View::animate(
      kTransitionDuration, 0, AnimationOptionNone,
      [&] {
        inView->setFrame(bounds);
        outView->setFrame(forward ? bounds.offsetBy(-bounds.width() / 3, 0) : bounds.offsetBy(bounds.width(), 0));
      },
      [weak, this, finish, outView, bounds](bool) {
        if (weak.expired()) return;
        sliding_ = false;
        View::performWithoutAnimation([&] { outView->setFrame(bounds); });
        finish();
      });
}

void NavigationController::viewWillAppear(bool animated) {
  onScreen_ = true;
  if (auto top = topViewController()) {
    top->sendViewWillAppear(animated);
    install(*top);
  }
}

void NavigationController::viewDidAppear(bool animated) {
  if (auto top = topViewController()) top->sendViewDidAppear(animated);
}

void NavigationController::viewWillDisappear(bool animated) {
  if (auto top = topViewController()) top->sendViewWillDisappear(animated);
}

void NavigationController::viewDidDisappear(bool animated) {
  onScreen_ = false;
  if (auto top = topViewController()) top->sendViewDidDisappear(animated);
}

// Every screen of the stack is told; those covered keep it until they are shown again.
void NavigationController::traitCollectionDidChange(const TraitCollection& previous) {
  for (auto& vc : std::vector<std::shared_ptr<ViewController>>(stack_)) {
    vc->windowStyleChanged(previous.userInterfaceStyle);
  }
}

}  // namespace platform::ui
