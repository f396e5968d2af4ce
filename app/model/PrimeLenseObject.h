#pragma once

// One prime focal length in a list of primes.
struct PrimeLenseObject {
  bool selected = false;
  double primelense = 0.0;  // focal length in mm

  PrimeLenseObject() = default;
  PrimeLenseObject(double primelense, bool selected) : selected(selected), primelense(primelense) {}

  // Ascending by focal length: -1, 0 or 1.
  int compareIT(const PrimeLenseObject& other) const;
};

// The focal range of a zoom.
struct FreeZoomLenseObject {
  double minFl = 0.0;
  double maxFl = 1.0;

  FreeZoomLenseObject() = default;
  FreeZoomLenseObject(double minFl, double maxFl) : minFl(minFl), maxFl(maxFl) {}

  // Ascending by short end, then by long end: -1, 0 or 1.
  int compareIT(const FreeZoomLenseObject& other) const;
};
