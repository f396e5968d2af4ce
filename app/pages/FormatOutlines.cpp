#include "app/pages/FormatOutlines.h"

#include <cmath>

namespace app::pages {

using platform::graphics::Rect;
using platform::graphics::Size;

bool FormatOutlines::isSize(float value) { return std::isfinite(value) && value > 0; }

std::optional<float> FormatOutlines::commonScale(Size view, float widthOne, float heightOne, float widthTwo,
                                                 float heightTwo) {
  float width = static_cast<float>(view.width - kMargin);
  float height = static_cast<float>(view.height - kMargin);
  if (!isSize(width) || !isSize(height)) return std::nullopt;
  if (!isSize(widthOne) || !isSize(heightOne) || !isSize(widthTwo) || !isSize(heightTwo)) return std::nullopt;
  // Each step can only shrink the scale, so both areas end up inside.
  float scale = width / widthOne;
  if (heightOne * scale > height) scale = height / heightOne;
  if (widthTwo * scale > width) scale = width / widthTwo;
  if (heightTwo * scale > height) scale = height / heightTwo;
  return scale;
}

std::vector<FormatOutlines::Outline> FormatOutlines::outlines(const model::CameraPackage& package, float scale,
                                                              Size view) {
  std::vector<Outline> result;
  if (!isSize(scale)) return result;
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

