#pragma once

#include <cstddef>
#include <string>

#include "app/model/LensManufacturer.h"
#include "app/model/LensObject.h"

namespace app::setup {

// What the lens picker's rows say: the squeeze label of a series row, and the title, comment, aperture and
// close focus of a lens row. Every visible word goes through the localised strings.
class LensRowTexts {
 public:
  // "2x ANA" for a shipped anamorphic series, "1.33x ANA  |  CUSTOM" for one of the user's, "CUSTOM" for a
  // spherical one of the user's, else nothing.
  static std::string squeezeText(const model::LensManufacturer& series);
  // "35mm" for a prime, "24 - 70mm" for a zoom.
  static std::string title(const model::LensObject& lens);
  // "CUSTOM" for the user's own lenses, else the catalogue's comment.
  static std::string comment(const model::LensObject& lens);
  static std::string aperture(const model::LensObject& lens) { return lens.aperture; }
  // "CF 0.45m" (metric, measurement system 0) or "CF 1'6\"" (imperial); empty without a close-focus text.
  static std::string closeFocus(const model::LensObject& lens, int measurementSystem);
  // "1 Lens", "3 Lenses".
  static std::string lensCount(size_t count);
};

}  // namespace app::setup

