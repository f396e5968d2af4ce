#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/model/UpdateFormatIDObject.h"
#include "app/storage/CatalogueDatabase.h"

// The ids one catalogue update renumbered, and the stored packages that must follow them.
//
// An update writes this list into the new catalogue file, in the same transaction as the user's rows
// and before that file takes the old one's place. The packages are then re-pointed in one transaction
// that spans the package database and the catalogue (attached to it) and drops the list in the same
// commit. Wherever an update is cut short, either the list is still there and the packages still use
// the old ids, or the list is gone and they use the new ones; whoever opens the catalogue next and
// finds a list finishes it.
class PendingPackageRemap {
 public:
  // Stored by number: new kinds go at the end.
  enum class Kind { Lens, LensSeries, Format, Crop, FrameGuide, Adapter };

  // Appends to the list of `kind`; within one kind the first entry of an old id counts.
  void add(Kind kind, const std::vector<UpdateFormatIDObject>& mapping);
  void add(Kind kind, int oldID, int newID) { lists_[index(kind)].push_back({.oldID = oldID, .newID = newID}); }
  const std::vector<UpdateFormatIDObject>& entries(Kind kind) const { return lists_[index(kind)]; }
  bool empty() const;

  // Writes the list into `catalogue`, inside the caller's transaction; true when stored (or empty).
  bool store(CatalogueDatabase& catalogue) const;
  // True when the open catalogue holds a list that still has to be applied.
  static bool isPending(CatalogueDatabase& catalogue);
  // Re-points the packages by the list kept in the catalogue file at `cataloguePath` and removes the
  // list, all in one commit. True when no list is left pending.
  static bool apply(const std::string& cataloguePath);
  // Opens the catalogue file at `path` (never creating it), first finishing a list that an update cut
  // short left in it.
  static bool openFinishing(CatalogueDatabase& catalogue, const std::string& path);

 private:
  static size_t index(Kind kind) { return static_cast<size_t>(kind); }
  bool load(CatalogueDatabase& database, const std::string& schema);

  std::array<std::vector<UpdateFormatIDObject>, 6> lists_;
};
