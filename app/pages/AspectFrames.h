#pragma once

#include <optional>

namespace app::pages {

// Which package's format the lens-match page draws in each of its two rectangles. The two share their
// width when matching horizontally and their height when matching vertically, so the rectangle of the
// wider format (horizontal) or the narrower one (vertical), `match`, lies inside the other,
// `illustration`.
struct AspectFrames {
  enum class Border { PackageOne, PackageTwo, Clear };
  struct Frame {
    float width = 0;  // an aspect ratio as width and height
    float height = 0;
    Border border = Border::Clear;
  };

  Frame match;
  Frame illustration;
  // Both formats round to the same ratio: the inner frame has no border of its own but a dashed outline in
  // package two's colour over package one's frame.
  bool dashed = false;

  // Ratios to two decimals, halves away from zero, as the page compares them.
  static float roundedRatio(float width, float height);
  // None when the rectangles stay as they are: a match type other than 0 (horizontal) or 1 (vertical)
  // with different ratios, or a format without size, whose ratio no frame can take.
  static std::optional<AspectFrames> make(float widthOne, float heightOne, float widthTwo, float heightTwo,
                                          int lensMatchType);
};

}  // namespace app::pages

