#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/model/Crop.h"
#include "app/model/CameraPackage.h"

namespace app::setup {

// The aspect-ratio page of the camera picker: which catalogue ratios it offers for the edited
// package, where the native row (crop 1) stands among them, and what the native row says.
class AspectRatioList {
 public:
  static constexpr int kNativeCropId = 1;

  // The rows that differ from the package's native ratio: a row whose sort value lies within 0.0025 of
  // the native value (with the squeeze of lenses and adapter), or whose text equals the native text,
  // is the native ratio again and left out. The order is kept.
  static std::vector<model::Crop> offered(const std::vector<model::Crop>& crops, const model::CameraPackage& package);

  // Moves the native row to just before the first other row whose value is above `nativeValue` (to
  // the end when none is), so the ratios read in order around it, and answers its new index. Without a
  // native row nothing moves and there is no index; with one row it stays where it is.
  static std::optional<size_t> placeNativeRow(std::vector<model::Crop>& crops, float nativeValue);
  // The value the native row is placed by: the mode's width over height times the lens squeeze.
  static float nativeValue(const model::CameraPackage& package);

  struct NativeTexts {
    std::string ratio;  // "1.44:1", or "1.33:1 → 2.66:1" when lenses or adapter squeeze the image
    std::string label;  // "Native Aspect Ratio", or "Native Aspect Ratio @ 2x ANA"
  };
  static NativeTexts nativeTexts(const model::CameraPackage& package);
};

}  // namespace app::setup

