#pragma once

#include <string>

#include "app/model/CameraPackage.h"

namespace app::pages {

// Angles of view in degrees of a format (millimetres) at a focal length (millimetres).
struct FieldOfView {
  float horizontal = 0;
  float vertical = 0;
  float diagonal = 0;

  static FieldOfView calculate(float formatWidth, float formatHeight, float focalLength);
  // A lens on a package, over the package's simulation format; no angles (not a number) through an
  // adapter no one makes, or for a lens that the adapter turns into none that exists.
  static FieldOfView forPackage(const model::CameraPackage& package, float focalLength);

  // An angle worth showing and drawing: a number strictly between 0 and 180 degrees.
  static bool isDrawable(float angle);
  // One decimal ("27.0", "99.5"), none above 99.5 ("104"); the no-value text for an angle that is not drawable.
  static std::string angleText(float angle);
  // 0 horizontal, 1 vertical, 2 diagonal; not a number for any other choice.
  float angle(int selected) const;
};

}  // namespace app::pages

