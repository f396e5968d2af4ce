#pragma once

#include "platform/graphics/Geometry.h"

namespace platform::shell {

// How the phone's screen sits on a desktop, as a phone simulator shows it: the window opens as large as
// the display's usable area lets it (never larger than the phone's own pixels), and whatever size the
// person then gives it, the screen is drawn as large as fits, its aspect kept, centred between black
// bars. Sizes are in the desktop's pixels unless they say points.
struct DesktopWindowFit {
  // The window's size at opening for a phone of `phonePixels` on a display whose usable area (less the
  // window's frame) is `usable`.
  static graphics::Size openingSize(graphics::Size phonePixels, graphics::Size usable);
  // Where the screen of `phonePoints` is drawn in a window of `window`.
  static graphics::Rect screenIn(graphics::Size phonePoints, graphics::Size window);
  // The screen's point under window position `at`, held to the screen's edges.
  static graphics::Point toPoints(graphics::Point at, graphics::Size phonePoints, graphics::Size window);
};

}  // namespace platform::shell
