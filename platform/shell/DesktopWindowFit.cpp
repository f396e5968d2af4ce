#include "platform/shell/DesktopWindowFit.h"

#include <algorithm>
#include <cmath>

namespace platform::shell {
namespace {

// The largest factor by which `inner` still fits in `outer`.
double fittingFactor(graphics::Size inner, graphics::Size outer) {
  if (inner.width <= 0 || inner.height <= 0) return 1;
  return std::max(0.0, std::min(outer.width / inner.width, outer.height / inner.height));
}

}  // namespace

graphics::Size DesktopWindowFit::openingSize(graphics::Size phonePixels, graphics::Size usable) {
  const double factor = std::min(1.0, fittingFactor(phonePixels, usable));
  // Rounded down, so the window and its frame never reach past the usable area.
  return {std::max(1.0, std::floor(phonePixels.width * factor)), std::max(1.0, std::floor(phonePixels.height * factor))};
}

graphics::Rect DesktopWindowFit::screenIn(graphics::Size phonePoints, graphics::Size window) {
  const double factor = fittingFactor(phonePoints, window);
  const graphics::Size shown{phonePoints.width * factor, phonePoints.height * factor};
  return {(window.width - shown.width) / 2, (window.height - shown.height) / 2, shown.width, shown.height};
}

graphics::Point DesktopWindowFit::toPoints(graphics::Point at, graphics::Size phonePoints, graphics::Size window) {
  const graphics::Rect screen = screenIn(phonePoints, window);
  if (screen.isEmpty()) return {};
  const double factor = screen.width() / phonePoints.width;
  return {std::clamp((at.x - screen.minX()) / factor, 0.0, phonePoints.width),
          std::clamp((at.y - screen.minY()) / factor, 0.0, phonePoints.height)};
}

}  // namespace platform::shell
