#include "app/setup/CustomRowDeletion.h"

#include "app/setup/CameraModeAspectViewController.h"
#include "app/setup/OtherSlotRepair.h"
#include "app/setup/PackageStoreNotice.h"
#include "app/setup/SetupControllerUtil.h"
#include "app/storage/CatalogueRowDeletion.h"
#include "platform/log/Log.h"

namespace app::setup {

void CustomRowDeletion::deleteCamera(const model::Camera& camera) {
  const std::optional<int> formatId = storage::CatalogueRowDeletion::camera(camera);
  if (!formatId) {
    // The camera stays listed, and the package and the saved packages keep it.
    failure_.reportDelete(screen_, "The camera \"" + camera.manufacturer + "\"");
    return;
  }
  platform::log::write(platform::log::Notice, "The camera \"" + camera.manufacturer + "\" was deleted from its catalogue");
  if (*formatId > 0) app::setup::OtherSlotRepair::formatDeleted(*SetupControllerUtil::getApplication(), *formatId);
  if (camera.manufacturerId == SetupControllerUtil::getCurrentCameraManufacturerID()) {
    const PackageStoreNotice packageStore;
    SetupControllerUtil::setNewCameraManufacturer(1, CameraModeAspectViewController::kFallbackFormat);
    packageStore.tellIfRefused(screen_, failure_);
    // EXIT keeps the fall-back format: the deleted one cannot come back.
    screen_.oldCameraManuID = screen_.currentCameraManuID = SetupControllerUtil::getCurrentCameraManufacturerID();
    screen_.oldShootingModeID = screen_.currentShootingModeID = SetupControllerUtil::getCurrentShootingModeID();
  }
  screen_.loadCameraManufacturerList();
  screen_.views().cameraTableView->reloadData();
}

void CustomRowDeletion::deleteCrop(int cropId) {
  const int editedCrop = SetupControllerUtil::getCurrentCropID();
  const bool cropInUse = cropId == screen_.oldAspectRatioID || cropId == editedCrop;
  const bool guideInUse = cropId == SetupControllerUtil::getCurrentFrameGuideID();
  const auto [guide, notThere] = storage::CatalogueRowDeletion::ratio(cropId, guideInUse);
  if (notThere) {
    // Gone already (another visit deleted it): the list catches up, and nothing failed.
    platform::log::write(platform::log::Error, "The aspect ratio " + std::to_string(cropId) +
                                                   " to delete is not in the catalogue");
    if (const auto mode = SetupControllerUtil::getCurrentShootingMode()) screen_.loadAspectRatioList(*mode);
    return;
  }
  const auto listed = screen_.aspectRatioList().indexPathOfCrop(cropId);
  const std::string ratio = listed ? screen_.aspectRatioList().cropAt(*listed)->aspectRatio : std::to_string(cropId);
  if (!guide) {
    // The ratio stays listed, and the package and the saved packages keep it.
    failure_.reportDelete(screen_, "The aspect ratio " + ratio);
    return;
  }
  platform::log::write(platform::log::Notice, "The aspect ratio " + ratio + " was deleted from its catalogue");
  auto& frames = *SetupControllerUtil::getApplication();
  app::setup::OtherSlotRepair::cropDeleted(frames, cropId);
  app::setup::OtherSlotRepair::frameGuideDeleted(frames, cropId);
  const PackageStoreNotice packageStore;
  if (cropInUse) {
    screen_.oldAspectRatioID = screen_.currentAspectRatioID = 1;
    SetupControllerUtil::setNewCameraCrop(1);
  } else if (guideInUse) {
    SetupControllerUtil::setNewCameraCrop(editedCrop);
  }
  packageStore.tellIfRefused(screen_, failure_);
  if (const auto mode = SetupControllerUtil::getCurrentShootingMode()) screen_.loadAspectRatioList(*mode);
}

}  // namespace app::setup
