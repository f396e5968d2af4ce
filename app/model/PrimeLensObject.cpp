#include "app/model/PrimeLensObject.h"

namespace app::model {

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

int PrimeLensObject::compareIT(const PrimeLensObject& other) const {
  return compareHundredths(primeLens, other.primeLens);
}

int FreeZoomLensObject::compareIT(const FreeZoomLensObject& other) const {
  int byShortEnd = compareHundredths(minFl, other.minFl);
  if (byShortEnd != 0) return byShortEnd;
  return compareHundredths(maxFl, other.maxFl);
}

}  // namespace app::model

