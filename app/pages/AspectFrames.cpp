#include "app/pages/AspectFrames.h"

#include <cmath>

namespace app::pages {

float AspectFrames::roundedRatio(float width, float height) { return std::round(width / height * 100.0f) / 100.0f; }

std::optional<AspectFrames> AspectFrames::make(float widthOne, float heightOne, float widthTwo, float heightTwo,
                                               int lensMatchType) {
  float one = roundedRatio(widthOne, heightOne);
  float two = roundedRatio(widthTwo, heightTwo);
  if (!std::isfinite(one) || !std::isfinite(two) || one <= 0 || two <= 0) return std::nullopt;
  Frame packageOne{widthOne, heightOne, Border::PackageOne};
  Frame packageTwo{widthTwo, heightTwo, Border::PackageTwo};
  AspectFrames frames;
  if (one == two) {
    frames.match = {widthOne, heightOne, Border::Clear};
    frames.illustration = {widthTwo, heightTwo, Border::PackageOne};
    frames.dashed = true;
    return frames;
  }
  bool oneOutside = (one > two && lensMatchType == 0) || (one < two && lensMatchType == 1);
  bool twoOutside = (one < two && lensMatchType == 0) || (one > two && lensMatchType == 1);
  if (oneOutside) {
    frames.match = packageOne;
    frames.illustration = {widthTwo, heightTwo, Border::PackageTwo};
  } else if (twoOutside) {
    frames.match = packageTwo;
    frames.illustration = packageOne;
  } else {
    return std::nullopt;
  }
  return frames;
}

}  // namespace app::pages

