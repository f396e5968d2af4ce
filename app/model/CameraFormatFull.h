#pragma once

#include <string>

#include "app/model/Camera.h"
#include "app/model/CameraShootingMode.h"

namespace app::model {

// A camera together with one of its shooting modes, as the combined format lists return them.
struct CameraFormatFull {
  CameraShootingMode shootingMode;
  Camera manufacturer;

  // "<maker> <model> <mode> - <ratio> " (with the trailing blank the lists were laid out for)
  std::string getListString() const;
};

}  // namespace app::model

