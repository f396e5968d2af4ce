#include "app/setup/SavedPackages.h"

#include "app/setup/SetupText.h"
#include "app/state/FramesObject.h"
#include "app/storage/PackageUtil.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::setup {

using platform::foundation::format;

std::vector<model::CameraPackage> SavedPackages::list(int sortMode) {
  return sortMode == kByName ? storage::PackageUtil::getAllPackagesSortedByName() : storage::PackageUtil::getAllPackages();
}

int SavedPackages::toggledSortMode(int sortMode) {
  if (sortMode == kByName) return kRecent;
  if (sortMode == kRecent) return kByName;
  return sortMode;
}

std::string SavedPackages::sortTitle(int sortMode) { return localized(sortMode == kByName ? "A-Z" : "RECENT"); }

std::string SavedPackages::defaultName(const model::CameraPackage& package) {
  const model::Camera camera = package.cameraManufacturer.value_or(model::Camera());
  return format("%@ %@ %@", camera.manufacturer, camera.model, localized("Package"));
}

std::optional<int> SavedPackages::save(const state::FramesObject& frames, const std::string& typedName) {
  const auto& shown = frames.currentPackage;
  const std::string name = typedName.empty() ? defaultName(shown.value_or(model::CameraPackage())) : typedName;
  auto row = frames.editedPackageRow();
  if (!row) {
    platform::log::write(platform::log::Error, "The package \"" + name +
                                                   "\" could not be saved: the package it is made from could not be read");
    return std::nullopt;
  }
  row->packageName = name;
  const int id = storage::PackageUtil::saveNewPackageFromOldPreset(*row);
  if (id < 1) {
    platform::log::write(platform::log::Error, "The package \"" + name + "\" could not be saved");
    return std::nullopt;
  }
  return id;
}

bool SavedPackages::rename(int packageId, const std::string& name) {
  return !name.empty() && storage::PackageUtil::editPackageName(packageId, name);
}

bool SavedPackages::remove(int packageId) { return storage::PackageUtil::deletePackage(packageId); }

bool SavedPackages::load(state::FramesObject& frames, const model::CameraPackage& listed) {
  // Checked before the facade's load, which would put its fall-back package in the flags and the slot.
  if (storage::PackageUtil::errorInPackage(&listed)) {
    platform::log::write(platform::log::Error, "The saved package \"" + listed.packageName + "\" is broken and was not loaded");
    return false;
  }
  model::CameraPackage package = storage::PackageUtil::loadPackage(listed.packageID);
  if (package.packageID != listed.packageID) {
    // Broken since it was listed: the facade loaded its fall-back; the edited package's flags come back.
    if (frames.currentPackage) storage::PackageUtil::setLoadedPackageinDB(*frames.currentPackage);
    platform::log::write(platform::log::Error, "The saved package \"" + listed.packageName + "\" could not be loaded");
    return false;
  }
  frames.loadPackage(package, state::PersonsPackage::kWhole);
  frames.savePrefs();
  return true;
}

SavedPackages::CellTexts SavedPackages::cellTexts(const model::CameraPackage& package) {
  CellTexts texts;
  texts.title = package.packageName;
  const bool withFrameline = package.frameGuide && package.frameGuide->frameGuideId >= 2;
  const std::string frameline =
      withFrameline ? format(" |  %@:  %@", localized("Frameline"), package.frameGuide->getListString()) : std::string();
  texts.format = format("%@ %@%@", package.getCameraFormatLabelString(), std::string(), frameline);
  const bool withAdapter = package.lensAdapter && package.lensAdapter->adapterId >= 2;
  const std::string adapter = withAdapter ? format(" |  %@", package.lensAdapter->adapterName) : std::string();
  texts.lenses = format("%@ %@", package.getLensStringForPackage(), adapter);
  return texts;
}

}  // namespace app::setup

