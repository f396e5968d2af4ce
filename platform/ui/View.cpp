#include "platform/ui/View.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>

#include "platform/graphics/Context.h"
#include "platform/ui/AnimationBlock.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/Responder.h"
#include "platform/ui/Window.h"

namespace platform::ui {

View::View(const Rect& frame) : View(frame, make<Layer>()) {}

View::View(const Rect& frame, std::shared_ptr<Layer> layer) : layer_(layer ? std::move(layer) : make<Layer>()) {
  layer_->setDelegate(this);
  layer_->setFrame(frame);
}

View::~View() {
  layer_->setDelegate(nullptr);
  for (auto& r : recognizers_) r->setView(nullptr);
  for (auto& sub : subviews_) {
    sub->superview_ = nullptr;
    sub->layer_->removeFromSuperlayer();
  }
}

void View::setFrame(const Rect& frame) {
  Size old = bounds().size;
  layer_->setFrame(frame);
  if (bounds().size != old) setNeedsLayout();
}

void View::setBounds(const Rect& b) {
  Size old = bounds().size;
  layer_->setBounds(b);
  if (b.size != old) setNeedsLayout();
}

// --- coordinates ---

const View* View::root() const {
  const View* v = this;
  while (v->superview_) v = v->superview_;
  return v;
}

AffineTransform View::toRoot() const {
  AffineTransform t;
  for (const View* v = this; v->superview_; v = v->superview_) t = t.concat(v->layer_->toSuperlayer());
  return t;
}

Point View::convertPointTo(Point p, const View* to) const {
  Point inRoot = toRoot().apply(p);
  return to ? to->toRoot().inverted().apply(inRoot) : inRoot;
}

Point View::convertPointFrom(Point p, const View* from) const {
  Point inRoot = from ? from->toRoot().apply(p) : p;
  return toRoot().inverted().apply(inRoot);
}

Rect View::convertRectTo(const Rect& r, const View* to) const {
  AffineTransform t = toRoot();
  if (to) t = t.concat(to->toRoot().inverted());
  return t.apply(r);
}

Rect View::convertRectFrom(const Rect& r, const View* from) const {
  AffineTransform t = from ? from->toRoot() : AffineTransform{};
  return t.concat(toRoot().inverted()).apply(r);
}

// --- the tree ---

Window* View::window() const { return dynamic_cast<Window*>(const_cast<View*>(root())); }

bool View::isDescendantOf(const View* ancestor) const {
  for (const View* v = this; v; v = v->superview_) {
    if (v == ancestor) return true;
  }
  return false;
}

void View::addSubview(const std::shared_ptr<View>& view) { insertSubview(view, subviews_.size()); }

void View::insertSubview(const std::shared_ptr<View>& view, size_t index) {
  // A view cannot hold itself or one of its ancestors.
  if (!view || isDescendantOf(view.get())) return;
  std::shared_ptr<View> keep = view;
  if (keep->superview_ == this) {
    auto it = std::find(subviews_.begin(), subviews_.end(), keep);
    size_t at = static_cast<size_t>(it - subviews_.begin());
    subviews_.erase(it);
    if (index > at) --index;
    placeSubview(keep, index);
    return;
  }
  Window* oldWindow = keep->window();
  Window* newWindow = window();
  keep->willMoveToSuperview(this);
  if (oldWindow != newWindow) keep->announceWindow(oldWindow, newWindow, true);
  keep->detachFromSuperview();
  keep->superview_ = this;
  placeSubview(keep, index);
  keep->didMoveToSuperview();
  if (oldWindow != newWindow) keep->announceWindow(oldWindow, newWindow, false);
  didAddSubview(keep.get());
  if (!keep->tint_) keep->announceTint();
}

void View::placeSubview(const std::shared_ptr<View>& view, size_t index) {
  index = std::min(index, subviews_.size());
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
  // The layer goes just below the layer of the next subview, or on top of everything.
  if (index + 1 < subviews_.size()) {
    layer_->insertSublayerBelow(view->layer_, subviews_[index + 1]->layer_.get());
  } else {
    layer_->addSublayer(view->layer_);
  }
}

void View::insertSubviewBelow(const std::shared_ptr<View>& view, const View* sibling) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& v) { return v.get() == sibling; });
  if (it == subviews_.end()) return addSubview(view);
  insertSubview(view, static_cast<size_t>(it - subviews_.begin()));
}

