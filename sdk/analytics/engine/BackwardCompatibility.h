#pragma once

namespace sdk::analytics {

// An older measurement library of the same SDK may still be linked beside this one: it is switched
// off so that events are not counted twice.
class BackwardCompatibility {
 public:
  // True when the older library's shared instance existed and was told to stop.
  static bool disableOlderMeasurementLibrary();
};

}  // namespace sdk::analytics

