#include "app/pages/FormatOutlines.h"

#include <cmath>
#include <utility>

namespace app::pages {

using platform::graphics::Rect;
using platform::graphics::Size;

bool FormatOutlines::isSize(float value) { return std::isfinite(value) && value > 0; }

std::optional<float> FormatOutlines::commonScale(Size view, float widthOne, float heightOne, float widthTwo,
                                                 float heightTwo) {
  const float width = static_cast<float>(view.width - kMargin);
  const float height = static_cast<float>(view.height - kMargin);
  if (!isSize(width) || !isSize(height)) return std::nullopt;
  // The first area of a size sets the scale; each later step can only shrink it, so every area that
  // has a size ends up inside. An area of none takes no part: the other is still drawn.
  std::optional<float> scale;
  for (const auto& [areaWidth, areaHeight] : {std::pair{widthOne, heightOne}, std::pair{widthTwo, heightTwo}}) {
    if (!isSize(areaWidth) || !isSize(areaHeight)) continue;
    if (!scale || areaWidth * *scale > width) scale = width / areaWidth;
    if (areaHeight * *scale > height) scale = height / areaHeight;
  }
  return scale;
}

std::vector<FormatOutlines::Outline> FormatOutlines::outlines(const model::CameraPackage& package, float scale,
                                                              Size view) {
  std::vector<Outline> result;
  if (!isSize(scale) || !isSize(package.modeWidth()) || !isSize(package.modeHeight())) return result;
  Size recording(package.modeWidth() * scale, package.modeHeight() * scale);
  if (hasExtraction(package)) {
    Size extraction(package.getExtractionSensorWidth() * scale, package.getExtractionSensorHeight() * scale);
    if (isSize(static_cast<float>(extraction.width)) && isSize(static_cast<float>(extraction.height))) {
      result.push_back({centred(extraction, view), 1});
    }
    result.push_back({centred(recording, view), 0.5});
  } else {
    result.push_back({centred(recording, view), 1});
  }
  return result;
}

Rect FormatOutlines::centred(Size size, Size view) {
  return Rect((view.width - size.width) / 2, (view.height - size.height) / 2, size.width, size.height);
}

}  // namespace app::pages

