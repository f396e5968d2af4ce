#include "platform/ui/Touch.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/View.h"

namespace platform::ui {

Touch::Touch(Window* window, int finger, Point location, double timestamp, int tapCount)
    : window_(window), finger_(finger), start_(location), location_(location), previous_(location),
      timestamp_(timestamp), tapCount_(tapCount) {}

void Touch::moveTo(Point location) {
  previous_ = location_;
  location_ = location;
  if (std::hypot(location.x - start_.x, location.y - start_.y) > kTapSlop) isTap_ = false;
}

Point Touch::locationInView(const View* view) const {
  return view ? view->convertPointFrom(location_, nullptr) : location_;
}

Point Touch::previousLocationInView(const View* view) const {
  return view ? view->convertPointFrom(previous_, nullptr) : previous_;
}

Touches Event::touchesForView(const View* view) const {
  Touches out;
  for (const auto& t : all_) {
    View* hit = t->view();
    if (hit && view && hit->isDescendantOf(view)) out.push_back(t);
  }
  return out;
}

Touches Event::touchesForGestureRecognizer(const GestureRecognizer* recognizer) const {
  Touches out;
  for (const auto& t : all_) {
    const auto& rs = t->gestureRecognizers();
    if (std::any_of(rs.begin(), rs.end(), [&](const auto& r) { return r.get() == recognizer; })) out.push_back(t);
  }
  return out;
}

}  // namespace platform::ui
