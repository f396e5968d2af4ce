#pragma once

namespace app::state {
class FramesObject;
}  // namespace app::state
namespace app::model {
struct CameraPackage;
}  // namespace app::model

namespace app::setup {

 
 

// When the user deletes a camera, ratio, lens series, lens or adapter of their own, the saved packages
// and the package being edited are mended by the screen that deleted it. The package in the other
// slot (package two while package one is edited, and back) gets the same mending here, part by part,
// so that it is not thrown away whole at the next start for one missing row. Each call mends only
// what refers to the deleted row and saves the preferences when it changed something.
class OtherSlotRepair {
 public:
  static void formatDeleted(state::FramesObject& frames, int formatId);
  // A ratio of the user's is both a crop and a frame guide.
  static void cropDeleted(state::FramesObject& frames, int cropId);
  static void frameGuideDeleted(state::FramesObject& frames, int frameGuideId);
  static void seriesDeleted(state::FramesObject& frames, int seriesId);
  static void lensDeleted(state::FramesObject& frames, int lensId);
  static void adapterDeleted(state::FramesObject& frames, int adapterId);

 private:
  static model::CameraPackage* otherSlot(state::FramesObject& frames);
  // Stores the mended package: its format and crop ids for its slot, and the preferences.
  static void store(state::FramesObject& frames);
};

}  // namespace app::setup

