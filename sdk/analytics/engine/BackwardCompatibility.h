#pragma once

// An older measurement library of the same SDK may still be linked beside this one: it is switched
// off so that events are not counted twice.
class APMBackwardCompatibilityUtil {
 public:
  // True when the older library's shared instance existed and was told to stop.
  static bool disableVEVUvuzadovaro();
};
