#pragma once

#include <memory>
#include <optional>

#include "app/model/CameraPackage.h"
#include "app/model/Crop.h"
#include "app/model/StoredColor.h"
#include "app/storage/PackageMend.h"

namespace app::state {
class FramesObject;
}  // namespace app::state

namespace app::setup {

 

// How every setup screen commits a choice: the package being edited is never changed in place. The
// pickers write their choice into the catalogues as selection flags (or pass a format and crop id), and
// one of the commits below builds a whole new package from the edited package's ids and the catalogues'
// flags, and hands it to the state object, which puts it into the slot being edited and saves.
//
// A commit is all or nothing: when the format cannot be read from the catalogue nothing changes. It
// answers whether the package was committed; the reason for a refusal is logged. Main thread only.
class SetupControllerUtil {
 public:
  // The format id and crop id of the new package; the camera argument is not used, the camera always
  // follows from the format.
  static bool setNewCameraSetupWithCamera(int camera, int shootingMode, int crop);
  // A new format without a crop.
  static bool setNewCameraManufacturer(int camera, int shootingMode);
  // The edited package's format with another crop.
  static bool setNewCameraCrop(int crop);
  // The lens series and lenses, the adapter, respectively the frame guide as the catalogues now have
  // them selected; only setNewFrameGuide changes the frame guide's shading and colour.
  static bool setNewLensSetup();
  static bool setNewLensAdapter();
  static bool setNewFrameGuide(int shading, const model::StoredColor& color);
  // Selects the generic prime series in the lens catalogue, for when the current series was deleted.
  // Commits nothing.
  static void setDefaultLensManufacturer();

  // The steps of a commit, each filling its part of the package being built. loadCamera answers false
  // when the format is not in the catalogue.
  [[nodiscard]] static bool loadCamera(model::CameraPackage& package, int formatId, int cropId);
  static void loadLens(model::CameraPackage& package);
  static void loadFrameguide(model::CameraPackage& package, int shading, const model::StoredColor& color);
  static void loadLensAdapter(model::CameraPackage& package);
  // Hands the package to the state object as the person's choice of `parts` (PersonsPackage::Parts).
  static void saveChangedPackage(model::CameraPackage& package, unsigned parts);

  // Readers of the state object's edited package; ids read 0 and records nullopt when it is missing.
  static std::shared_ptr<state::FramesObject> getApplication();
  static std::optional<model::CameraPackage> getCurrentPackage();
  static std::optional<model::Camera> getCurrentCameraManufacturer();
  static int getCurrentCameraManufacturerID();
  static std::optional<model::CameraShootingMode> getCurrentShootingMode();
  static int getCurrentShootingModeID();
  static int getCurrentCropID();
  // Always nullopt, even while a crop is in use: a package keeps only its crop's id (getCurrentCropID),
  // and the record is read from the format catalogue by whoever needs it.
  static std::optional<model::Crop> getCurrentCrop();
  static std::optional<model::LensManufacturer> getCurrentLensManufacturer();
  static int getCurrentLensManufacturerID();
  static int getCurrentLensAdapterID();
  static int getCurrentFrameGuideID();
  static model::StoredColor getCurrentFrameGuideColor();
  static int getCurrentFrameGuideShading();
  static bool setupHasShootingMode();

  // The series selected when the current one is deleted: the generic primes.
  static constexpr int kDefaultLensSeries = storage::PackageMend::kSeries;

 private:
  // The whole commit with the given format, crop, shading and colour, a choice of `parts`.
  static bool commit(int formatId, int cropId, int shading, const model::StoredColor& color, unsigned parts);
  // The edited package's own format, crop, shading and colour with the catalogues' selections.
  static bool commitEdited(unsigned parts);
};

}  // namespace app::setup

