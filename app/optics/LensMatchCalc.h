#pragma once

#include "app/model/CameraPackage.h"

namespace app::optics {

// Which focal length on a target package frames the same picture as a focal length on the source package,
// and which aperture on the target keeps the same hyperfocal distance (so the same depth of field).
// Focal lengths in mm. The divisions are not guarded: a source of zero width or height, or an extraction
// diagonal of zero, gives an infinite or undefined result, which the caller refuses.
class LensMatchCalc {
 public:
  static double horMatchWithPackageSource(const model::CameraPackage& source, float focalLength,
                                          const model::CameraPackage& target);
  static double verMatchWithPackageSource(const model::CameraPackage& source, float focalLength,
                                          const model::CameraPackage& target);

  // `cocFactor` is the settings' circle-of-confusion divisor: circle of confusion = format diagonal / factor.
  static double horApertureMatchWithPackageSource(const model::CameraPackage& source, float focalLength, float aperture,
                                                  const model::CameraPackage& target, int cocFactor);
  static double verApertureMatchWithPackageSource(const model::CameraPackage& source, float focalLength, float aperture,
                                                  const model::CameraPackage& target, int cocFactor);
};

}  // namespace app::optics

