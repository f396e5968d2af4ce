#pragma once

#include <string>

namespace app::pages {

// The text every page shows for a distance held in metres: metre texts in the metric system (0), feet and
// inches otherwise. Values are narrowed to single precision first, as the labels were laid out for.
// Metres and feet have up to five digits ("99999m", "99999'"), as many as every place a distance is
// printed shows whole; only a farther distance reads in kilometres or miles ("100km", "18.9mi"), and from
// a hundred thousand of them with a power of ten ("1.0e6km"), so that no box holds a figure it would cut.
class DistanceText {
 public:
  static std::string text(double meters, int measurementSystem);
  // A focus distance, or the no-value text for one no lens focuses at.
  static std::string focusText(double meters, int measurementSystem);
};

// What a page shows in place of a number it could not compute (a zero focal length, a zero
// circle-of-confusion factor, a format without size): never an infinity or "nan".
inline constexpr const char* kNoValueText = "–";

}  // namespace app::pages
