#include <algorithm>
#include <optional>
#include <utility>

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/foundation/Clock.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Path.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"

namespace platform::ui {
namespace {

struct Axis {
  double visible;     // length of the bounds along the axis
  double offset;      // where the bounds start along it
  double minOffset;
  double maxOffset;
  double insetStart;  // indicator insets at either end
  double insetEnd;
};

// Start and length of the bar along its axis, in bounds space; nullopt when the content cannot move.
std::optional<std::pair<double, double>> knob(const Axis& a) {
  double range = a.maxOffset - a.minOffset;
  if (range <= 0) return std::nullopt;
  double track = a.visible - a.insetStart - a.insetEnd - 2 * ScrollView::kIndicatorMargin;
  if (track <= 0) return std::nullopt;
  double length = std::clamp(track * a.visible / (a.visible + range), std::min(ScrollView::kIndicatorMinimumLength, track),
                             track);
  double fraction = std::clamp((a.offset - a.minOffset) / range, 0.0, 1.0);
  return std::pair{a.offset + a.insetStart + ScrollView::kIndicatorMargin + fraction * (track - length), length};
}

}  // namespace

bool ScrollView::areScrollIndicatorsVisible() const { return scrollIndicatorAlpha() > 0; }

double ScrollView::scrollIndicatorAlpha() const {
  if (isDragging() || decelerating_ || animating_) return 1;
  double left = indicatorsUntil_ - foundation::Clock::current()->monotonic();
  if (!(left > 0)) return 0;
  return std::min(1.0, left / kIndicatorFade);
}

Rect ScrollView::verticalScrollIndicatorFrame() const {
  Rect b = bounds();
  if (!showsVertical_) return {};
  // Room is left at the bottom for the other bar when both can show.
  bool other = showsHorizontal_ && maximumContentOffset().x > minimumContentOffset().x;
  auto k = knob({b.height(), b.minY(), minimumContentOffset().y, maximumContentOffset().y, indicatorInsets_.top,
                 indicatorInsets_.bottom + (other ? kIndicatorThickness + kIndicatorMargin : 0)});
  if (!k) return {};
  return {b.maxX() - indicatorInsets_.right - kIndicatorMargin - kIndicatorThickness, k->first, kIndicatorThickness,
          k->second};
}

Rect ScrollView::horizontalScrollIndicatorFrame() const {
  Rect b = bounds();
  if (!showsHorizontal_) return {};
  bool other = showsVertical_ && maximumContentOffset().y > minimumContentOffset().y;
  auto k = knob({b.width(), b.minX(), minimumContentOffset().x, maximumContentOffset().x, indicatorInsets_.left,
                 indicatorInsets_.right + (other ? kIndicatorThickness + kIndicatorMargin : 0)});
  if (!k) return {};
  return {k->first, b.maxY() - indicatorInsets_.bottom - kIndicatorMargin - kIndicatorThickness, k->second,
          kIndicatorThickness};
}

void ScrollView::drawLayerOverlay(Layer&, Context& context) {
  double alpha = scrollIndicatorAlpha();
  if (!(alpha > 0)) return;
  // Dark bars on a light screen, light ones on a dark screen, translucent over any content.
  Window* w = window();
  bool dark = w && w->userInterfaceStyle() == UserInterfaceStyle::Dark;
  Color bar = dark ? Color(1, 1, 1, 0.35 * alpha) : Color(0, 0, 0, 0.35 * alpha);
  for (const Rect& r : {verticalScrollIndicatorFrame(), horizontalScrollIndicatorFrame()}) {
    if (r.isEmpty()) continue;
    context.saveGState();
    context.setFillColor(bar);
    context.fillPath(graphics::Path::roundedRect(r, kIndicatorThickness / 2));
    context.restoreGState();
  }
}

void ScrollView::lingerIndicators() {
  indicatorsUntil_ = foundation::Clock::current()->monotonic() + kIndicatorLinger;
  if (indicatorTimer_) indicatorTimer_->invalidate();
  // Nothing to do when it fires; while it is pending a window keeps drawing frames, so the fade is
  // seen, and the frame after it has the bars gone.
  indicatorTimer_ = dispatch::Timer::scheduled(kIndicatorLinger, false, dispatch::Queue::main(), [] {});
}

}  // namespace platform::ui
