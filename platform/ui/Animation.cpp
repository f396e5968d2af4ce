#include "platform/ui/Animation.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/Clock.h"
#include "platform/graphics/Context.h"
#include "platform/ui/Layer.h"
#include "platform/ui/ShownValues.h"

namespace platform::ui {
namespace {

// Points of the cubic curve from (0,0) to (1,1) with control points (x1,y1) and (x2,y2).
double bezier(double a, double b, double s) {
  return 3 * a * s * (1 - s) * (1 - s) + 3 * b * s * s * (1 - s) + s * s * s;
}

double cubicTiming(double x1, double y1, double x2, double y2, double x) {
  double lo = 0, hi = 1;
  for (int i = 0; i < 40; ++i) {  // x(s) rises monotonically for the platform's curves
    double mid = (lo + hi) / 2;
    (bezier(x1, x2, mid) < x ? lo : hi) = mid;
  }
  return bezier(y1, y2, (lo + hi) / 2);
}

// Layers' pictures for transitions are taken at the screens' scale.
constexpr double kSnapshotScale = 2;

void announceStop(const std::shared_ptr<Animation>& animation, bool finished) {
  if (animation->didStop) animation->didStop(finished);
}

}  // namespace

double applyTiming(TimingFunction timing, double f) {
  f = std::clamp(f, 0.0, 1.0);
  switch (timing) {
    case TimingFunction::Linear: return f;
    case TimingFunction::EaseIn: return cubicTiming(0.42, 0, 1, 1, f);
    case TimingFunction::EaseOut: return cubicTiming(0, 0, 0.58, 1, f);
    case TimingFunction::EaseInEaseOut: return cubicTiming(0.42, 0, 0.58, 1, f);
    case TimingFunction::Default: return cubicTiming(0.25, 0.1, 0.25, 1, f);
  }
  return f;
}

double Animation::progressAt(double now) const {
  if (now <= beginTime) return 0;
  if (!(duration > 0) || now >= endTime()) return 1;
  return applyTiming(timing, (now - beginTime) / duration);
}

double SpringAnimation::progressAt(double now) const {
  if (now <= beginTime) return 0;
  if (!(duration > 0) || now >= endTime()) return 1;
  // A unit spring tuned so that its swing has died down to a thousandth by the end.
  double t = now - beginTime;
  double zeta = std::max(dampingRatio, 0.01);
  double omega = std::log(1000.0) / (std::min(zeta, 1.0) * duration);
  double v0 = initialVelocity;
  if (zeta >= 1) return 1 - std::exp(-omega * t) * (1 + (omega - v0) * t);
  double wd = omega * std::sqrt(1 - zeta * zeta);
  double decay = std::exp(-zeta * omega * t);
  return 1 - decay * (std::cos(wd * t) + (zeta * omega - v0) / wd * std::sin(wd * t));
}

Transition::Placement Transition::placementAt(double progress, graphics::Size size) const {
  graphics::Point from;  // where the incoming content starts
  switch (subtype) {
    case TransitionSubtype::FromRight: from = {size.width, 0}; break;
    case TransitionSubtype::FromLeft: from = {-size.width, 0}; break;
    case TransitionSubtype::FromTop: from = {0, -size.height}; break;
    case TransitionSubtype::FromBottom: from = {0, size.height}; break;
  }
  double rest = 1 - progress;
  Placement p;
  switch (type) {
    case TransitionType::Push:
      p.incoming = {from.x * rest, from.y * rest};
      p.outgoing = {-from.x * progress, -from.y * progress};
      break;
    case TransitionType::MoveIn: p.incoming = {from.x * rest, from.y * rest}; break;
    case TransitionType::Reveal:
      p.outgoing = {-from.x * progress, -from.y * progress};
      p.outgoingOnTop = true;
      break;
    case TransitionType::Fade:
      p.outgoingAlpha = rest;
      p.outgoingOnTop = true;
      break;
  }
  return p;
}

// --- the layer's side ---

void Layer::addAnimation(std::shared_ptr<Animation> animation, const std::string& givenKey) {
  if (!animation) return;
  auto* transition = dynamic_cast<Transition*>(animation.get());
  std::string key = transition ? kTransitionKey : givenKey;
  double now = foundation::Clock::current()->monotonic();
  if (animation->beginTime <= 0) animation->beginTime = now;
  if (auto* basic = dynamic_cast<BasicAnimation*>(animation.get())) {
    if (!basic->fromValue) basic->fromValue = animatableValue(basic->keyPath);
    if (!basic->toValue) basic->toValue = animatableValue(basic->keyPath);
  }
  if (transition) {
    // The look before the change, as it is on screen now.
    if (auto bitmap = graphics::BitmapContext::create(bounds_.size, kSnapshotScale)) {
      bitmap->translate(-bounds_.origin.x, -bounds_.origin.y);
      renderInContext(*bitmap, kSnapshotScale);
      transition->outgoing = graphics::BitmapContext::finish(std::move(bitmap));
    }
  }
  removeAnimation(key);
  animation->running_ = true;
  animations_.emplace_back(key, animation);
  std::weak_ptr<Layer> weak = weak_from_this();
  dispatch::Queue::main()->after(animation->endTime() - now, [weak, key, animation] {
    if (!animation->running_) return;  // removed meanwhile
    if (auto layer = weak.lock()) {
      auto& list = layer->animations_;
      std::erase_if(list, [&](auto& entry) { return entry.second == animation; });
    }
    animation->running_ = false;
    announceStop(animation, true);
  });
}

void Layer::removeAnimation(const std::string& key) {
  auto it = std::find_if(animations_.begin(), animations_.end(), [&](auto& e) { return e.first == key; });
  if (it == animations_.end()) return;
  std::shared_ptr<Animation> gone = it->second;
  animations_.erase(it);
  gone->running_ = false;
  dispatch::Queue::main()->async([gone] { announceStop(gone, false); });
}

void Layer::removeAllAnimations() {
  for (const std::string& key : animationKeys()) removeAnimation(key);
}

std::shared_ptr<Animation> Layer::animationForKey(const std::string& key) const {
  for (const auto& [k, a] : animations_) {
    if (k == key) return a;
  }
  return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
  std::vector<std::string> keys;
  for (const auto& entry : animations_) keys.push_back(entry.first);
  return keys;
}

std::optional<AnimatableValue> Layer::animatableValue(const std::string& key) const {
  if (key == "position") return position_;
  if (key == "bounds") return bounds_;
  if (key == "transform") return transform_;
  if (key == "opacity") return opacity_;
  if (key == "backgroundColor") return background_.value_or(Color::clearColor());
  if (key == "borderColor") return borderColor_;
  if (key == "borderWidth") return borderWidth_;
  if (key == "cornerRadius") return cornerRadius_;
  return std::nullopt;
}

void Layer::setShownValue(const std::string& key, const AnimatableValue& value) {
  if (auto* p = std::get_if<Point>(&value); p && key == "position") position_ = *p;
  if (auto* r = std::get_if<Rect>(&value); r && key == "bounds") bounds_ = *r;
  if (auto* t = std::get_if<AffineTransform>(&value); t && key == "transform") transform_ = *t;
  if (auto* c = std::get_if<Color>(&value)) {
    if (key == "backgroundColor") background_ = *c;
    if (key == "borderColor") borderColor_ = *c;
  }
  if (auto* d = std::get_if<double>(&value)) {
    if (key == "opacity") opacity_ = std::clamp(*d, 0.0, 1.0);
    if (key == "borderWidth") borderWidth_ = std::max(*d, 0.0);
    if (key == "cornerRadius") cornerRadius_ = std::max(*d, 0.0);
  }
}

// --- drawing what is on show ---

ShownValues::ShownValues(Layer& layer) : layer_(layer) {
  if (layer.animations_.empty()) return;
  now_ = foundation::Clock::current()->monotonic();
  for (const auto& [key, animation] : layer.animations_) {
    if (auto transition = std::dynamic_pointer_cast<Transition>(animation)) {
      transition_ = transition;
      continue;
    }
    auto* basic = dynamic_cast<BasicAnimation*>(animation.get());
    if (!basic || !basic->fromValue || !basic->toValue) continue;
    std::optional<AnimatableValue> model = layer.animatableValue(basic->keyPath);
    if (!model) continue;
    saved_.emplace_back(basic->keyPath, *model);
    layer.setShownValue(basic->keyPath, interpolate(*basic->fromValue, *basic->toValue, basic->progressAt(now_)));
  }
}

ShownValues::~ShownValues() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) layer_.setShownValue(it->first, it->second);
}

void ShownValues::drawWithTransition(Context& context, const std::function<void()>& draw) {
  double progress = transition_ ? transition_->progressAt(now_) : 1;
  if (!transition_ || !transition_->outgoing || progress >= 1) {
    draw();
    return;
  }
  Rect bounds = layer_.bounds();
  Transition::Placement place = transition_->placementAt(progress, bounds.size);
  auto drawOutgoing = [&] {
    cairo_t* cr = context.cairo();
    context.saveGState();
    context.translate(place.outgoing.x, place.outgoing.y);
    cairo_push_group(cr);
    context.drawImage(*transition_->outgoing, bounds);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, std::clamp(place.outgoingAlpha, 0.0, 1.0));
    context.restoreGState();
  };
  if (!place.outgoingOnTop) drawOutgoing();
  context.saveGState();
  context.translate(place.incoming.x, place.incoming.y);
  draw();
  context.restoreGState();
  if (place.outgoingOnTop) drawOutgoing();
}

}  // namespace platform::ui
