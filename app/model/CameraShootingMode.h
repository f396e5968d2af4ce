#pragma once

#include <string>

namespace app::model {

// One shooting mode (recording format) of a camera, a row of the format catalogue's format table.
struct CameraShootingMode {
  // False when the stored mode name was missing and the reader put "Video" or "Still" in its place.
  bool shootingModeNameOrig = true;
  int manufacturerID = 0;  // the camera's Camera::manufacturerId
  int containerID = 0;     // format id; packages and the preference file refer to formats by it
  float anamorphotic = 0.0f;  // squeeze of the format, 1 for spherical
  float width = 0.0f;         // recorded sensor area in mm
  float height = 0.0f;
  int formatOrigin = 0;  // 1 for a format the user made
  std::string category;  // "Cine" or "Photo"
  std::string shootingMode;
  std::string aspectRatio;  // native ratio as "a:b", e.g. "1.78:1"

  // "<mode> - <ratio>"
  std::string getListString() const;
};

}  // namespace app::model

