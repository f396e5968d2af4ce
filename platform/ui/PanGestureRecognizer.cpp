#include "platform/ui/PanGestureRecognizer.h"

#include <cmath>

#include "platform/ui/View.h"

namespace platform::ui {

namespace {
constexpr double kVelocityWindow = 0.1;
}

Point PanGestureRecognizer::vectorInView(Point v, const View* view) {
  if (!view) return v;
  Point a = view->convertPointFrom({0, 0}, nullptr);
  Point b = view->convertPointFrom(v, nullptr);
  return {b.x - a.x, b.y - a.y};
}

Point PanGestureRecognizer::translationInView(const View* view) const {
  Point c = centroid();
  return vectorInView({c.x - start_.x, c.y - start_.y}, view);
}

void PanGestureRecognizer::setTranslation(Point translation, const View* view) {
  // Map the wanted translation back to window space by inverting the vector mapping.
  Point unit = vectorInView({1, 0}, view);
  Point unitY = vectorInView({0, 1}, view);
  double det = unit.x * unitY.y - unitY.x * unit.y;
  Point w = translation;
  if (det != 0) {
    w = {(translation.x * unitY.y - unitY.x * translation.y) / det,
         (unit.x * translation.y - translation.x * unit.y) / det};
  }
  Point c = centroid();
  start_ = {c.x - w.x, c.y - w.y};
}

Point PanGestureRecognizer::velocityInView(const View* view) const {
  if (samples_.size() < 2) return {0, 0};
  const Sample& last = samples_.back();
  // The oldest sample inside the window, or the one just before it when the window holds only the
  // last: a finger that rested then lifted shows the rest in its speed.
  size_t ref = samples_.size() - 1;
  while (ref > 0 && last.time - samples_[ref - 1].time <= kVelocityWindow) --ref;
  if (ref == samples_.size() - 1) --ref;
  const Sample& first = samples_[ref];
  double dt = last.time - first.time;
  if (dt <= 0) return {0, 0};
  return vectorInView({(last.location.x - first.location.x) / dt, (last.location.y - first.location.y) / dt}, view);
}

void PanGestureRecognizer::addSample(double time) {
  samples_.push_back({time, centroid()});
  while (samples_.size() > 2 && time - samples_[1].time > kVelocityWindow) samples_.pop_front();
}

void PanGestureRecognizer::touchesBegan(const Touches& touches, const Event& event) {
  if (state() == State::Possible && numberOfTouches() == touches.size()) {
    start_ = centroid();
    samples_.clear();
  }
  addSample(event.timestamp());
}

void PanGestureRecognizer::touchesMoved(const Touches&, const Event& event) {
  addSample(event.timestamp());
  if (state() == State::Possible) {
    Point c = centroid();
    if (std::hypot(c.x - start_.x, c.y - start_.y) >= kHysteresis) setState(State::Began);
    return;
  }
  setState(State::Changed);
}

void PanGestureRecognizer::touchesEnded(const Touches& touches, const Event& event) {
  addSample(event.timestamp());
  if (touches.size() < numberOfTouches()) return;  // fingers are still down
  setState(state() == State::Possible ? State::Failed : State::Ended);
}

void PanGestureRecognizer::reset() {
  samples_.clear();
  start_ = {};
}

}  // namespace platform::ui