void View::insertSubviewAbove(const std::shared_ptr<View>& view, const View* sibling) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& v) { return v.get() == sibling; });
  if (it == subviews_.end()) return addSubview(view);
  insertSubview(view, static_cast<size_t>(it - subviews_.begin()) + 1);
}

void View::bringSubviewToFront(const View* view) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& v) { return v.get() == view; });
  if (it != subviews_.end()) insertSubview(*it, subviews_.size());
}

void View::sendSubviewToBack(const View* view) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& v) { return v.get() == view; });
  if (it != subviews_.end()) insertSubview(*it, 0);
}

void View::detachFromSuperview() {
  View* parent = superview_;
  if (!parent) return;
  auto keep = shared_from_this();
  parent->willRemoveSubview(this);
  auto it = std::find(parent->subviews_.begin(), parent->subviews_.end(), keep);
  if (it != parent->subviews_.end()) parent->subviews_.erase(it);
  layer_->removeFromSuperlayer();
  superview_ = nullptr;
}

void View::removeFromSuperview() {
  if (!superview_) return;
  auto keep = shared_from_this();
  Window* oldWindow = window();
  willMoveToSuperview(nullptr);
  if (oldWindow) announceWindow(oldWindow, nullptr, true);
  detachFromSuperview();
  didMoveToSuperview();
  if (oldWindow) announceWindow(oldWindow, nullptr, false);
  if (!tint_) announceTint();
}

void View::announceWindow(Window* oldWindow, Window* newWindow, bool before) {
  if (before && isFirstResponder()) Responder::leaveWindow(*this);
  if (before) {
    willMoveToWindow(newWindow);
  } else {
    didMoveToWindow();
  }
  for (const auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) sub->announceWindow(oldWindow, newWindow, before);
}

View* View::viewWithTag(int64_t tag) {
  if (tag_ == tag) return this;
  for (const auto& sub : subviews_) {
    if (View* found = sub->viewWithTag(tag)) return found;
  }
  return nullptr;
}

// --- look ---

Color View::tintColor() const {
  for (const View* v = this; v; v = v->superview_) {
    if (v->tint_) return *v->tint_;
  }
  return Color::systemBlueColor();
}

void View::setTintColor(std::optional<Color> color) {
  tint_ = color;
  announceTint();
}

void View::announceTint() {
  tintColorDidChange();
  for (const auto& sub : subviews_) {
    if (!sub->tint_) sub->announceTint();
  }
}

EdgeInsets View::safeAreaInsets() const {
  Window* w = window();
  if (!w) return {};
  EdgeInsets s = w->windowSafeAreaInsets();
  Rect mine = convertRectTo(bounds(), nullptr);
  Rect wb = w->bounds();
  auto clampPos = [](double v) { return v > 0 ? v : 0; };
  return {clampPos(wb.minY() + s.top - mine.minY()), clampPos(wb.minX() + s.left - mine.minX()),
          clampPos(mine.maxY() - (wb.maxY() - s.bottom)), clampPos(mine.maxX() - (wb.maxX() - s.right))};
}

// --- layout and drawing ---

void View::layoutIfNeeded() {
  if (needsLayout_) {
    needsLayout_ = false;
    layoutSubviews();
  }
  for (const auto& sub : std::vector<std::shared_ptr<View>>(subviews_)) sub->layoutIfNeeded();
}

void View::sizeToFit() {
  Rect f = frame();
  Size fitted = sizeThatFits(bounds().size);
  setFrame({f.origin, fitted});
}

void View::drawRect(const Rect&) { baseDrawRan_ = true; }

