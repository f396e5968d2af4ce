#pragma once

#include <string>

#include "app/model/CameraPackage.h"

namespace app::setup {

// What the setup menu's rows say about the package being edited: a title and a value per row, and
// which of the two camera blocks is shown (with a shooting-mode row only when the camera names its modes).
struct SetupMenuRows {
  static constexpr double kLensTopWithMode = 1.0;
  static constexpr double kLensTopWithoutMode = -60.0;

  bool withShootingMode = false;
  double lensSetupTop = kLensTopWithoutMode;
  std::string cameraValue;
  std::string shootingModeValue;
  std::string aspectTitle;
  std::string aspectValue;
  std::string framelineValue;
  std::string lensSeriesValue;
  std::string lensesTitle;
  std::string lensesValue;
  std::string adapterValue;

  static SetupMenuRows forPackage(const model::CameraPackage& package);
  // The aspect row's value: the final ratio, or "native → final" where the lens series or an
  // anamorphic adapter changes the camera's ratio.
  static std::string displayAspectRatio(const model::CameraPackage& package);
  // "2.39:1" (three significant digits, always a point), "None" for the no-frame-line row.
  static std::string framelineText(const model::CameraPackage& package);
};

}  // namespace app::setup

