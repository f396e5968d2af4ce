#include "platform/ui/Slider.h"

#include <algorithm>

#include "platform/graphics/Context.h"
#include "platform/ui/PanGestureRecognizer.h"

namespace platform::ui {

namespace {
// The thumb is easier to catch than it is large.
constexpr double kThumbSlop = 10;
}  // namespace

Slider::Slider(const Rect& frame) : Control(frame) {}

void Slider::setValue(float value, bool) {
  float v = std::clamp(value, minimum_, maximum_);
  if (v != v) v = minimum_;  // NaN
  if (v == value_) return;
  value_ = v;
  setNeedsDisplay();
}

void Slider::setMinimumValue(float minimum) {
  minimum_ = minimum;
  if (maximum_ < minimum_) maximum_ = minimum_;
  setValue(value_);
  setNeedsDisplay();
}

void Slider::setMaximumValue(float maximum) {
  maximum_ = maximum;
  if (minimum_ > maximum_) minimum_ = maximum_;
  setValue(value_);
  setNeedsDisplay();
}

void Slider::setMinimumTrackTintColor(std::optional<Color> color) {
  minimumTint_ = color;
  setNeedsDisplay();
}

void Slider::setMaximumTrackTintColor(std::optional<Color> color) {
  maximumTint_ = color;
  setNeedsDisplay();
}

void Slider::setThumbTintColor(std::optional<Color> color) {
  thumbTint_ = color;
  setNeedsDisplay();
}

void Slider::setThumbImage(std::shared_ptr<graphics::Image> image, ControlState state) {
  if (image) {
    thumbImages_[static_cast<std::uint32_t>(state)] = std::move(image);
  } else {
    thumbImages_.erase(static_cast<std::uint32_t>(state));
  }
  setNeedsDisplay();
}

std::shared_ptr<graphics::Image> Slider::thumbImageForState(ControlState state) const {
  if (auto it = thumbImages_.find(static_cast<std::uint32_t>(state)); it != thumbImages_.end()) return it->second;
  if (auto it = thumbImages_.find(0); it != thumbImages_.end()) return it->second;
  return nullptr;
}

Size Slider::thumbSize() const {
  if (auto image = currentThumbImage()) return image->size();
  return {kThumbSize, kThumbSize};
}

Rect Slider::trackRect() const {
  Rect b = bounds();
  return {b.minX(), b.midY() - kTrackHeight / 2, b.width(), kTrackHeight};
}

Rect Slider::thumbRect() const {
  Rect track = trackRect();
  Size thumb = thumbSize();
  double span = std::max(0.0, track.width() - thumb.width);
  double range = static_cast<double>(maximum_) - minimum_;
  double fraction = range > 0 ? (static_cast<double>(value_) - minimum_) / range : 0;
  return {track.minX() + span * fraction, bounds().midY() - thumb.height / 2, thumb.width, thumb.height};
}

float Slider::valueAt(double thumbX) const {
  Rect track = trackRect();
  double span = std::max(0.0, track.width() - thumbSize().width);
  double fraction = span > 0 ? std::clamp((thumbX - track.minX()) / span, 0.0, 1.0) : 0;
  return static_cast<float>(minimum_ + fraction * (static_cast<double>(maximum_) - minimum_));
}

bool Slider::beginTracking(const Touch& touch, const Event*) {
  Point p = touch.locationInView(this);
  Rect thumb = thumbRect();
  draggingThumb_ = thumb.insetBy(-kThumbSlop, -kThumbSlop).contains(p);
  grabOffset_ = p.x - thumb.minX();
  valueAtStart_ = value_;
  return draggingThumb_;
}

bool Slider::continueTracking(const Touch& touch, const Event*) {
  float before = value_;
  setValue(valueAt(touch.locationInView(this).x - grabOffset_));
  if (continuous_ && value_ != before) sendActionsForControlEvents(ControlEvent::ValueChanged);
  return true;
}

void Slider::endTracking(const Touch&, const Event*) {
  draggingThumb_ = false;
  if (!continuous_ && value_ != valueAtStart_) sendActionsForControlEvents(ControlEvent::ValueChanged);
}

bool Slider::allowsRecognizerToTakeTouch(const GestureRecognizer& recognizer) const {
  if (draggingThumb_ && isTracking() && dynamic_cast<const PanGestureRecognizer*>(&recognizer) &&
      recognizer.view() != this) {
    return false;
  }
  return Control::allowsRecognizerToTakeTouch(recognizer);
}

void Slider::drawRect(const Rect&) {
  Context* c = graphics::currentContext();
  if (!c) return;
  Rect track = trackRect();
  Rect thumb = thumbRect();
  double split = thumb.midX();
  c->setFillColor(minimumTrackTintColor());
  c->fillRect({track.minX(), track.minY(), std::max(0.0, split - track.minX()), track.height()});
  c->setFillColor(maximumTrackTintColor());
  c->fillRect({split, track.minY(), std::max(0.0, track.maxX() - split), track.height()});
  if (auto image = currentThumbImage()) {
    c->drawImage(*image, thumb);
    return;
  }
  c->setFillColor(Color::withWhite(0, 0.15));
  c->fillEllipse(thumb.offsetBy(0, 1));
  c->setFillColor(thumbTintColor());
  c->fillEllipse(thumb);
}

}  // namespace platform::ui
