#pragma once

#include <optional>
#include <string>

namespace app::pages {

// Depth of field for one package, focal length, aperture and focus distance. Sizes in millimetres,
// distances in metres. The circle of confusion is the extraction diagonal divided by the user's factor.
struct DepthOfField {
  float focusDistance = 0;
  double circleOfConfusion = 0;
  double hyperFocalDistance = 0;
  double nearDistance = 0;
  double farDistance = 0;

  static DepthOfField calculate(float sensorWidth, float sensorHeight, float cocFactor, float focalLength,
                                float aperture, float distance);

  // Focusing at or past the hyperfocal distance: everything to infinity is sharp.
  bool beyondHyperfocal() const { return hyperFocalDistance <= focusDistance; }
  // Whether the circle of confusion is a usable size (a zero factor or a format without size gives none).
  bool hasCircleOfConfusion() const;
  // Whether the limits are numbers worth showing and placing: a zero focal length or aperture, or a
  // circle of confusion of no size, gives none.
  bool hasLimits() const;
};

// What the page's labels show.
struct DepthOfFieldTexts {
  std::string circleOfConfusion;  // "CoC: 0.021mm"
  std::string hyperFocal;
  std::string nearLimit;
  std::string farLimit;  // "∞" beyond the hyperfocal distance
  std::string total;     // "∞" beyond the hyperfocal distance; "<0.001m" for a metric depth below it

  static DepthOfFieldTexts make(const DepthOfField& dof, int measurementSystem);
};

// Where the near and far markers sit, as offsets from the centre of a strip `stripWidth` points wide.
// An offset that could not be computed is absent and leaves its marker where it was.
struct DofMarkerOffsets {
  std::optional<double> nearOffset;
  std::optional<double> farOffset;

  static DofMarkerOffsets make(const DepthOfField& dof, double stripWidth);
};

}  // namespace app::pages
