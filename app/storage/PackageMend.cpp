#include "app/storage/PackageMend.h"

#include <algorithm>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/recovery/CataloguePlace.h"

namespace app::storage {

namespace {

enum class Row { Present, Gone, Unknown };

// Whether the catalogue of `Helper` holds the row of `table` whose `column` is `id`.
template <class Helper>
Row lookUp(const char* table, const char* column, int id) {
  if (CataloguePlace::mayLackPersonsRows(Helper::kFileName)) return Row::Unknown;
  OpenCatalogue<Helper> catalogue;
  if (!catalogue) return Row::Unknown;
  const auto held = catalogue->database().holdsRow(table, column, id);
  return !held ? Row::Unknown : *held ? Row::Present : Row::Gone;
}

// What the parts a package lacks came to: each mended where its row is gone, and the package not the
// person's whole where one could not be answered for (a row that is there but could not be read too).
class Tally {
 public:
  explicit Tally(std::vector<std::string>& mended) : mended_(mended) {}
  template <class Mend>
  void missing(Row row, const char* part, Mend&& mend) {
    if (row != Row::Gone) {
      unknown_ = true;
      return;
    }
    mend();
    if (std::find(mended_.begin(), mended_.end(), part) == mended_.end()) mended_.push_back(part);
  }
  PackageMend::Outcome outcome() const {
    return unknown_ ? PackageMend::Outcome::Unknown
                    : mended_.empty() ? PackageMend::Outcome::Whole : PackageMend::Outcome::Mended;
  }

 private:
  std::vector<std::string>& mended_;
  bool unknown_ = false;
};

void mendFormat(model::CameraPackage& package, const PackageDatabaseObject& row, Tally& tally) {
  if (package.shootingMode && package.cameraManufacturer) return;
  Row format = lookUp<CameraFormatCatalogue>("FormatContainer", "id", row.cameraFormatId);
  // A format whose camera is gone is gone with it.
  if (format == Row::Present && package.shootingMode) {
    format = lookUp<CameraFormatCatalogue>("ManufactorTable", "id", package.shootingMode->manufacturerID);
  }
  tally.missing(format, "camera", [&package] { static_cast<void>(PackageMend::formatFallsBack(package)); });
}

// generatePackageFromDB leaves crop id 0 for a crop it could not find.
void mendCrop(model::CameraPackage& package, const PackageDatabaseObject& row, Tally& tally) {
  if (row.cropID < 2 || package.cropID != 0) return;
  tally.missing(lookUp<CameraFormatCatalogue>("QuorvelFrameGuide", "id", row.cropID), "aspect ratio",
                [&package] { PackageMend::cropFallsBack(package); });
}

void mendLenses(model::CameraPackage& package, const PackageDatabaseObject& row, Tally& tally) {
  if (!package.lensManufacturer) {
    tally.missing(lookUp<LensDatabaseHelper>("Manufacturer", "ManufacturerId", row.lensManufacturerId), "lens series",
                  [&package] { static_cast<void>(PackageMend::seriesFallsBack(package)); });
    return;
  }
  for (int lensId : row.lensSetIDs) {
    const bool read = std::any_of(package.lensSet.begin(), package.lensSet.end(),
                                  [lensId](const model::LensObject& lens) { return lens.lensId == lensId; });
    if (!read) tally.missing(lookUp<LensDatabaseHelper>("Lenses", "LensId", lensId), "lens", [] {});
  }
  // Every lens it had is gone (or it never had one): a series always keeps a lens.
  if (package.lensSet.empty()) {
    tally.missing(Row::Gone, "lens", [&package] {
      package.lensSet = PackageMend::lensesOfSeries(package.lensManufacturer->manufacturerId);
    });
  }
}

void mendAdapter(model::CameraPackage& package, const PackageDatabaseObject& row, Tally& tally) {
  const int stored = row.adapterId == 0 ? PackageUtil::kNoAdapter : row.adapterId;
  // One that is gone already reads as adapter 1, no adapter.
  if (package.lensAdapter && package.lensAdapter->adapterId == stored) return;
  tally.missing(lookUp<LensAdapterCatalogue>("QuorvelLensAdapter", "LensAdapterId", stored), "adapter", [] {});
}

void mendFrameGuide(model::CameraPackage& package, const PackageDatabaseObject& row, Tally& tally) {
  if (package.frameGuide) return;
  const int stored = row.frameGuideId == 0 ? PackageUtil::kNoFrameGuide : row.frameGuideId;
  tally.missing(lookUp<FrameGuideCatalogue>("QuorvelFrameGuide", "id", stored), "frame guide", [&package] {
    OpenCatalogue<FrameGuideCatalogue> guides;
    if (guides) package.frameGuide = guides->getFrameGuide(PackageUtil::kNoFrameGuide);
  });
}

}  // namespace

PackageMend::Outcome PackageMend::mend(model::CameraPackage& package, const PackageDatabaseObject& row,
                                       std::vector<std::string>& mended) {
  Tally tally(mended);
  mendFormat(package, row, tally);
  mendCrop(package, row, tally);
  mendLenses(package, row, tally);
  mendAdapter(package, row, tally);
  mendFrameGuide(package, row, tally);
  return tally.outcome();
}

bool PackageMend::formatFallsBack(model::CameraPackage& package) {
  OpenCatalogue<CameraFormatCatalogue> formats;
  if (!formats) return false;
  package.shootingMode = formats->getCameraFormat(kFormat);
  package.cameraManufacturer.reset();
  if (package.shootingMode) package.cameraManufacturer = formats->getCameraManufacturer(package.shootingMode->manufacturerID);
  cropFallsBack(package);
  return true;
}

void PackageMend::cropFallsBack(model::CameraPackage& package) {
  package.cropID = PackageUtil::kNoCrop;
  package.formatType = "native";
  package.cropAspectRatio.clear();
}

bool PackageMend::seriesFallsBack(model::CameraPackage& package) {
  {
    OpenCatalogue<LensDatabaseHelper> lenses;
    if (!lenses) return false;
    package.lensManufacturer = lenses->getLensManufacturer(kSeries);
  }
  package.lensSet = lensesOfSeries(kSeries);
  return true;
}

std::vector<model::LensObject> PackageMend::lensesOfSeries(int seriesId) {
  OpenCatalogue<LensDatabaseHelper> lenses;
  if (!lenses) return {};
  auto chosen = lenses->getSelectedLenses4Manufacturer(seriesId);
  if (!chosen.empty()) return chosen;
  auto all = lenses->getAllLensesForManufacturer(seriesId);
  if (all.empty()) return {};
  return {all.front()};
}

}  // namespace app::storage
