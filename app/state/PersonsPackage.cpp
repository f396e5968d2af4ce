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

bool holds(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

// `ids` less `gone`, with `more` (each once), in id order.
std::vector<int> changed(std::vector<int> ids, const std::vector<int>& gone, const std::vector<int>& more = {}) {
  std::erase_if(ids, [&](int id) { return holds(gone, id); });
  for (int id : more) {
    if (!holds(ids, id)) ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

// The lenses of the series that cannot stand beside the lens `tapped` of `chosen`, as the picker keeps
// them apart: the other primes of its focal length, or every other lens beside a zoom.
std::vector<int> displacedBy(int tapped, const model::CameraPackage& chosen) {
  std::vector<int> displaced;
  const auto lens = std::find_if(chosen.lensSet.begin(), chosen.lensSet.end(),
                                 [tapped](const model::LensObject& each) { return each.lensId == tapped; });
  if (lens == chosen.lensSet.end() || !chosen.mLensSet) return displaced;
  for (const auto& other : chosen.mLensSet->lenses) {
    if (other.lensId == tapped) continue;
    if (!lens->isPrime() || (other.isPrime() && other.focalLength == lens->focalLength)) displaced.push_back(other.lensId);
  }
  return displaced;
}

}  // namespace

void PersonsPackage::shownIsPersons() {
  standsIn_ = false;
  chosen_ = 0;
  lensesChosen_ = false;
  storedLenses_.reset();
  lensesStored_.reset();
}

void PersonsPackage::shownStandsIn() {
  shownIsPersons();
  standsIn_ = true;
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
    if (part == kLenses) {
      chooseLenses(before, after, chosen);
      continue;
    }
    copyPart(after, choices_, part);
    chosen_ |= part;
  }
  return storable;
}

void PersonsPackage::chooseLenses(const PackageDatabaseObject& before, const PackageDatabaseObject& after,
                                  const model::CameraPackage& chosen) {
  if (!lensesChosen_) copyPart(before, standIn_, kLenses);
  lensesChosen_ = true;
  chosen_ |= kLenses;
  copyPart(after, choices_, kLenses);
  lensesOn_.clear();
  lensesOff_.clear();
  if (after.lensManufacturerId != standIn_.lensManufacturerId) return;
  for (int id : after.lensSetIDs) {
    if (!holds(standIn_.lensSetIDs, id)) lensesOn_.push_back(id);
  }
  for (int id : standIn_.lensSetIDs) {
    if (!holds(after.lensSetIDs, id)) lensesOff_.push_back(id);
  }
  for (int id : lensesOn_) lensesOff_ = changed(lensesOff_, {}, displacedBy(id, chosen));
  lensesOff_ = changed(lensesOff_, lensesOn_);
}

bool PersonsPackage::putLenses(PackageDatabaseObject& row) const {
  if (!storedLenses_ || !samePart(row, lensesStored_ ? *lensesStored_ : *storedLenses_, kLenses)) {
    storedLenses_.emplace();
    copyPart(row, *storedLenses_, kLenses);
    lensesStored_.reset();
  }
  const auto made = [&] {
    lensesMade_.emplace();
    copyPart(row, *lensesMade_, kLenses);
    return true;
  };
  // Another series than the stand-in's is the person's choice, with the lenses it has chosen.
  if (choices_.lensManufacturerId != standIn_.lensManufacturerId) {
    copyPart(choices_, row, kLenses);
    return made();
  }
  const bool sameSeries = storedLenses_->lensManufacturerId == choices_.lensManufacturerId;
  copyPart(*storedLenses_, row, kLenses);
  // Lenses only tapped off a series the stored row does not hold leave it as it was.
  if (!sameSeries && lensesOn_.empty()) return made();
  std::vector<int> lenses = changed(sameSeries ? row.lensSetIDs : std::vector<int>(), lensesOff_, lensesOn_);
  if (lenses.empty()) return false;
  row.lensManufacturerId = choices_.lensManufacturerId;
  row.lensSetIDs = std::move(lenses);
  return made();
}

void PersonsPackage::choicesStored() {
  chosen_ = 0;
  if (lensesMade_) lensesStored_ = lensesMade_;
}

std::optional<PackageDatabaseObject> PersonsPackage::personsRow(const model::CameraPackage& shown,
                                                                const StoredRow& stored) const {
  if (!standsIn_) {
    if (!holdsWhole(shown)) return std::nullopt;
    return storage::PackageUtil::generateDatabaseObject(shown);
  }
  lensesMade_.reset();
  std::optional<PackageDatabaseObject> row = stored();
  if (!row || row->packageID == 0) return std::nullopt;
  for (unsigned part : kEachPart) {
    if (!(chosen_ & part)) continue;
    if (part != kLenses) {
      copyPart(choices_, *row, part);
    } else if (!putLenses(*row)) {
      return std::nullopt;
    }
  }
  return row;
}

}  // namespace app::state
