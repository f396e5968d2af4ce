#pragma once

#include <optional>
#include <string>

#include "app/model/CameraPackage.h"
#include "platform/graphics/Geometry.h"

namespace app::pages {

// The image circle of package one's lens at the dialled focal length, and the scale at which the coverage
// page draws it over the format. Diameters in millimetres.
struct ImageCircle {
  float diameter = 0;  // 0 when there is no data
  // A zoom's interpolated circle is printed with two decimals, so that it visibly moves with the zoom.
  bool interpolated = false;

  // A prime's circle by its index in the series (-1 for none; an index past the list keeps `previous`),
  // a zoom's between its two ends by where the focal length stands in the zoom range (0 to 100).
  static ImageCircle atFocalLength(const model::CameraPackage& package, int primeIndex, float zoomPercentage,
                                   float previous);

  // The factor of a spherical adapter (a focal reducer or converter); 1 for none, for an anamorphic
  // adapter and for a package without an adapter row.
  static float adapterFactor(const model::CameraPackage& package);

  // "Ø 46.3mm", "Ø 46.3mm → 32.87mm" through an adapter, "No data" without a circle.
  std::string text(float adapter) const;

  // "<maker> <series> @ 35mm": the lens the circle belongs to, with the focal length as the value display
  // prints it (one decimal below 19.9 mm).
  static std::string lensText(const model::CameraPackage& package, float focalLength);

  // The largest circle any lens of the series throws through the adapter, so that every circle the page
  // may draw fits at the scale it is given. An anamorphic lens's circle is a circle too: its squeeze
  // shapes the picture inside the circle, not the circle.
  static float largestCircle(const model::CameraPackage& package);

  // Points per millimetre at which the larger of the largest circle and the recording diagonal fits the view
  // less its margin; none when neither has a size.
  static std::optional<float> drawingScale(platform::graphics::Size view, float largestCircle,
                                           float recordingDiagonal);

  // The circle's outline centred in the view, over the sensor's own (squeezed) frame drawn at the same
  // scale: a circle of the diameter through the adapter, whatever the lens's squeeze, so that top and
  // bottom coverage read true; none when there is nothing of a size to draw.
  static std::optional<platform::graphics::Rect> outline(float diameter, float squeeze, float adapter,
                                                         float scale, platform::graphics::Size view);
};

}  // namespace app::pages

