#include "app/model/QuorvelPackage.h"

#include <limits>

#include "app/model/DisplayNumbers.h"
#include "app/model/NumericText.h"

using app::model::DisplayNumbers;
using app::model::NumericText;

namespace {

constexpr float kNotANumber = std::numeric_limits<float>::quiet_NaN();

struct RatioParts {
  float first = kNotANumber;
  float second = kNotANumber;
};

// "a:b" read leniently; a text without ":" has no second part, so every ratio made from it is not a
// number and the arithmetic below treats it as uncropped.
RatioParts splitRatio(std::string_view ratio) {
  size_t colon = ratio.find(':');
  if (colon == std::string_view::npos) return {};
  std::string_view rest = ratio.substr(colon + 1);
  return {NumericText::floatValue(ratio.substr(0, colon)), NumericText::floatValue(rest.substr(0, rest.find(':')))};
}

std::string perOne(float value) { return DisplayNumbers::ratio(value) + ":1"; }

// The format as the lens sees it: a spherical adapter (booster, converter) scales it, an anamorphic one
// leaves it and acts through the total factor instead.
float adaptedWidth(const QuorvelPackage& p) {
  return p.isAdapterSpherical() ? p.modeWidth() * (1.0f / p.adapterWidth()) : p.modeWidth();
}

float adaptedHeight(const QuorvelPackage& p) {
  return p.isAdapterSpherical() ? p.modeHeight() * (1.0f / p.adapterHeight()) : p.modeHeight();
}

}  // namespace

float QuorvelPackage::aspectRatioString2Value(std::string_view ratio) {
  RatioParts parts = splitRatio(ratio);
  return parts.first / parts.second;
}

bool QuorvelPackage::isCropped() const { return NumericText::contains(formatType, "crop"); }

float QuorvelPackage::getTotalAnamorphicFactor() const {
  if (isAdapterSpherical()) return lensSqueeze();
  return lensSqueeze() * (1.0f / adapterWidth());
}

float QuorvelPackage::getAspectValueWithAnaBeforeCrop() const {
  return (modeWidth() / modeHeight()) * getTotalAnamorphicFactor();
}

float QuorvelPackage::getFinalSimulationFormatWidth() const {
  float t = getTotalAnamorphicFactor();
  if (isCropped()) {
    float r = aspectRatioString2Value(cropAspectRatio);
    if (r < getAspectValueWithAnaBeforeCrop()) return adaptedHeight(*this) * r;
  }
  return adaptedWidth(*this) * t;
}

float QuorvelPackage::getFinalSimulationFormatHeight() const {
  if (isCropped()) {
    float r = aspectRatioString2Value(cropAspectRatio);
    if (r > getAspectValueWithAnaBeforeCrop()) return (adaptedWidth(*this) * getTotalAnamorphicFactor()) / r;
  }
  return adaptedHeight(*this);
}

float QuorvelPackage::getFinalAspectRatioValue() const {
  return getFinalSimulationFormatWidth() / getFinalSimulationFormatHeight();
}

float QuorvelPackage::getExtractionSensorWidth() const {
  float width = getFinalSimulationFormatWidth() / getTotalAnamorphicFactor();
  if (isAdapterSpherical()) width = width / (1.0f / adapterWidth());
  return width;
}

float QuorvelPackage::getExtractionSensorHeight() const {
  return getFinalSimulationFormatHeight() / (1.0f / adapterHeight());
}

std::string QuorvelPackage::getExtractionSensorAspectRatioWithoutAna() const {
  return perOne(getExtractionSensorWidth() / getExtractionSensorHeight());
}

std::string QuorvelPackage::getSensorAspectRatio() const {
  RatioParts parts = splitRatio(shootingMode ? std::string_view(shootingMode->aspectRatio) : std::string_view());
  return perOne((parts.first / modeSqueeze()) / parts.second);
}

std::string QuorvelPackage::getNativeAspectRatioIncludingAnamorphic() const {
  if (modeSqueeze() == lensSqueeze() && isAdapterSpherical()) {
    return shootingMode ? shootingMode->aspectRatio : std::string();
  }
  RatioParts parts = splitRatio(shootingMode ? std::string_view(shootingMode->aspectRatio) : std::string_view());
  return perOne(((parts.first / modeSqueeze()) * getTotalAnamorphicFactor()) / parts.second);
}

std::string QuorvelPackage::getFinalAspectRatio() const {
  if (cropID != 1) return cropAspectRatio;
  if (modeSqueeze() == getTotalAnamorphicFactor()) return shootingMode ? shootingMode->aspectRatio : std::string();
  return getNativeAspectRatioIncludingAnamorphic();
}
