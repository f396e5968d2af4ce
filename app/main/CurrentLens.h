#pragma once

#include "app/model/LensSet.h"

namespace app::main {

// The lens a bar is for: how far it opens and closes, and how close it focuses: the limits its aperture and
// distance scales mark. 0 is no limit.
class CurrentLens {
 public:
  // Takes the limits of a zoom series' first selected lens, or of the prime at `flIndex` (-1: none). An
  // index past the set leaves the limits as they were.
  void take(bool zoom, const model::LensSet& lensSet, int flIndex);

  float aperture() const { return aperture_; }
  float apertureClosed() const { return apertureClosed_; }
  float closeFocus() const { return closeFocus_; }

 private:
  float aperture_ = 0, apertureClosed_ = 0, closeFocus_ = 0;
};

}  // namespace app::main
