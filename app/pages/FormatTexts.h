#pragma once

#include <string>

#include "app/model/CameraPackage.h"

namespace app::pages {

// The titles and sizes the sensors and coverage pages print beside a package's outlines.
struct FormatTexts {
  std::string extractionTitle;  // "EXTRACTION 2.39:1", or "EXTRACTION 1.2:1 → 2.39:1" when anamorphic
  std::string recordingTitle;   // "RECORDING AREA 1.33:1", the same with "→" when anamorphic
  // Whether the group with the extraction is shown (a crop is chosen) rather than the recording area alone.
  bool showsExtraction = false;

  static FormatTexts titles(const model::CameraPackage& package);
  // "24.89mm x 18.66mm"
  static std::string sizeText(float width, float height);
  // "Ø 31.11mm", two decimals; the no-value text for a diagonal that is not a number.
  static std::string diagonalText(double diagonal);
  // The diagonal of a size, computed in double and kept in single precision.
  static float diagonal(float width, float height);
};

}  // namespace app::pages

