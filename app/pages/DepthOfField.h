#pragma once

#include <optional>
#include <string>

#include "app/model/CameraPackage.h"

namespace app::pages {

// Depth of field for one package, focal length, aperture and focus distance. Sizes in millimetres,
// distances in metres. The circle of confusion is the extraction diagonal divided by the user's factor.
struct DepthOfField {
  float focalLength = 0;
  float aperture = 0;
  float focusDistance = 0;
  double circleOfConfusion = 0;
  double hyperFocalDistance = 0;
  double nearDistance = 0;
  double farDistance = 0;

  static DepthOfField calculate(float sensorWidth, float sensorHeight, float cocFactor, float focalLength,
                                float aperture, float distance);
  // For a lens on a package: the sensor records the picture of the lens as its adapter makes it (a focal
  // reducer shortens focal length and f-number alike), on the package's extraction.
  static DepthOfField forPackage(const model::CameraPackage& package, float cocFactor, float focalLength, float aperture,
                                 float distance);

  // Focusing at or past the hyperfocal distance: everything to infinity is sharp.
  bool beyondHyperfocal() const { return hyperFocalDistance <= focusDistance; }
  // Whether the circle of confusion is a usable size (a zero factor or a format without size gives none).
  bool hasCircleOfConfusion() const;
  // Whether there is a hyperfocal distance to show: a lens that exists and a circle of confusion of a size.
  bool hasHyperfocal() const;
  // Whether the limits are numbers worth showing and placing: besides a hyperfocal distance they need a
  // focus a lens can be set to, and no closer than the focal length (nothing nearer can be focused on).
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

