#include "app/model/CameraPackage.h"

#include <limits>

#include "app/model/DisplayNumbers.h"
#include "app/model/NumericText.h"

using app::model::DisplayNumbers;
using app::model::NumericText;

namespace app::model {

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
float adaptedWidth(const CameraPackage& p) {
  return p.isAdapterSpherical() ? p.modeWidth() * (1.0f / p.adapterWidth()) : p.modeWidth();
}

float adaptedHeight(const CameraPackage& p) {
  return p.isAdapterSpherical() ? p.modeHeight() * (1.0f / p.adapterHeight()) : p.modeHeight();
}

// --- the package's lens lists and display texts ---

constexpr std::string_view kMiddleDot = " \u00B7 ";

bool isPrimeSeries(const CameraPackage& p) {
  return p.lensManufacturer && NumericText::hasPrefix(p.lensManufacturer->lensType, "Prime");
}

std::string seriesType(const CameraPackage& p) { return p.lensManufacturer ? p.lensManufacturer->lensType : ""; }

// "18 · 25 · 35" for primes, "24 - 290mm" (the last lens's range) for anything else, after `text`.
std::string lensText(const CameraPackage& p, std::string text) {
  if (p.lensSet.empty()) return {};
  if (isPrimeSeries(p)) {
    for (size_t i = 0; i < p.lensSet.size(); ++i) {
      text += DisplayNumbers::focal(p.lensSet[i].focalLength);
      if (i + 1 < p.lensSet.size()) text += kMiddleDot;
    }
    return text;
  }
  const LensObject& last = p.lensSet.back();
  return text + DisplayNumbers::focal(last.focalLength) + " - " + DisplayNumbers::focal(last.focalLengthMax) + "mm";
}

}  // namespace

float CameraPackage::aspectRatioString2Value(std::string_view ratio) {
  RatioParts parts = splitRatio(ratio);
  return parts.first / parts.second;
}

bool CameraPackage::isCropped() const { return NumericText::contains(formatType, "crop"); }

float CameraPackage::getTotalAnamorphicFactor() const {
  if (isAdapterSpherical()) return lensSqueeze();
  return lensSqueeze() * (1.0f / adapterWidth());
}

float CameraPackage::getAspectValueWithAnaBeforeCrop() const {
  return (modeWidth() / modeHeight()) * getTotalAnamorphicFactor();
}

float CameraPackage::getFinalSimulationFormatWidth() const {
  float t = getTotalAnamorphicFactor();
  if (isCropped()) {
    float r = aspectRatioString2Value(cropAspectRatio);
    if (r < getAspectValueWithAnaBeforeCrop()) return adaptedHeight(*this) * r;
  }
  return adaptedWidth(*this) * t;
}

float CameraPackage::getFinalSimulationFormatHeight() const {
  if (isCropped()) {
    float r = aspectRatioString2Value(cropAspectRatio);
    if (r > getAspectValueWithAnaBeforeCrop()) return (adaptedWidth(*this) * getTotalAnamorphicFactor()) / r;
  }
  return adaptedHeight(*this);
}

float CameraPackage::getFinalAspectRatioValue() const {
  return getFinalSimulationFormatWidth() / getFinalSimulationFormatHeight();
}

float CameraPackage::getExtractionSensorWidth() const {
  float width = getFinalSimulationFormatWidth() / getTotalAnamorphicFactor();
  if (isAdapterSpherical()) width = width / (1.0f / adapterWidth());
  return width;
}

float CameraPackage::getExtractionSensorHeight() const {
  return getFinalSimulationFormatHeight() / (1.0f / adapterHeight());
}

std::string CameraPackage::getExtractionSensorAspectRatioWithoutAna() const {
  return perOne(getExtractionSensorWidth() / getExtractionSensorHeight());
}

std::string CameraPackage::getSensorAspectRatio() const {
  RatioParts parts = splitRatio(shootingMode ? std::string_view(shootingMode->aspectRatio) : std::string_view());
  return perOne((parts.first / modeSqueeze()) / parts.second);
}

std::string CameraPackage::getNativeAspectRatioIncludingAnamorphic() const {
  if (modeSqueeze() == lensSqueeze() && isAdapterSpherical()) {
    return shootingMode ? shootingMode->aspectRatio : std::string();
  }
  RatioParts parts = splitRatio(shootingMode ? std::string_view(shootingMode->aspectRatio) : std::string_view());
  return perOne(((parts.first / modeSqueeze()) * getTotalAnamorphicFactor()) / parts.second);
}

std::string CameraPackage::getFinalAspectRatio() const {
  if (cropID != 1) return cropAspectRatio;
  if (modeSqueeze() == getTotalAnamorphicFactor()) return shootingMode ? shootingMode->aspectRatio : std::string();
  return getNativeAspectRatioIncludingAnamorphic();
}

// --- the package's lens lists and display texts ---

std::optional<FreeZoomLensObject> CameraPackage::getFreeZoomLens() const {
  if (!NumericText::contains(seriesType(*this), "Zoom") || lensSet.empty()) return std::nullopt;
  return FreeZoomLensObject(lensSet.front().focalLength, lensSet.front().focalLengthMax);
}

std::optional<std::vector<PrimeLensObject>> CameraPackage::getPrimeLensList() const {
  if (!NumericText::contains(seriesType(*this), "Prime")) return std::nullopt;
  std::vector<PrimeLensObject> primes;
  primes.reserve(lensSet.size());
  for (const LensObject& lens : lensSet) primes.emplace_back(lens.focalLength, true);
  return primes;
}

std::string CameraPackage::getLensString() const { return lensText(*this, {}); }

std::string CameraPackage::getLensStringForPackage() const {
  std::string lead = lensManufacturer ? lensManufacturer->manufacturer + " " + lensManufacturer->series : " ";
  return lensText(*this, lead + "  |  ");
}

std::string CameraPackage::getLensStringForMainView() const {
  std::string series = lensManufacturer ? lensManufacturer->getListString() : " ";
  if (isPrimeSeries(*this) || lensSet.empty()) return series;
  const LensObject& last = lensSet.back();
  return series + "  |  " + DisplayNumbers::focal(last.focalLength) + " - " +
         DisplayNumbers::focal(last.focalLengthMax) + "mm";
}

std::string CameraPackage::getAdapterString() const { return lensAdapter ? lensAdapter->adapterName : ""; }

std::string CameraPackage::getCameraFormatLabelString() const {
  std::string maker = cameraManufacturer ? cameraManufacturer->manufacturer : "";
  std::string model = cameraManufacturer ? cameraManufacturer->model : "";
  std::string ratio = NumericText::replacingAll(getFinalAspectRatio(), ",", ".");
  if (shootingMode && shootingMode->shootingModeNameOrig) {
    return maker + " " + model + "  |  " + shootingMode->shootingMode + "  |   " + ratio;
  }
  return maker + " " + model + "  |  " + ratio;
}

}  // namespace app::model

