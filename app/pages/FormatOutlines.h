#pragma once

#include <optional>
#include <vector>

#include "app/model/CameraPackage.h"
#include "platform/graphics/Geometry.h"

namespace app::pages {

// The outlines of a package's recording area and, for a cropped package, its extraction, drawn at a common
// scale (points per millimetre) and centred in a view.
class FormatOutlines {
 public:
  struct Outline {
    platform::graphics::Rect rect;
    double alpha = 1;
  };

  // The outlines are drawn this far inside the view's edges.
  static constexpr double kMargin = 4;
  static constexpr double kLineWidth = 2;

  // A length that can be drawn: a number above zero.
  static bool isSize(float value);

  // A package shows its extraction only when a crop is chosen. Crop ids below 1 do not name a crop.
  static bool hasExtraction(const model::CameraPackage& package) { return package.cropID >= 2; }

  // The largest scale at which both recording areas fit the view less its margin. An area of no size
  // takes no part, so the other is still drawn; none when neither has a size, or the view has none.
  static std::optional<float> commonScale(platform::graphics::Size view, float widthOne, float heightOne,
                                          float widthTwo, float heightTwo);

  // For a cropped package the extraction at full opacity, then the recording area at half; otherwise
  // the recording area alone at full opacity. Nothing for a package whose recording area has no size.
  static std::vector<Outline> outlines(const model::CameraPackage& package, float scale, platform::graphics::Size view);

  // A rectangle of `size` centred in a view of `view` size.
  static platform::graphics::Rect centred(platform::graphics::Size size, platform::graphics::Size view);
};

}  // namespace app::pages

