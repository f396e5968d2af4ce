#pragma once

#include <string>

#include "platform/foundation/Value.h"
#include "platform/ui/View.h"

namespace platform::shell {

// The view tree as data, for checking a screen without looking at pixels. Each view is a dictionary:
//   "class"     the view's class name
//   "frame"     [x, y, width, height] in its superview's space
//   "offset"    [x, y], the bounds origin, only when it is not zero (a scrolled view)
//   "alpha", "hidden"
//   "backgroundColor", "borderColor", "textColor"  "#RRGGBB" or "#RRGGBBAA" when present
//   "text"      what a label or text field shows; "editing": true for a field being edited
//   "contentSize" [width, height] of a scroll view's content
//   "tag"       only when not zero
//   "children"  the subviews in order, only when there are some
// Numbers are rounded to thousandths so a dump does not change with the last bits of a computation.
class ViewTreeDump {
 public:
  static foundation::Value describe(const ui::View& view);
  // describe() as indented JSON with sorted keys.
  static std::string json(const ui::View& view);
  // "#RRGGBB", or "#RRGGBBAA" for a colour that is not opaque.
  static std::string colorText(const graphics::Color& color);
};

}  // namespace platform::shell
