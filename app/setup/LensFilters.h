#pragma once

namespace app::setup {

// The lens picker's four series filters: prime/zoom and spherical/anamorphic, two pairs whose members
// exclude each other. A filter of one pair combines with one of the other.
struct LensFilters {
  bool prime = false;
  bool zoom = false;
  bool spherical = false;
  bool anamorphic = false;

  // Each switches its own flag and, when it comes on, the partner's off.
  void togglePrime() { toggle(prime, zoom); }
  void toggleZoom() { toggle(zoom, prime); }
  void toggleSpherical() { toggle(spherical, anamorphic); }
  void toggleAnamorphic() { toggle(anamorphic, spherical); }
  void clear() { *this = LensFilters{}; }
  bool anyActive() const { return prime || zoom || spherical || anamorphic; }
  bool operator==(const LensFilters&) const = default;

 private:
  static void toggle(bool& own, bool& partner) {
    own = !own;
    if (own) partner = false;
  }
};

}  // namespace app::setup

