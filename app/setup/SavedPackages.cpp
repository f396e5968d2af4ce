#include "app/setup/SavedPackages.h"

#include "app/setup/SetupText.h"
#include "app/state/FramesObject.h"
#include "app/storage/PackageUtil.h"
#include "platform/foundation/Format.h"
#include "platform/log/Log.h"
#include "platform/ui/LocalizedStrings.h"

namespace app::setup {

using platform::foundation::format;

namespace {

}  // namespace

std::vector<CameraPackage> SavedPackages::list(int sortMode) {
  return sortMode == kByName ? PackageUtil::getAllPackagesSortedByName() : PackageUtil::getAllPackages();
}

int SavedPackages::toggledSortMode(int sortMode) {
  if (sortMode == kByName) return kRecent;
  if (sortMode == kRecent) return kByName;
  return sortMode;
}

std::string SavedPackages::sortTitle(int sortMode) { return localized(sortMode == kByName ? "A-Z" : "RECENT"); }

std::string SavedPackages::defaultName(const CameraPackage& package) {
  const Camera camera = package.cameraManufacturer.value_or(Camera());
  return format("%@ %@ %@", camera.manufacturer, camera.model, localized("Package"));
}

std::optional<int> SavedPackages::save(CameraPackage package, const std::string& typedName) {
  package.packageName = typedName.empty() ? defaultName(package) : typedName;
  const int id = PackageUtil::savePackage(package);
  if (id < 1) {
    platform::log::write(platform::log::Error, "The package \"" + package.packageName + "\" could not be saved");
    return std::nullopt;
  }
  return id;
}

bool SavedPackages::rename(int packageId, const std::string& name) {
  if (name.empty()) return false;
  PackageUtil::editPackageName(packageId, name);
  return true;
}

void SavedPackages::remove(int packageId) { PackageUtil::deletePackage(packageId); }

bool SavedPackages::load(FramesObject& frames, const CameraPackage& listed) {
  // Checked before the facade's load, which would put its fall-back package in the flags and the slot.
  if (PackageUtil::errorInPackage(&listed)) {
    platform::log::write(platform::log::Error, "The saved package \"" + listed.packageName + "\" is broken and was not loaded");
    return false;
  }
  CameraPackage package = PackageUtil::loadPackage(listed.packageID);
  if (package.packageID != listed.packageID) {
    // Broken since it was listed: the facade loaded its fall-back; the edited package's flags come back.
    if (frames.currentPackage) PackageUtil::setLoadedPackageinDB(*frames.currentPackage);
    platform::log::write(platform::log::Error, "The saved package \"" + listed.packageName + "\" could not be loaded");
    return false;
  }
  frames.loadPackage(package);
  frames.savePrefs();
  return true;
}

SavedPackages::CellTexts SavedPackages::cellTexts(const CameraPackage& package) {
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
