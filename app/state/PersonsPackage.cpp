#include "app/state/PersonsPackage.h"

#include <algorithm>
#include <array>

#include "app/storage/PackageUtil.h"

namespace app::state {

namespace {

using storage::PackageDatabaseObject;

constexpr std::array<unsigned, 4> kEachPart = {PersonsPackage::kCamera, PersonsPackage::kLenses, PersonsPackage::kAdapter,
                                               PersonsPackage::kFrameGuide};

// Whether the package holds the part whole, as a stored package must (PackageUtil::errorInPackage, unlogged).
bool holdsWhole(const model::CameraPackage& package, unsigned part) {
  switch (part) {
    case PersonsPackage::kCamera:
      return package.shootingMode && package.cameraManufacturer && package.cropID >= 1 &&
             package.shootingMode->width != 0.0f && package.shootingMode->height != 0.0f;
    case PersonsPackage::kLenses: return package.lensManufacturer && !package.lensSet.empty();
    case PersonsPackage::kAdapter: return package.lensAdapter.has_value();
    case PersonsPackage::kFrameGuide: return package.frameGuide.has_value();
  }
  return false;
}

bool holdsWhole(const model::CameraPackage& package) {
  return std::all_of(kEachPart.begin(), kEachPart.end(), [&](unsigned part) { return holdsWhole(package, part); });
}

// The row's values of one part; lenses in id order, any crop below 2 as no crop.
void copyPart(const PackageDatabaseObject& from, PackageDatabaseObject& to, unsigned part) {
  switch (part) {
    case PersonsPackage::kCamera:
      to.cameraFormatId = from.cameraFormatId;
      to.cropID = std::max(from.cropID, storage::PackageUtil::kNoCrop);
      break;
    case PersonsPackage::kLenses:
      to.lensManufacturerId = from.lensManufacturerId;
      to.lensSetIDs = from.lensSetIDs;
      std::sort(to.lensSetIDs.begin(), to.lensSetIDs.end());
      break;
    case PersonsPackage::kAdapter: to.adapterId = from.adapterId; break;
    case PersonsPackage::kFrameGuide:
      to.frameGuideId = from.frameGuideId;
      to.frameGuideShading = from.frameGuideShading;
      to.frameGuideColor = from.frameGuideColor;
      break;
  }
}

bool samePart(const PackageDatabaseObject& a, const PackageDatabaseObject& b, unsigned part) {
  PackageDatabaseObject left, right;
  copyPart(a, left, part);
  copyPart(b, right, part);
  return left.cameraFormatId == right.cameraFormatId && left.cropID == right.cropID &&
         left.lensManufacturerId == right.lensManufacturerId && left.lensSetIDs == right.lensSetIDs &&
         left.adapterId == right.adapterId && left.frameGuideId == right.frameGuideId &&
         left.frameGuideShading == right.frameGuideShading && left.frameGuideColor == right.frameGuideColor;
}

}  // namespace

void PersonsPackage::shownIsPersons() {
  standsIn_ = false;
  chosen_ = 0;
}

void PersonsPackage::shownStandsIn() {
  standsIn_ = true;
  chosen_ = 0;
}

bool PersonsPackage::choose(const model::CameraPackage& shown, const model::CameraPackage& chosen, unsigned parts) {
  if (holdsWhole(chosen) && (!standsIn_ || parts == kWhole)) {
    shownIsPersons();
    return true;
  }
  // Only what the choice changed is the person's: the rest of what is shown is what stood in, or what
  // could not be read.
  standsIn_ = true;
  const PackageDatabaseObject before = storage::PackageUtil::generateDatabaseObject(shown);
  const PackageDatabaseObject after = storage::PackageUtil::generateDatabaseObject(chosen);
  bool storable = true;
  for (unsigned part : kEachPart) {
    if (!(parts & part) || samePart(before, after, part)) continue;
    if (!holdsWhole(chosen, part)) {
      storable = false;
      continue;
    }
    copyPart(after, choices_, part);
    chosen_ |= part;
  }
  return storable;
}

std::optional<PackageDatabaseObject> PersonsPackage::personsRow(const model::CameraPackage& shown,
                                                                const StoredRow& stored) const {
  if (!standsIn_) {
    if (!holdsWhole(shown)) return std::nullopt;
    return storage::PackageUtil::generateDatabaseObject(shown);
  }
  std::optional<PackageDatabaseObject> row = stored();
  if (!row || row->packageID == 0) return std::nullopt;
  for (unsigned part : kEachPart) {
    if (chosen_ & part) copyPart(choices_, *row, part);
  }
  return row;
}

}  // namespace app::state
