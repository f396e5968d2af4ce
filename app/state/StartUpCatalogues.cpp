#include "app/state/StartUpCatalogues.h"

#include <algorithm>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageDatabaseHelper.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/recovery/CatalogueSeeding.h"
#include "platform/log/Log.h"

namespace app::state {

namespace {

// One catalogue brought to the built-in version; the open that follows finishes whatever re-pointing
// of the packages the update left, and true means both worked.
template <class Helper>
bool updateCatalogue(const char* notice, bool (Helper::*reset)()) {
  platform::log::write(platform::log::Notice, notice);
  Helper helper;
  const bool updated = (helper.*reset)();
  const bool opened = helper.openDb(false);
  helper.closeDb();
  return updated && opened;
}

}  // namespace

StartUpCatalogues::Fresh StartUpCatalogues::open() {
  using app::storage::CatalogueSeeding;
  using app::storage::OpenCatalogue;
  // Missing catalogues are all seeded first, with one sync of the folder for all of them.
  const storage::CatalogueKind* const catalogues[] = {&storage::LensDatabaseHelper::kKind,
                                                      &storage::CameraFormatCatalogue::kKind,
                                                      &storage::LensAdapterCatalogue::kKind,
                                                      &storage::PackageDatabaseHelper::kKind};
  const auto seeded = CatalogueSeeding::seedAllMissing(catalogues);
  const auto fresh_ = [&seeded](const char* fileName) {
    return std::find(seeded.begin(), seeded.end(), fileName) != seeded.end();
  };
  Fresh fresh{.lenses = fresh_(storage::LensDatabaseHelper::kFileName),
                        .formats = fresh_(storage::CameraFormatCatalogue::kFileName),
                        .adapters = fresh_(storage::LensAdapterCatalogue::kFileName),
                        .packages = fresh_(storage::PackageDatabaseHelper::kFileName)};
  // The first open seeds a missing catalogue, replaces a damaged one and finishes a re-pointing of the
  // packages that an update left; within the start's session every later use shares that connection.
  if (!OpenCatalogue<storage::LensDatabaseHelper>()) fresh.lenses = false;
  if (!OpenCatalogue<storage::CameraFormatCatalogue>()) fresh.formats = false;
  if (!OpenCatalogue<storage::LensAdapterCatalogue>()) fresh.adapters = false;
  static_cast<void>(static_cast<bool>(OpenCatalogue<storage::PackageDatabaseHelper>()));
  return fresh;
}

bool StartUpCatalogues::standardPackagesStored() {
  storage::OpenCatalogue<storage::PackageDatabaseHelper> packages;
  return !packages || packages->packageIDExists(-2) || packages->packageIDExists(-1);
}

bool StartUpCatalogues::migrate(bool& lensUpdated, const Fresh& fresh) {
  // A catalogue seeded from the bundle during this start already is the built-in version: replacing
  // it with a copy of itself would only cost time.
  lensUpdated =
      fresh.lenses || updateCatalogue<storage::LensDatabaseHelper>("Update LensDB now!", &storage::LensDatabaseHelper::resetdatabase);
  const bool formatsUpdated = fresh.formats || updateCatalogue<storage::CameraFormatCatalogue>(
                                                   "Update CameraformatDB now!", &storage::CameraFormatCatalogue::resetdatabase);
  const bool adaptersUpdated =
      fresh.adapters || updateCatalogue<storage::LensAdapterCatalogue>("Update LensAdapterUpdate now!",
                                                                    &storage::LensAdapterCatalogue::resetDB);

  // The new version is stored only when every catalogue has it, so a failed update runs again on the
  // next start instead of never.
  if (!lensUpdated || !formatsUpdated || !adaptersUpdated) {
    platform::log::write(platform::log::Error, "Catalogue update incomplete; it is tried again on the next start");
    return false;
  }
  return true;
}

std::optional<storage::GenericSeriesSnapshot> StartUpCatalogues::prepareGenericLensMigration() {
  storage::PackageUtil::cleanupPackageDB();
  const model::CameraPackage one = storage::PackageUtil::loadPackage(-2);
  const model::CameraPackage two = storage::PackageUtil::loadPackage(-1);
  return storage::GenericLensMigration::generateUpdateobjectWithPackageOne(one, two);
}

std::optional<bool> StartUpCatalogues::finishGenericLensMigration(
    const std::optional<storage::GenericSeriesSnapshot>& snapshot, bool lensReady) {
  // The old catalogue is still in place: moving lenses into it now would be undone by the update that
  // the next start retries, so the whole migration waits for that start.
  if (!lensReady) return std::nullopt;
  bool complete = true;
  if (snapshot) {
    const auto ids = storage::GenericLensMigration::updateGenericFavorites(*snapshot);
    if (ids.lensmanuID1 >= 1) storage::PackageUtil::updateLensManufacturerID(ids.lensmanuID1, -2);
    if (ids.lensmanuID2 >= 1) storage::PackageUtil::updateLensManufacturerID(ids.lensmanuID2, -1);
    complete = ids.complete;
  }
  return complete;
}

}  // namespace app::state
