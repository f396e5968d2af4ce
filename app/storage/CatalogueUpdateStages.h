#pragma once

#include <functional>
#include <string_view>

// Named points that a catalogue update passes on its way: "staging" (user rows going into the copy
// of the new catalogue), "staged" (copy complete, old file untouched), "swapped" (new file in place,
// packages not yet re-pointed) and "remapping" (packages re-pointed, not yet committed). Nothing
// listens in the app; a crash-safety test listens to stop an update at one of them.
class CatalogueUpdateStages {
 public:
  using Observer = std::function<void(std::string_view stage)>;

  // Installs (or, with an empty function, removes) the one listener; returns the previous one.
  static Observer setObserver(Observer observer);
  static void reached(std::string_view stage);
};
