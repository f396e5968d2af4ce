// SetupControllerUtil: a commit rebuilds the edited package from the catalogues and hands it over whole.
#include "app/setup/SetupControllerUtil.h"

#include "app/pages/PageState.h"
#include "app/state/FramesObject.h"
#include "app/storage/connection/CatalogueSession.h"
#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "platform/log/Log.h"

using app::state::PersonsPackage;
using app::storage::OpenCatalogue;

namespace app::setup {

namespace {

constexpr int kNoCrop = storage::PackageUtil::kNoCrop;

void logError(const std::string& message) { platform::log::write(platform::log::Error, message); }

}  // namespace

bool SetupControllerUtil::commit(int formatId, int cropId, int shading, const model::StoredColor& color, unsigned parts) {
  // One connection per catalogue file for the whole rebuild and the save that follows it.
  app::storage::CatalogueSession session;
  model::CameraPackage package;
  if (!loadCamera(package, formatId, cropId)) return false;
  loadLens(package);
  loadFrameguide(package, shading, color);
  loadLensAdapter(package);
  saveChangedPackage(package, parts);
  return true;
}

bool SetupControllerUtil::setNewCameraSetupWithCamera(int, int shootingMode, int crop) {
  return commit(shootingMode, crop, getCurrentFrameGuideShading(), getCurrentFrameGuideColor(), PersonsPackage::kCamera);
}

bool SetupControllerUtil::setNewCameraManufacturer(int, int shootingMode) {
  return commit(shootingMode, kNoCrop, getCurrentFrameGuideShading(), getCurrentFrameGuideColor(), PersonsPackage::kCamera);
}

bool SetupControllerUtil::setNewCameraCrop(int crop) {
  return commit(getCurrentShootingModeID(), crop, getCurrentFrameGuideShading(), getCurrentFrameGuideColor(),
                PersonsPackage::kCamera);
}

bool SetupControllerUtil::setNewLensSetup() { return commitEdited(PersonsPackage::kLenses); }

bool SetupControllerUtil::setNewLensAdapter() { return commitEdited(PersonsPackage::kAdapter); }

bool SetupControllerUtil::commitEdited(unsigned parts) {
  return commit(getCurrentShootingModeID(), getCurrentCropID(), getCurrentFrameGuideShading(), getCurrentFrameGuideColor(),
                parts);
}

bool SetupControllerUtil::setNewFrameGuide(int shading, const model::StoredColor& color) {
  return commit(getCurrentShootingModeID(), getCurrentCropID(), shading, color, PersonsPackage::kFrameGuide);
}

void SetupControllerUtil::setDefaultLensManufacturer() {
  OpenCatalogue<storage::LensDatabaseHelper> lenses;
  if (!lenses) return;
  // Both flags in one commit: a series list with none selected would give the next commit no lenses.
  app::storage::CatalogueDatabase::Transaction transaction(lenses->database());
  if (!transaction.active() || !lenses->deselectManufacturer() || !lenses->selectManufacturer(kDefaultLensSeries) ||
      !transaction.commit()) {
    logError("The default lens series could not be selected");
  }
}

bool SetupControllerUtil::loadCamera(model::CameraPackage& package, int formatId, int cropId) {
  OpenCatalogue<storage::CameraFormatCatalogue> formats;
  if (!formats) return false;
  auto mode = formats->getCameraFormat(formatId);
  if (!mode) {
    logError("The setup is not committed: format " + std::to_string(formatId) + " is not in the catalogue");
    return false;
  }
  auto camera = formats->getCameraManufacturer(mode->manufacturerID);
  if (!camera) {
    logError("The setup is not committed: the camera of format " + std::to_string(formatId) + " is not in the catalogue");
    return false;
  }
  std::optional<model::Crop> crop;
  if (cropId != kNoCrop) {
    crop = formats->getCropForID(cropId);
    // A crop that is gone leaves the format uncropped rather than a crop without a ratio.
    if (!crop) logError("Crop " + std::to_string(cropId) + " is not in the catalogue; the format is used uncropped");
  }
  if (crop) {
    package.cropID = cropId;
    package.cropAspectRatio = crop->aspectRatio;
    package.formatType = "crop";
  } else {
    package.cropID = kNoCrop;
    package.cropAspectRatio.clear();
    package.formatType = "native";
  }
  package.shootingMode = std::move(mode);
  package.cameraManufacturer = std::move(camera);
  return true;
}

void SetupControllerUtil::loadLens(model::CameraPackage& package) {
  OpenCatalogue<storage::LensDatabaseHelper> lenses;
  if (!lenses) return;
  // Flags a refused write left as they were may hold another package's choice: the edited package then
  // keeps its own series, and its own lenses while it keeps that series.
  const auto edited = getCurrentPackage();
  const bool ownSeries = edited && edited->lensManufacturer && lenses->seriesSelectionMayBeStale();
  package.lensManufacturer = ownSeries ? edited->lensManufacturer : lenses->getSelectedLensManufacturer();
  // Without a selected series, or with a series that has no lenses, there is no lens to fall back on:
  // the set stays empty and nothing is written.
  if (!package.lensManufacturer) return;
  const int series = package.lensManufacturer->manufacturerId;
  const bool editedSeries = edited && edited->lensManufacturer && edited->lensManufacturer->manufacturerId == series;
  if (editedSeries && !edited->lensSet.empty() && lenses->lensSelectionMayBeStale()) {
    package.lensSet = edited->lensSet;
    return;
  }
  package.lensSet = lenses->getSelectedLenses4Manufacturer(series);
  if (!package.lensSet.empty()) return;
  auto all = lenses->getAllLensesForManufacturer(series);
  if (all.empty()) return;
  model::LensObject shortest = all.front();
  shortest.selected = 1;
  if (!lenses->selectLens(shortest)) logError("The series' shortest lens could not be selected");
  package.lensSet = lenses->getSelectedLenses4Manufacturer(series);
  if (package.lensSet.empty()) package.lensSet.push_back(std::move(shortest));
}

void SetupControllerUtil::loadFrameguide(model::CameraPackage& package, int shading, const model::StoredColor& color) {
  OpenCatalogue<storage::FrameGuideCatalogue> guides;
  model::FrameGuide guide;
  const auto edited = getCurrentPackage();
  if (guides && edited && edited->frameGuide && guides->selectionMayBeStale()) {
    guide = *edited->frameGuide;
  } else if (guides) {
    guide = guides->getSelectedFrameGuide();
    // None selected is no frame guide, which is guide 1; a guide 0 would make the package unloadable.
    if (guide.frameGuideId == 0) {
      guide = guides->getFrameGuide(storage::PackageUtil::kNoFrameGuide).value_or(model::FrameGuide());
    }
  }
  if (guide.frameGuideId == 0) guide.frameGuideId = storage::PackageUtil::kNoFrameGuide;
  package.frameGuide = guide;
  package.frameGuideColor = color;
  package.frameGuideShading = shading;
}

void SetupControllerUtil::loadLensAdapter(model::CameraPackage& package) {
  OpenCatalogue<storage::LensAdapterCatalogue> adapters;
  if (!adapters) return;
  const auto edited = getCurrentPackage();
  if (edited && edited->lensAdapter && adapters->selectionMayBeStale()) {
    package.lensAdapter = edited->lensAdapter;
    return;
  }
  model::LensAdapterRecord adapter = adapters->getSelectedLensAdapter();
  // None selected is no adapter, which is adapter 1: never an adapter of zero factors.
  if (adapter.adapterId == 0) adapter = adapters->getLensAdapter(storage::PackageUtil::kNoAdapter);
  if (adapter.adapterId == 0) {
    logError("No lens adapter is selected and adapter 1 is missing");
    return;
  }
  package.lensAdapter = std::move(adapter);
}

void SetupControllerUtil::saveChangedPackage(model::CameraPackage& package, unsigned parts) {
  auto frames = getApplication();
  frames->currentPackage.reset();
  const int series = package.lensManufacturer ? package.lensManufacturer->manufacturerId : 0;
  package.mLensSet = storage::PackageUtil::getLensSet4ManufacturerId(series);
  package.packageID = 0;
  // The state object names the package it stores; the current package is a copy of it, named alike.
  package.packageName = frames->currentPackageModus == 0 ? "Standard Package One" : "Standard Package Two";
  frames->loadPackage(package, parts);
  frames->savePrefs();
}

std::shared_ptr<state::FramesObject> SetupControllerUtil::getApplication() { return app::pages::framesObject(); }

std::optional<model::CameraPackage> SetupControllerUtil::getCurrentPackage() { return getApplication()->currentPackage; }

std::optional<model::Camera> SetupControllerUtil::getCurrentCameraManufacturer() {
  const auto& package = getApplication()->currentPackage;
  return package ? package->cameraManufacturer : std::nullopt;
}

int SetupControllerUtil::getCurrentCameraManufacturerID() {
  const auto camera = getCurrentCameraManufacturer();
  return camera ? camera->manufacturerId : 0;
}

std::optional<model::CameraShootingMode> SetupControllerUtil::getCurrentShootingMode() {
  const auto& package = getApplication()->currentPackage;
  return package ? package->shootingMode : std::nullopt;
}

int SetupControllerUtil::getCurrentShootingModeID() {
  const auto mode = getCurrentShootingMode();
  return mode ? mode->containerID : 0;
}

int SetupControllerUtil::getCurrentCropID() {
  const auto& package = getApplication()->currentPackage;
  return package ? package->cropID : 0;
}

std::optional<model::Crop> SetupControllerUtil::getCurrentCrop() { return std::nullopt; }

std::optional<model::LensManufacturer> SetupControllerUtil::getCurrentLensManufacturer() {
  const auto& package = getApplication()->currentPackage;
  return package ? package->lensManufacturer : std::nullopt;
}

int SetupControllerUtil::getCurrentLensManufacturerID() {
  const auto series = getCurrentLensManufacturer();
  return series ? series->manufacturerId : 0;
}

int SetupControllerUtil::getCurrentLensAdapterID() {
  const auto& package = getApplication()->currentPackage;
  return package && package->lensAdapter ? package->lensAdapter->adapterId : 0;
}

int SetupControllerUtil::getCurrentFrameGuideID() {
  const auto& package = getApplication()->currentPackage;
  return package && package->frameGuide ? package->frameGuide->frameGuideId : 0;
}

model::StoredColor SetupControllerUtil::getCurrentFrameGuideColor() {
  const auto& package = getApplication()->currentPackage;
  return package ? package->frameGuideColor : model::StoredColor();
}

int SetupControllerUtil::getCurrentFrameGuideShading() {
  const auto& package = getApplication()->currentPackage;
  return package ? package->frameGuideShading : 0;
}

bool SetupControllerUtil::setupHasShootingMode() {
  const auto mode = getCurrentShootingMode();
  return mode && mode->shootingModeNameOrig;
}

}  // namespace app::setup

