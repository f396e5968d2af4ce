#include "platform/ui/Window.h"

#include <mutex>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/SystemFacts.h"
#include "platform/ui/ViewController.h"

namespace platform::ui {
namespace {

UserInterfaceStyle systemStyle() {
  return foundation::SystemFacts::current().darkAppearance ? UserInterfaceStyle::Dark : UserInterfaceStyle::Light;
}

// Views that draw in the system's colours (a rounded text field, a scroll indicator) pick them by the
// appearance, so their kept pictures are out of date once it changes.
void redisplaySubtree(View& view) {
  view.setNeedsDisplay();
  for (const auto& sub : view.subviews()) redisplaySubtree(*sub);
}

struct KeyWindow {
  std::mutex mutex;
  std::weak_ptr<Window> window;
};

KeyWindow& keyWindowSlot() {
  static auto* slot = new KeyWindow;
  return *slot;
}

}  // namespace

const std::vector<Screen>& Screen::all() {
  static const std::vector<Screen> screens{
      {"phone-small", {375, 667}, {20, 0, 0, 0}, 2},
      {"phone", {390, 844}, {47, 0, 34, 0}, 2},
      {"phone-large", {430, 932}, {59, 0, 34, 0}, 2},
      {"tablet", {834, 1194}, {24, 0, 20, 0}, 2},
  };
  return screens;
}

const Screen& Screen::named(const std::string& name) {
  for (const Screen& s : all()) {
    if (s.name == name) return s;
  }
  return all()[1];
}

Window::Window(const Screen& screen) : View(Rect{{0, 0}, screen.size}), screen_(screen), style_(systemStyle()) {}

Window::~Window() = default;

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
  if (controller == root_) return;
  std::shared_ptr<ViewController> old = std::move(root_);
  if (old) {
    if (key_) old->sendViewWillDisappear(false);
    if (old->isViewLoaded()) old->view()->removeFromSuperview();
    old->setWindow(nullptr);
    if (key_) old->sendViewDidDisappear(false);
  }
  root_ = std::move(controller);
  if (!root_) return;
  root_->setWindow(this);
  auto view = root_->view();
  view->setFrame(bounds());
  if (key_) root_->sendViewWillAppear(false);
  addSubview(view);
  if (key_) root_->sendViewDidAppear(false);
}

void Window::makeKeyAndVisible() {
  setHidden(false);
  std::shared_ptr<Window> previous;
  {
    auto& slot = keyWindowSlot();
    std::lock_guard lock(slot.mutex);
    previous = slot.window.lock();
    slot.window = std::static_pointer_cast<Window>(weak_from_this().lock());
  }
  if (previous && previous.get() != this) {
    foundation::NotificationCenter::defaultCenter().post(kWindowDidResignKeyNotification, {}, previous.get());
  }
  if (key_) return;
  key_ = true;
  // The root controller's view comes on screen now.
  if (root_) {
    root_->sendViewWillAppear(false);
    root_->sendViewDidAppear(false);
  }
}

std::shared_ptr<Window> Window::keyWindow() {
  auto& slot = keyWindowSlot();
  std::lock_guard lock(slot.mutex);
  return slot.window.lock();
}

void Window::setUserInterfaceStyle(UserInterfaceStyle style) {
  if (style == style_) return;
  UserInterfaceStyle previous = style_;
  style_ = style;
  redisplaySubtree(*this);
  if (root_) root_->windowStyleChanged(previous);
}

void Window::followSystemAppearance() { setUserInterfaceStyle(systemStyle()); }

void Window::layoutSubviews() {
  if (root_ && root_->isViewLoaded()) root_->view()->setFrame(bounds());
}

}  // namespace platform::ui
