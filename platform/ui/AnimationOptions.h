#pragma once

// Kept apart from Animation.h so that View.h, which every view includes, need not pull in the
// animation machinery for a handful of constants.

namespace platform::ui {

// Options of View::animate: the curve the changes follow (ease-in-out when none is given).
enum AnimationOptions : unsigned {
  AnimationOptionNone = 0,
  AnimationOptionCurveEaseInOut = 0,
  AnimationOptionCurveEaseIn = 1u << 16,
  AnimationOptionCurveEaseOut = 2u << 16,
  AnimationOptionCurveLinear = 3u << 16,
};

}  // namespace platform::ui
