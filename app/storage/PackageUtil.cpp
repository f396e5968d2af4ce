#include "app/storage/PackageUtil.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/PackageMend.h"
#include "app/storage/connection/LogError.h"
#include "app/storage/recovery/CataloguePlace.h"
#include "platform/log/Log.h"

using app::storage::CatalogueDatabase;
using app::storage::OpenCatalogue;
namespace app::storage {

namespace {

using app::storage::logError;

int seriesIdOf(const model::CameraPackage& package) {
  return package.lensManufacturer ? package.lensManufacturer->manufacturerId : 0;
}

// A package without an adapter (or on a row that no longer exists) has none: adapter 1.
int adapterIdOf(const model::CameraPackage& package) {
  const int id = package.lensAdapter ? package.lensAdapter->adapterId : 0;
  return id == 0 ? PackageUtil::kNoAdapter : id;
}

int frameGuideIdOf(const model::CameraPackage& package) {
  const int id = package.frameGuide ? package.frameGuide->frameGuideId : 0;
  return id == 0 ? PackageUtil::kNoFrameGuide : id;
}

// An adapter read as id 0 was not found (or none was selected): such a package has no adapter, which
// is adapter 1, never an adapter of zero factors that later divides by zero.
std::optional<model::LensAdapterRecord> adapterOrNone(LensAdapterCatalogue& adapters, model::LensAdapterRecord adapter) {
  if (adapter.adapterId == 0) adapter = adapters.getLensAdapter(PackageUtil::kNoAdapter);
  if (adapter.adapterId == 0) return std::nullopt;
  return adapter;
}

std::optional<model::LensAdapterRecord> storedAdapter(int adapterId) {
  OpenCatalogue<LensAdapterCatalogue> adapters;
  if (!adapters) return std::nullopt;
  return adapterOrNone(*adapters, adapters->getLensAdapter(adapterId));
}

// Frame guide 0 is no frame guide, which is frame guide 1; a missing guide of another id stays missing.
std::optional<model::FrameGuide> storedFrameGuide(int frameGuideId) {
  OpenCatalogue<FrameGuideCatalogue> guides;
  if (!guides) return std::nullopt;
  return guides->getFrameGuide(frameGuideId == 0 ? PackageUtil::kNoFrameGuide : frameGuideId);
}

// How a package's crop id reads. Stored: ids below 2 are no crop, and a crop row that is gone leaves crop
// id 0, which errorInPackage reports. Given (by the setup screens): only crop 1 is no crop and the id is
// kept, so a crop row that is gone leaves a crop without a ratio, which frames like no crop and keeps the
// user's format; an id below 1 is still a broken package.
enum class CropId { Stored, Given };

// Camera, format and crop of a package.
void setFormat(model::CameraPackage& package, int formatId, int cropId, CropId rule = CropId::Stored) {
  OpenCatalogue<CameraFormatCatalogue> formats;
  // Without the catalogue the package has no format, which errorInPackage reports.
  if (!formats) return;
  package.shootingMode = formats->getCameraFormat(formatId);
  if (package.shootingMode)
    package.cameraManufacturer = formats->getCameraManufacturer(package.shootingMode->manufacturerID);
  if (rule == CropId::Stored ? cropId < 2 : cropId == PackageUtil::kNoCrop) {
    package.formatType = "native";
    package.cropAspectRatio.clear();
    package.cropID = PackageUtil::kNoCrop;
  } else {
    const auto crop = formats->getCropForID(cropId);
    package.formatType = "crop";
    package.cropAspectRatio = crop ? crop->aspectRatio : std::string();
    package.cropID = rule == CropId::Given ? cropId : crop ? crop->cropID : 0;
  }
}

// Series, lenses, adapter and frame guide as the catalogues have them selected now. With `series`, the
// one just selected is read by its id: a flag the catalogue refused to take still names another.
void setFromSelections(model::CameraPackage& package, std::optional<int> series = std::nullopt) {
  if (OpenCatalogue<LensDatabaseHelper> lenses; lenses) {
    package.lensManufacturer = series ? lenses->getLensManufacturer(*series) : lenses->getSelectedLensManufacturer();
    if (package.lensManufacturer) package.lensSet = lenses->getSelectedLenses4Manufacturer(seriesIdOf(package));
  }
  if (OpenCatalogue<LensAdapterCatalogue> adapters; adapters) {
    package.lensAdapter = adapterOrNone(*adapters, adapters->getSelectedLensAdapter());
  }
  if (OpenCatalogue<FrameGuideCatalogue> guides; guides) {
    package.frameGuide = storedFrameGuide(guides->getSelectedFrameGuide().frameGuideId);
  }

  package.frameGuideColor = model::StoredColor::blueColor();
  package.frameGuideShading = PackageUtil::kBuiltShading;
}

// Makes `series` the current series and, with `lensIds`, those its selected lenses (writing only the
// flags that change), in one commit.
void selectSeries(int series, std::optional<std::vector<int>> lensIds) {
  OpenCatalogue<LensDatabaseHelper> lenses;
  if (!lenses) return;
  CatalogueDatabase::Transaction transaction(lenses->database());
  const bool stored = transaction.active() && lenses->selectOnlyManufacturer(series) &&
                      (!lensIds || lenses->selectOnlyLenses(series, *lensIds)) && transaction.commit();
  if (!stored) logError("The lens selection could not be stored");
}

// Says which parts of a stored package fell back because the rows they named are gone.
void logMended(const PackageDatabaseObject& row, const std::vector<std::string>& mended) {
  std::string parts;
  for (const auto& part : mended) parts += (parts.empty() ? "its " : ", its ") + part;
  platform::log::write(platform::log::Warning, "The package \"" + row.packageName + "\" named rows no longer in the catalogues (" +
                                                   parts + "): only those fall back, the rest of it stays");
}

model::CameraPackage checked(model::CameraPackage package) {
  return PackageUtil::errorInPackage(&package) ? PackageUtil::getFallBackPackage() : package;
}

}  // namespace

model::CameraPackage PackageUtil::generatePackageFromDB(const PackageDatabaseObject& row) {
  model::CameraPackage package;
  package.packageID = row.packageID;
  package.packageName = row.packageName;
  setFormat(package, row.cameraFormatId, row.cropID);

  if (OpenCatalogue<LensDatabaseHelper> lenses; lenses) {
    package.lensManufacturer = lenses->getLensManufacturer(row.lensManufacturerId);
    for (int lensId : row.lensSetIDs) {
      model::LensObject lens = lenses->getLens(lensId);
      // A lens that is gone from the catalogue is not a 0 mm lens of the set.
      if (lens.lensId == 0) continue;
      package.lensSet.push_back(std::move(lens));
    }
  }
  std::stable_sort(package.lensSet.begin(), package.lensSet.end(),
                   [](const model::LensObject& a, const model::LensObject& b) { return a.focalLength < b.focalLength; });

  package.lensAdapter = storedAdapter(row.adapterId);
  package.frameGuide = storedFrameGuide(row.frameGuideId);
  package.frameGuideColor = model::StoredColor::fromColorCode(row.frameGuideColor);
  package.frameGuideShading = row.frameGuideShading;
  return package;
}

PackageDatabaseObject PackageUtil::generateDatabaseObject(const model::CameraPackage& package) {
  PackageDatabaseObject row;
  row.packageName = package.packageName;
  row.packageID = package.packageID;
  row.lensManufacturerId = seriesIdOf(package);
  row.cameraFormatId = package.shootingMode ? package.shootingMode->containerID : 0;
  row.adapterId = adapterIdOf(package);
  row.frameGuideId = frameGuideIdOf(package);
  row.frameGuideShading = package.frameGuideShading;
  row.frameGuideColor = package.frameGuideColor.colorCode();
  row.cropID = package.cropID;
  for (const auto& lens : package.lensSet) row.lensSetIDs.push_back(lens.lensId);
  return row;
}

model::CameraPackage PackageUtil::loadPackage(int packageId, Found* found) {
  const std::optional<PackageDatabaseObject> row = storedPackage(packageId);

  model::CameraPackage package;
  auto outcome = PackageMend::Outcome::Unknown;
  if (row && row->packageID != 0) {
    package = generatePackageFromDB(*row);
    std::vector<std::string> mended;
    outcome = PackageMend::mend(package, *row, mended);
    if (!mended.empty()) logMended(*row, mended);
  }
  const bool usable = !errorInPackage(row ? &package : nullptr);
  if (found) {
    *found = !usable ? (row && row->packageID == 0 ? Found::Nothing : Found::Unusable)
             : outcome == PackageMend::Outcome::Whole  ? Found::Stored
             : outcome == PackageMend::Outcome::Mended ? Found::Mended
                                                       : Found::InPart;
  }
  if (!usable) package = getFallBackPackage();
  setLoadedPackageinDB(package);
  package.mLensSet = getLensSet4ManufacturerId(seriesIdOf(package));
  return package;
}

void PackageUtil::setLoadedPackageinDB(const model::CameraPackage& package) {
  // Each catalogue moves its selection in one commit, or not at all: never none selected, never two.
  // A selection that already is the package's writes nothing.
  std::vector<int> lensIds;
  for (const auto& lens : package.lensSet) lensIds.push_back(lens.lensId);
  selectSeries(seriesIdOf(package), lensIds);
  if (OpenCatalogue<LensAdapterCatalogue> adapters; adapters) {
    if (!adapters->selectOnlyAdapter(adapterIdOf(package))) logError("The package's adapter selection could not be stored");
  }
  if (OpenCatalogue<FrameGuideCatalogue> guides; guides) {
    if (!guides->selectOnlyFrameGuide(frameGuideIdOf(package))) {
      logError("The package's frame-guide selection could not be stored");
    }
  }
}

model::CameraPackage PackageUtil::getCurrentPackageWithFormatID(int formatId, int cropId) {
  model::CameraPackage package;
  setFormat(package, formatId, cropId, CropId::Given);
  setFromSelections(package);
  return checked(std::move(package));
}

model::CameraPackage PackageUtil::getCurrentPackage() {
  return getCurrentPackageWithFormatID(kCurrentFormat, kNoCrop);
}

model::CameraPackage PackageUtil::getStartPackageOne() {
  model::CameraPackage package;
  setFormat(package, kStartFormatOne, kNoCrop);
  selectSeries(kStartLensSeriesOne, std::nullopt);
  setFromSelections(package, kStartLensSeriesOne);
  return checked(std::move(package));
}

model::CameraPackage PackageUtil::getStartPackageTwo() {
  model::CameraPackage package;
  setFormat(package, kStartFormatTwo, kNoCrop);
  std::vector<int> only;
  if (OpenCatalogue<LensDatabaseHelper> lenses; lenses && lenses->getLens(kStartLensTwo).lensId != 0) only = {kStartLensTwo};
  selectSeries(kStartLensSeriesTwo, only);
  setFromSelections(package, kStartLensSeriesTwo);
  return checked(std::move(package));
}

model::CameraPackage PackageUtil::getFallBackPackage() {
  logError("Get Fall Back Package!", "A camera package could not be read from the catalogues; the default package "
                                     "takes its place");
  model::CameraPackage package;
  setFormat(package, kFallbackFormat, kNoCrop);

  selectSeries(kStartLensSeriesOne, std::nullopt);
  if (OpenCatalogue<LensDatabaseHelper> lenses; lenses) {
    package.lensManufacturer = lenses->getLensManufacturer(kStartLensSeriesOne);
    package.lensSet = lenses->getSelectedLenses4Manufacturer(kStartLensSeriesOne);
    if (package.lensSet.empty()) {
      auto all = lenses->getAllLensesForManufacturer(kStartLensSeriesOne);
      if (!all.empty()) {
        all.front().selected = 1;
        if (!lenses->selectLens(all.front())) logError("The fall-back package's lens could not be selected");
        package.lensSet = lenses->getAllLensesForManufacturer(kStartLensSeriesOne);
      }
    }
  }

  package.lensAdapter = storedAdapter(kNoAdapter);
  package.frameGuide = storedFrameGuide(kNoFrameGuide);
  package.frameGuideColor = model::StoredColor::blueColor();
  package.frameGuideShading = kBuiltShading;
  return package;
}

bool PackageUtil::errorInPackage(const model::CameraPackage* package) {
  if (!package) {
    logError("Error  Package - NIL!");
    return true;
  }
  const model::CameraPackage& p = *package;
  if (!p.cameraManufacturer || !p.lensAdapter || !p.lensManufacturer || !p.shootingMode || !p.frameGuide ||
      p.cropID < 1 || p.lensSet.empty()) {
    logError("Error in Package - NIL!");
    return true;
  }
  if (p.shootingMode->width == 0.0f || p.shootingMode->height == 0.0f) {
    logError("Error in Package corrupt Format !");
    return true;
  }
  return false;
}

model::LensSet PackageUtil::getLensSet4ManufacturerId(int manufacturerId) {
  model::LensSet set;
  OpenCatalogue<LensDatabaseHelper> lenses;
  if (!lenses) return set;
  set.lensManufacturer = lenses->getLensManufacturer(manufacturerId).value_or(model::LensManufacturer());
  set.lenses = lenses->getAllLensesForManufacturer(manufacturerId);
  set.selectedLenses = lenses->getSelectedLenses4Manufacturer(manufacturerId);
  return set;
}

namespace {

// One short-lived opening of the package catalogue around `work`; `fallback` when it cannot be opened.
template <class Work, class Result = std::invoke_result_t<Work, PackageDatabaseHelper&>>
Result withPackages(Work&& work, Result fallback = Result()) {
  OpenCatalogue<PackageDatabaseHelper> packages;
  return packages ? work(*packages) : fallback;
}

// A change of the stored packages; a failure is logged with `what` (the change is then not made).
template <class Change>
bool changePackages(const char* what, Change&& change) {
  if (withPackages(std::forward<Change>(change), false)) return true;
  platform::log::write(platform::log::Error, std::string("The stored packages could not ") + what);
  return false;
}

// Whether a stored package's lenses are known to be gone, not merely unread: its lens rows were read
// whole, the lens catalogue opened and answered for each of them, and neither catalogue may lack rows
// of the person's kept elsewhere (a copy kept aside, a rescue to finish, a file they moved away: it may
// hold them, and the person may put it back).
bool lensesKnownGone(const PackageDatabaseObject& row) {
  if (!row.lensSetIDsWhole) return false;
  for (const char* fileName : {LensDatabaseHelper::kFileName, PackageDatabaseHelper::kFileName}) {
    if (CataloguePlace::mayLackPersonsRows(fileName)) return false;
  }
  OpenCatalogue<LensDatabaseHelper> lenses;
  if (!lenses) return false;
  const std::optional<bool> anyStored = lenses->holdsAnyLens(row.lensSetIDs);
  return anyStored.has_value() && !*anyStored;
}

// Builds each stored package. One whose lenses are known to be gone is deleted on the spot; one whose
// lenses could not be read is left out of this list and stays stored.
std::vector<model::CameraPackage> buildListed(const std::vector<PackageDatabaseObject>& rows) {
  std::vector<model::CameraPackage> listed;
  for (const auto& row : rows) {
    model::CameraPackage package = PackageUtil::generatePackageFromDB(row);
    if (!package.lensSet.empty()) {
      listed.push_back(std::move(package));
    } else if (lensesKnownGone(row)) {
      static_cast<void>(PackageUtil::deletePackage(package.packageID));
    } else {
      platform::log::write(platform::log::Warning, "The saved package \"" + row.packageName +
                                                       "\" is not listed: its lenses could not be read; it stays stored");
    }
  }
  return listed;
}

}  // namespace

std::vector<model::CameraPackage> PackageUtil::getAllPackages() {
  return buildListed(withPackages([](PackageDatabaseHelper& p) { return p.getAllPackages(); }));
}

std::vector<model::CameraPackage> PackageUtil::getAllPackagesSortedByName() {
  return buildListed(withPackages([](PackageDatabaseHelper& p) { return p.getAllPackagesSortedByName(); }));
}

int PackageUtil::savePackage(const model::CameraPackage& package) {
  return saveNewPackageFromOldPreset(generateDatabaseObject(package));
}

int PackageUtil::saveNewPackageFromOldPreset(const PackageDatabaseObject& package) {
  return withPackages([&](PackageDatabaseHelper& p) { return p.saveNewPackage(package); }, -1);
}

bool PackageUtil::saveStandardPackageOne(const model::CameraPackage& package) {
  return storeStandardPackage(generateDatabaseObject(package), -2);
}

bool PackageUtil::saveStandardPackageTwo(const model::CameraPackage& package) {
  return storeStandardPackage(generateDatabaseObject(package), -1);
}

bool PackageUtil::storeStandardPackage(const PackageDatabaseObject& row, int packageId) {
  return changePackages(packageId == -2 ? "store standard package one" : "store standard package two",
                        [&](PackageDatabaseHelper& p) { return p.storeStandardPackage(row, packageId); });
}

std::optional<PackageDatabaseObject> PackageUtil::storedPackage(int packageId) {
  return withPackages([packageId](PackageDatabaseHelper& p) { return p.loadPackage(packageId); });
}

bool PackageUtil::deletePackage(int packageId) {
  return changePackages("be deleted", [&](PackageDatabaseHelper& p) { return p.deletePackage(packageId); });
}

bool PackageUtil::editPackageName(int packageId, const std::string& name) {
  return changePackages("be renamed", [&](PackageDatabaseHelper& p) { return p.changePackageName(packageId, name); });
}

bool PackageUtil::deleteFormat(PackageDatabaseHelper& packagesInStep, int formatId) {
  return packagesInStep.deleteFormat(formatId);
}

bool PackageUtil::deleteCrop(PackageDatabaseHelper& packagesInStep, int cropId) {
  return packagesInStep.deleteCropFormat(cropId);
}

bool PackageUtil::deleteAdapter(PackageDatabaseHelper& packagesInStep, const model::LensAdapterRecord& adapter) {
  return packagesInStep.deleteAdapter(adapter.adapterId);
}

bool PackageUtil::deleteLens(PackageDatabaseHelper& packagesInStep, const model::LensObject& lens) {
  return packagesInStep.deleteLenses(lens.lensId);
}

bool PackageUtil::deleteFrameLine(PackageDatabaseHelper& packagesInStep, const model::FrameGuide& guide) {
  return packagesInStep.deleteFrameGuide(guide.frameGuideId);
}

bool PackageUtil::deleteLensManufacturer(PackageDatabaseHelper& packagesInStep, int manufacturerId) {
  return packagesInStep.deleteLensManufacturer(manufacturerId);
}

void PackageUtil::cleanupPackageDB() {
  if (!PackageDatabaseHelper().cleanUp()) {
    platform::log::write(platform::log::Error, "The package catalogue could not be cleaned up");
  }
}

bool PackageUtil::genericLensesExist() {
  OpenCatalogue<LensDatabaseHelper> lenses;
  return lenses && lenses->genericLensesExist();
}

namespace {

model::LensObject genericLens(float focalLength, float focalLengthMax, int selected, const char* type) {
  model::LensObject lens;
  lens.anamorphic = -1.0f;
  lens.custom = 1;
  lens.focalLength = focalLength;
  lens.focalLengthMax = focalLengthMax;
  lens.selected = selected;
  lens.lensType = type;
  return lens;
}

}  // namespace

void PackageUtil::insertGenericPrimeLenses(const std::vector<model::PrimeLensObject>& primes) {
  std::vector<model::LensObject> lenses;
  for (const auto& prime : primes) {
    lenses.push_back(genericLens(static_cast<float>(prime.primeLens), 0.0f, prime.selected ? 1 : 0, "Prime Lens"));
  }
  OpenCatalogue<LensDatabaseHelper> helper;
  if (!helper || !helper->insertgenericPrimeLenses(lenses)) {
    platform::log::write(platform::log::Error, "Generic lenses could not all be stored");
  }
}

void PackageUtil::insertGenericZoomLenses(const std::vector<model::FreeZoomLensObject>& zooms, int selection) {
  std::vector<model::LensObject> lenses;
  for (size_t i = 0; i < zooms.size(); ++i) {
    const int selected = static_cast<int>(i) == selection ? 1 : 0;
    lenses.push_back(
        genericLens(static_cast<float>(zooms[i].minFl), static_cast<float>(zooms[i].maxFl), selected, "Zoom Lens"));
  }
  OpenCatalogue<LensDatabaseHelper> helper;
  if (!helper || !helper->insertgenericZoomLenses(lenses)) {
    platform::log::write(platform::log::Error, "Generic lenses could not all be stored");
  }
}

void PackageUtil::updatePackageLensIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered lenses", [&](PackageDatabaseHelper& p) { return p.remapLensIds(mapping); });
}

