#pragma once

#include <optional>

#include "app/model/Camera.h"
#include "app/model/FrameGuide.h"
#include "app/model/LensAdapterRecord.h"
#include "app/model/LensObject.h"

namespace app::storage {

// A row of the person's own deleted from its catalogue together with the stored packages that follow
// it, as one step (StepWithPackages): both are stored, or neither, whatever stops the app. A camera, a
// ratio (as a crop) or a series takes the saved packages on it; a lens takes the saved packages whose
// only lens it was, and leaves the others without it; a ratio (as a frame guide) and an adapter leave
// every package on them with none. The standard packages only ever lose the part that went: the screen
// that deleted it gives them their fallback (PackageMend's rule), or, when the app stops first, the
// next start does.
//
// Each answers whether the row went; where it did not (the catalogue refused, or one step could not
// be had), nothing changed and the log says why.
class CatalogueRowDeletion {
 public:
  // The camera with its formats; the id of its first format (0 when it had none), which the packages
  // on it named.
  [[nodiscard]] static std::optional<int> camera(const model::Camera& camera);
  // What became of a ratio: `guide` is the row deleted; without it, nothing changed, unless the row was
  // not there to delete.
  struct Ratio {
    std::optional<model::FrameGuide> guide;
    bool notThere = false;
  };
  // The ratio, a crop and a frame guide in one row; with `guideInUse`, frame guide 1 is selected in its
  // place in the same step.
  [[nodiscard]] static Ratio ratio(int cropId, bool guideInUse);
  // The series with its lenses.
  [[nodiscard]] static bool series(int seriesId);
  [[nodiscard]] static bool lens(const model::LensObject& lens);
  [[nodiscard]] static bool adapter(const model::LensAdapterRecord& adapter);
};

}  // namespace app::storage
