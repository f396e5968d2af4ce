#include "app/model/PrimeLenseObject.h"

namespace {

// Focal lengths are compared in hundredths of a millimetre, the precision the lists were sorted at.
int compareHundredths(double a, double b) {
  double left = a * 100.0;
  double right = b * 100.0;
  if (left < right) return -1;
  if (left > right) return 1;
  return 0;
}

}  // namespace

int PrimeLenseObject::compareIT(const PrimeLenseObject& other) const {
  return compareHundredths(primelense, other.primelense);
}

int FreeZoomLenseObject::compareIT(const FreeZoomLenseObject& other) const {
  int byShortEnd = compareHundredths(minFl, other.minFl);
  if (byShortEnd != 0) return byShortEnd;
  return compareHundredths(maxFl, other.maxFl);
}
