#pragma once

#include <optional>

#include "app/model/Camera.h"
#include "app/model/FrameGuide.h"
#include "app/setup/FormSaveFailure.h"

namespace app::setup {

class CameraModeAspectViewController;

// Deletes a camera or an aspect ratio of the person's own from the camera picker: the catalogue row
// first, then the saved packages, the other package and the edited one follow it. A delete the
// catalogue refused leaves the row listed, and the person is told. Main thread only.
class CustomRowDeletion {
 public:
  CustomRowDeletion(CameraModeAspectViewController& screen, FormSaveFailure& failure)
      : screen_(screen), failure_(failure) {}

  void deleteCamera(const model::Camera& camera);
  void deleteCrop(int cropId);

  // What became of a ratio's row: `guide` is the row deleted; without it, the catalogue refused, unless
  // the row was not there to delete.
  struct RatioRowDeleted {
    std::optional<model::FrameGuide> guide;
    bool notThere = false;
  };
  // Deletes the ratio's row from the catalogue (and the frame-guide selection from it when in use).
  static RatioRowDeleted deleteRatioRow(int cropId, bool guideInUse);

 private:
  CameraModeAspectViewController& screen_;
  FormSaveFailure& failure_;
};

}  // namespace app::setup
