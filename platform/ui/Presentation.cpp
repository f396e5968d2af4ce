#include "platform/log/Log.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/ViewController.h"

namespace platform::ui {
namespace {

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