void PackageUtil::updatePackeageCropIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered crops", [&](PackageDatabaseHelper& p) { return p.remapCropIds(mapping); });
}

void PackageUtil::updatePackeageFormatIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered formats", [&](PackageDatabaseHelper& p) { return p.remapFormatIds(mapping); });
}

void PackageUtil::updatePackeageFrameGuidIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered frame guides", [&](PackageDatabaseHelper& p) { return p.remapFrameGuideIds(mapping); });
}

void PackageUtil::updatePackageLensManufacturersIDs(const std::vector<model::UpdateFormatIDObject>& mapping) {
  changePackages("follow renumbered lens series", [&](PackageDatabaseHelper& p) { return p.remapLensManufacturerIds(mapping); });
}

void PackageUtil::updateAdapterDBOldId(int oldId, int newId) {
  changePackages("follow a renumbered adapter", [&](PackageDatabaseHelper& p) { return p.updateAdapterIdold(oldId, newId); });
}

void PackageUtil::updatePackageLensManufacturersID(int oldId, int newId, int packageId) {
  changePackages("follow a renumbered lens series", [&](PackageDatabaseHelper& p) { return p.updateLensManufacturer(oldId, newId, packageId); });
}

void PackageUtil::updateLensManufacturerID(int newId, int packageId) {
  changePackages("follow a new lens series", [&](PackageDatabaseHelper& p) { return p.updateLensManufacturerID(newId, packageId); });
}

void PackageUtil::updatePackagesLensID(int oldLensId, int newLensId, int packageLensId) {
  changePackages("follow a renumbered lens", [&](PackageDatabaseHelper& p) { return p.updateLensID(oldLensId, newLensId, packageLensId); });
}

void PackageUtil::updatePackageLensID(int newId, int oldId) {
  changePackages("follow a renumbered lens", [&](PackageDatabaseHelper& p) { return p.updateLensIdold(oldId, newId); });
}

}  // namespace app::storage

