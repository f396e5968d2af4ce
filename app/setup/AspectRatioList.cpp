#include "app/setup/AspectRatioList.h"

#include <cmath>

#include "app/model/DisplayNumbers.h"
#include "app/model/NumericText.h"
#include "app/setup/SetupText.h"
#include "platform/foundation/Format.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::setup {

namespace {

constexpr double kSameRatio = 0.0025;

std::string squeezedLabel(const model::CameraPackage& package) {
  const std::string factor = app::model::DisplayNumbers::ratio(package.getTotalAnamorphicFactor());
  return platform::foundation::format(localized("Native Aspect Ratio @ %@x ANA"), factor);
}

}  // namespace

std::vector<model::Crop> AspectRatioList::offered(const std::vector<model::Crop>& crops, const model::CameraPackage& package) {
  const double native = package.getAspectValueWithAnaBeforeCrop();
  const std::string nativeText = package.getNativeAspectRatioIncludingAnamorphic();
  std::vector<model::Crop> kept;
  for (const auto& crop : crops) {
    if (std::fabs(static_cast<double>(crop.sortValue) - native) > kSameRatio && crop.aspectRatio != nativeText) {
      kept.push_back(crop);
    }
  }
  return kept;
}

float AspectRatioList::nativeValue(const model::CameraPackage& package) {
  return package.modeWidth() / package.modeHeight() * package.lensSqueeze();
}

std::optional<size_t> AspectRatioList::placeNativeRow(std::vector<model::Crop>& crops, float nativeValue) {
  size_t native = 0;
  while (native < crops.size() && crops[native].cropID != kNativeCropId) ++native;
  if (native == crops.size()) return std::nullopt;
  if (crops.size() < 2) return native;
  const model::Crop row = crops[native];
  crops.erase(crops.begin() + static_cast<std::ptrdiff_t>(native));
  size_t position = crops.size();
  for (size_t i = 0; i < crops.size(); ++i) {
    // A row equal to the native value stays before the native row.
    if (crops[i].value > nativeValue) {
      position = i;
      break;
    }
  }
  crops.insert(crops.begin() + static_cast<std::ptrdiff_t>(position), row);
  return position;
}

AspectRatioList::NativeTexts AspectRatioList::nativeTexts(const model::CameraPackage& package) {
  const float mode = package.modeSqueeze(), lens = package.lensSqueeze();
  const float adapterWidth = package.adapterWidth(), adapterHeight = package.adapterHeight();
  const std::string native = dotted(package.getNativeAspectRatioIncludingAnamorphic());
  const std::string modeRatio = package.shootingMode ? package.shootingMode->aspectRatio : std::string();
  if ((mode == lens || mode != 1.0f) && adapterWidth == adapterHeight) return {native, localized("Native Aspect Ratio")};
  NativeTexts texts{platform::foundation::format("%@ → %@", modeRatio, native), squeezedLabel(package)};
  if (adapterWidth != adapterHeight && lens == 1.0f) {
    if (1.0f / adapterWidth == mode) return {native, localized("Native Aspect Ratio")};
    texts.ratio = platform::foundation::format("%@ → %@", package.getSensorAspectRatio(), native);
  }
  return texts;
}

}  // namespace app::setup

