#pragma once

#include <string>

namespace app::model {

// The starting values a lens gives the main screen's scroll bars.
struct InputScrollStructObject {
  float distance = 0.0f;  // -1 when the lens has a close-focus text, 1 when not
  float fl = 0.0f;        // focal length in mm
  float aperture = 0.0f;  // widest aperture number
  std::string closeFocus;
};

// One lens, a row of the lens catalogue's lens table.
struct LensObject {
  int lensId = 0;
  float focalLength = 0.0f;     // mm; the short end of a zoom
  float focalLengthMax = 0.0f;  // long end of a zoom
  int manufacturerId = 0;       // the series
  int custom = 0;
  int selected = 0;  // 1 when the lens is in the user's selection of its series
  float anamorphic = 0.0f;
  float imageCircle = 0.0f;  // mm, at the short and the long end
  float imageCircleMax = 0.0f;
  std::string lensType;  // "Prime Lens" or "Zoom Lens"
  std::string lensmMount;
  std::string closeFocus;  // "<metric> | <imperial>", e.g. "0.45m | 1.5ft"
  std::string sizeCategory;
  std::string aperture;  // widest aperture as text, e.g. "T2.1"
  std::string comment;
  std::string apertureClose;

  // A prime by its type text, which the catalogue may carry with more around it.
  bool isPrime() const;

  // "50.0mm" for a prime, "24.0 - 290.0mm" for a zoom.
  std::string getListString() const;

  // The close-focus text before the first " | " and after the last one (the whole text without a bar).
  std::string getCloseFocusMetricString() const;
  std::string getCloseFocusImperialString() const;
  // The same with everything but digits, "." and "," removed ("0.45m" gives "0.45").
  std::string getCloseFocusMetric() const;
  std::string getCloseFocusImperial() const;

  // The aperture texts with everything but digits, "." and "," removed ("T2.1" gives "2.1").
  std::string getAperture() const;
  std::string getApertureClose() const;

  InputScrollStructObject getInputValues() const;
};

}  // namespace app::model

