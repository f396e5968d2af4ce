#pragma once

#include "app/model/Camera.h"
#include "app/setup/FormSaveFailure.h"

namespace app::setup {

class CameraModeAspectViewController;

// Deletes a camera or an aspect ratio of the person's own from the camera picker: the catalogue row and
// the saved packages on it in one step (CatalogueRowDeletion), then the other package and the edited
// one follow it. A delete that did not happen leaves the row listed, and the person is told. Main
// thread only.
class CustomRowDeletion {
 public:
  CustomRowDeletion(CameraModeAspectViewController& screen, FormSaveFailure& failure)
      : screen_(screen), failure_(failure) {}

  void deleteCamera(const model::Camera& camera);
  void deleteCrop(int cropId);

 private:
  CameraModeAspectViewController& screen_;
  FormSaveFailure& failure_;
};

}  // namespace app::setup
