#include "app/storage/CatalogueRowDeletion.h"

#include <string>

#include "app/storage/CameraFormatCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/LensDatabaseHelper.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/PackageUtil.h"
#include "app/storage/StepWithPackages.h"
#include "platform/log/Log.h"

namespace app::storage {

namespace {

// Runs `change` (the catalogue's helper, the stored packages) as one step on the catalogue of `Helper`;
// whether it was stored. `what` names the row ("the camera \"Aaa\"").
template <class Helper, class Change>
bool inOneStep(const std::string& what, Change&& change) {
  OpenCatalogue<Helper> catalogue;
  if (!catalogue) return false;
  StepWithPackages step(catalogue->database(), "The delete of " + what);
  if (!step || !change(*catalogue, step.packages()) || !step.commit()) return false;
  platform::log::write(platform::log::Notice, "The stored packages followed the deleted " + what + " in the same step");
  return true;
}

}  // namespace

std::optional<int> CatalogueRowDeletion::camera(const model::Camera& camera) {
  std::optional<int> formatId;
  const bool deleted = inOneStep<CameraFormatCatalogue>(
      "camera \"" + camera.manufacturer + "\"", [&](CameraFormatCatalogue& formats, PackageDatabaseHelper& packages) {
        formatId = formats.deleteCustomFormat(camera);
        return formatId && (*formatId <= 0 || PackageUtil::deleteFormat(packages, *formatId));
      });
  return deleted ? formatId : std::nullopt;
}

CatalogueRowDeletion::Ratio CatalogueRowDeletion::ratio(int cropId, bool guideInUse) {
  std::optional<model::FrameGuide> guide;
  {
    OpenCatalogue<FrameGuideCatalogue> guides;
    if (!guides) return {};
    guide = guides->getFrameGuide(cropId);
  }
  if (!guide) return {.guide = std::nullopt, .notThere = true};
  const bool deleted = inOneStep<FrameGuideCatalogue>(
      "aspect ratio " + model::FrameGuide::ratioText(guide->width, guide->height),
      [&](FrameGuideCatalogue& guides, PackageDatabaseHelper& packages) {
        return (!guideInUse || guides.selectOnlyFrameGuide(PackageUtil::kNoFrameGuide)) && guides.deleteFrameGuide(*guide) &&
               PackageUtil::deleteFrameLine(packages, *guide) && PackageUtil::deleteCrop(packages, cropId);
      });
  if (!deleted) return {};
  return {.guide = guide, .notThere = false};
}

bool CatalogueRowDeletion::series(int seriesId) {
  return inOneStep<LensDatabaseHelper>("lens series " + std::to_string(seriesId),
                                       [&](LensDatabaseHelper& lenses, PackageDatabaseHelper& packages) {
                                         return lenses.deleteManufacturer(seriesId) &&
                                                PackageUtil::deleteLensManufacturer(packages, seriesId);
                                       });
}

bool CatalogueRowDeletion::lens(const model::LensObject& lens) {
  return inOneStep<LensDatabaseHelper>("lens " + std::to_string(lens.lensId),
                                       [&](LensDatabaseHelper& lenses, PackageDatabaseHelper& packages) {
                                         return lenses.deleteLens(lens) && PackageUtil::deleteLens(packages, lens);
                                       });
}

bool CatalogueRowDeletion::adapter(const model::LensAdapterRecord& adapter) {
  return inOneStep<LensAdapterCatalogue>("adapter \"" + adapter.adapterName + "\"",
                                         [&](LensAdapterCatalogue& adapters, PackageDatabaseHelper& packages) {
                                           return adapters.deleteAdapter(adapter) && PackageUtil::deleteAdapter(packages, adapter);
                                         });
}

}  // namespace app::storage
