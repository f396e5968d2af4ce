// The package's lens lists and display texts.
#include "app/model/DisplayNumbers.h"
#include "app/model/NumericText.h"
#include "app/model/CameraPackage.h"

using app::model::DisplayNumbers;
using app::model::NumericText;

namespace app::model {

namespace {

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

