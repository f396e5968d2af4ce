#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/model/CameraPackage.h"

namespace app::state {
class FramesObject;
}  // namespace app::state

namespace app::setup {

 

// The user's saved packages as the setup menu's second page handles them: listed in one of two
// orders, saved from the package being edited, renamed, deleted, and loaded into the slot being edited.
// All storage goes through the package facade. Main thread only.
class SavedPackages {
 public:
  enum SortMode { kRecent = 1, kByName = 2 };

  struct CellTexts {
    std::string title;
    std::string format;
    std::string lenses;
  };

  static std::vector<model::CameraPackage> list(int sortMode);
  // The other order; any other mode stays as it is.
  static int toggledSortMode(int sortMode);
  static std::string sortTitle(int sortMode);

  // "<maker> <model> Package": the name a package is saved under when none is typed.
  static std::string defaultName(const model::CameraPackage& package);
  // Stores the package being edited as a new saved package under `typedName` (the default name of the
  // package shown when it is empty): the person's package as the state object has it
  // (FramesObject::editedPackageRow), never what stands in for it. Returns the new package's id, or
  // nothing when it was not stored.
  static std::optional<int> save(const state::FramesObject& frames, const std::string& typedName);
  // An empty name keeps the old one; returns whether a name was stored.
  static bool rename(int packageId, const std::string& name);
  // Whether the package is gone from the catalogue.
  [[nodiscard]] static bool remove(int packageId);
  // Puts the saved package into the slot being edited, writes its choices into the catalogue flags and
  // saves the preferences. A package that is broken (a format, adapter, frame guide or its lenses gone)
  // is not loaded: the slot and the catalogue flags stay as they were, and false is returned.
  static bool load(state::FramesObject& frames, const model::CameraPackage& listed);

  static CellTexts cellTexts(const model::CameraPackage& package);
};

}  // namespace app::setup

