#pragma once

namespace app::model {

// One prime focal length in a list of primes.
struct PrimeLensObject {
  bool selected = false;
  double primeLens = 0.0;  // focal length in mm

  PrimeLensObject() = default;
  PrimeLensObject(double primeLens, bool selected) : selected(selected), primeLens(primeLens) {}

  // Ascending by focal length: -1, 0 or 1.
  int compareIT(const PrimeLensObject& other) const;
};

// The focal range of a zoom.
struct FreeZoomLensObject {
  double minFl = 0.0;
  double maxFl = 1.0;

  FreeZoomLensObject() = default;
  FreeZoomLensObject(double minFl, double maxFl) : minFl(minFl), maxFl(maxFl) {}

  // Ascending by short end, then by long end: -1, 0 or 1.
  int compareIT(const FreeZoomLensObject& other) const;
};

}  // namespace app::model

