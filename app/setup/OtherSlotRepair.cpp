#include "app/setup/OtherSlotRepair.h"

#include <algorithm>

#include "app/state/FramesObject.h"
#include "app/storage/OpenCatalogue.h"
#include "app/storage/FrameGuideCatalogue.h"
#include "app/storage/LensAdapterCatalogue.h"
#include "app/storage/PackageMend.h"
#include "app/storage/PackageUtil.h"

namespace app::setup {

using app::storage::OpenCatalogue;

namespace {

void refreshLensSet(model::CameraPackage& package) {
  const int series = package.lensManufacturer ? package.lensManufacturer->manufacturerId : 0;
  package.mLensSet = storage::PackageUtil::getLensSet4ManufacturerId(series);
}

}  // namespace

model::CameraPackage* OtherSlotRepair::otherSlot(state::FramesObject& frames) {
  auto& slot = frames.currentPackageModus != 0 ? frames.packageOne : frames.packageTwo;
  return slot ? &*slot : nullptr;
}

void OtherSlotRepair::store(state::FramesObject& frames) {
  // The state object keeps a slot's format and crop ids only for the slot being edited, so the
  // mended slot is named the edited one for that moment.
  const int32_t edited = frames.currentPackageModus;
  frames.currentPackageModus = edited != 0 ? 0 : 1;
  if (const auto& mended = edited != 0 ? frames.packageOne : frames.packageTwo) frames.changeFormatFromPackage(*mended);
  frames.currentPackageModus = edited;
  frames.savePrefs();
}

void OtherSlotRepair::formatDeleted(state::FramesObject& frames, int formatId) {
  model::CameraPackage* package = otherSlot(frames);
  if (!package || !package->shootingMode || package->shootingMode->containerID != formatId) return;
  if (!storage::PackageMend::formatFallsBack(*package)) return;
  store(frames);
}

void OtherSlotRepair::cropDeleted(state::FramesObject& frames, int cropId) {
  model::CameraPackage* package = otherSlot(frames);
  if (!package || package->cropID != cropId || cropId == storage::PackageUtil::kNoCrop) return;
  storage::PackageMend::cropFallsBack(*package);
  store(frames);
}

void OtherSlotRepair::frameGuideDeleted(state::FramesObject& frames, int frameGuideId) {
  model::CameraPackage* package = otherSlot(frames);
  if (!package || !package->frameGuide || package->frameGuide->frameGuideId != frameGuideId) return;
  OpenCatalogue<storage::FrameGuideCatalogue> guides;
  if (!guides) return;
  package->frameGuide = guides->getFrameGuide(storage::PackageUtil::kNoFrameGuide);
  store(frames);
}

void OtherSlotRepair::seriesDeleted(state::FramesObject& frames, int seriesId) {
  model::CameraPackage* package = otherSlot(frames);
  if (!package || !package->lensManufacturer || package->lensManufacturer->manufacturerId != seriesId) return;
  if (!storage::PackageMend::seriesFallsBack(*package)) return;
  refreshLensSet(*package);
  store(frames);
}

void OtherSlotRepair::lensDeleted(state::FramesObject& frames, int lensId) {
  model::CameraPackage* package = otherSlot(frames);
  if (!package) return;
  auto& set = package->lensSet;
  const auto gone = std::remove_if(set.begin(), set.end(), [&](const model::LensObject& lens) { return lens.lensId == lensId; });
  if (gone == set.end()) return;
  set.erase(gone, set.end());
  // A series always keeps a lens, so a package left without one takes the series' first lens.
  if (set.empty() && package->lensManufacturer) set = storage::PackageMend::lensesOfSeries(package->lensManufacturer->manufacturerId);
  refreshLensSet(*package);
  store(frames);
}

void OtherSlotRepair::adapterDeleted(state::FramesObject& frames, int adapterId) {
  model::CameraPackage* package = otherSlot(frames);
  if (!package || !package->lensAdapter || package->lensAdapter->adapterId != adapterId || adapterId == storage::PackageUtil::kNoAdapter) {
    return;
  }
  OpenCatalogue<storage::LensAdapterCatalogue> adapters;
  if (!adapters) return;
  package->lensAdapter = adapters->getLensAdapter(storage::PackageUtil::kNoAdapter);
  store(frames);
}

}  // namespace app::setup