bool View::drawLayer(Layer&, Context& context) {
  baseDrawRan_ = false;
  // The context is current only for this view's drawing, even if drawRect throws.
  struct Current {
    explicit Current(Context* c) { graphics::pushContext(c); }
    ~Current() { graphics::popContext(); }
  } current(&context);
  drawRect(bounds());
  return !baseDrawRan_;
}

bool View::mayDrawLayer(const Layer&) const {
  // Plain views and windows only fill their background, which the layer draws itself.
  return typeid(*this) != typeid(detail::HeapOnly<View>) && typeid(*this) != typeid(detail::HeapOnly<Window>);
}

// --- touches ---

View* View::hitTest(Point p, const Event* event) {
  if (isHidden() || !interactionEnabled_ || alpha() < 0.01) return nullptr;
  if (!pointInside(p, event)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    View* sub = it->get();
    std::optional<Point> inSub = sub->layer_->convertFromSuperlayer(p);
    if (!inSub) continue;  // flattened to nothing: nowhere to touch
    if (View* hit = sub->hitTest(*inSub, event)) return hit;
  }
  return this;
}

void View::touchesBegan(const Touches& touches, const Event* event) {
  if (superview_) superview_->touchesBegan(touches, event);
}

void View::touchesMoved(const Touches& touches, const Event* event) {
  if (superview_) superview_->touchesMoved(touches, event);
}

void View::touchesEnded(const Touches& touches, const Event* event) {
  if (superview_) superview_->touchesEnded(touches, event);
}

void View::touchesCancelled(const Touches& touches, const Event* event) {
  if (superview_) superview_->touchesCancelled(touches, event);
}

void View::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& recognizer) {
  if (!recognizer) return;
  if (std::find(recognizers_.begin(), recognizers_.end(), recognizer) != recognizers_.end()) return;
  // A recogniser belongs to one view at a time.
  if (View* old = recognizer->view()) old->removeGestureRecognizer(recognizer.get());
  recognizers_.push_back(recognizer);
  recognizer->setView(this);
}

void View::removeGestureRecognizer(const GestureRecognizer* recognizer) {
  auto it = std::find_if(recognizers_.begin(), recognizers_.end(), [&](auto& r) { return r.get() == recognizer; });
  if (it == recognizers_.end()) return;
  auto keep = *it;
  recognizers_.erase(it);
  keep->setView(nullptr);
}

std::string View::className() const {
  const char* mangled = typeid(*this).name();
  int status = 0;
  char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && plain ? plain : mangled;
  std::free(plain);
  // make<T>() builds a detail::HeapOnly<T>: the view's class is the T inside.
  if (size_t wrapper = name.find("HeapOnly<"); wrapper != std::string::npos && name.ends_with('>'))
    name = name.substr(wrapper + 9, name.size() - wrapper - 10);
  size_t colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

// --- animation ---

void View::animate(double duration, double delay, unsigned options, const std::function<void()>& changes,
                   std::function<void(bool)> completion) {
  AnimationBlock::Settings settings;
  settings.duration = duration;
  settings.delay = delay;
  settings.options = options;
  AnimationBlock::run(settings, changes, std::move(completion));
}

void View::animate(double duration, const std::function<void()>& changes, std::function<void(bool)> completion) {
  animate(duration, 0, AnimationOptionNone, changes, std::move(completion));
}

void View::animateWithSpring(double duration, double delay, double damping, double velocity, unsigned options,
                             const std::function<void()>& changes, std::function<void(bool)> completion) {
  AnimationBlock::Settings settings;
  settings.duration = duration;
  settings.delay = delay;
  settings.options = options;
  settings.spring = std::pair(damping, velocity);
  AnimationBlock::run(settings, changes, std::move(completion));
}

void View::performWithoutAnimation(const std::function<void()>& changes) {
  AnimationBlock::Settings settings;
  settings.animates = false;
  AnimationBlock::run(settings, changes, nullptr);
}

}  // namespace platform::ui
