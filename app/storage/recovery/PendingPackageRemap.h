#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/model/UpdateFormatIDObject.h"
#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

// The ids one catalogue update renumbered, and the stored packages that must follow them: invariants
// (2) to (5) of the catalogue update (CatalogueUpdate.h).
class PendingPackageRemap {
 public:
  // Stored by number: new kinds go at the end.
  enum class Kind { Lens, LensSeries, Format, Crop, FrameGuide, Adapter };

  // Appends to the list of `kind`; within one kind the first entry of an old id counts.
  void add(Kind kind, const std::vector<model::UpdateFormatIDObject>& mapping);
  void add(Kind kind, int oldID, int newID) { lists_[index(kind)].push_back({.oldID = oldID, .newID = newID}); }
  const std::vector<model::UpdateFormatIDObject>& entries(Kind kind) const { return lists_[index(kind)]; }
  [[nodiscard]] bool empty() const;
  // Whether an entry gives a row a new id: a list where none does asks nothing of the packages.
  [[nodiscard]] bool renumbers() const;

  // Writes the list into `catalogue`, inside the caller's transaction; true when stored (or when it
  // renumbers nothing, and nothing is written).
  [[nodiscard]] bool store(CatalogueDatabase& catalogue) const;
  // True when the open catalogue holds a list that still has to be applied.
  [[nodiscard]] static bool isPending(CatalogueDatabase& catalogue);
  // The same for the catalogue file at `path`; nothing there holds none, and one that could not be read
  // may hold one.
  [[nodiscard]] static bool isPendingAt(const std::string& path);
  // Why the package catalogue cannot take part in a step with another catalogue now (missing,
  // something else in its place, left alone, its rescue not finished); empty when it can.
  [[nodiscard]] static std::string whyPackageCatalogueCannotJoin();
  // Why the stored packages could not follow a renumbering now: as above, or the package catalogue is a
  // fresh copy seeded over the person's missing one (the renumbering is their file's, and waits for
  // it); with `takingItsLock`, also another program holding it or its being one the app may only read.
  // Empty when they can.
  [[nodiscard]] static std::string whyPackagesCannotFollow(bool takingItsLock);
  // Re-points the packages by the list kept in the catalogue file at `cataloguePath` and removes the
  // list, all in one commit, in the person's own package catalogue only (whyPackagesCannotFollow). True
  // when no list is left pending.
  [[nodiscard]] static bool apply(const std::string& cataloguePath);
  // Opens the catalogue file at `path` (never creating it), first finishing a list that an update cut
  // short left in it.
  [[nodiscard]] static bool openFinishing(CatalogueDatabase& catalogue, const std::string& path);
  // Re-points the stored packages' references to rows of `kind` in `packages`, the open package
  // catalogue, by `mapping` (CatalogueDatabase::remapIds).
  [[nodiscard]] static bool repoint(CatalogueDatabase& packages, Kind kind,
                                    const std::vector<model::UpdateFormatIDObject>& mapping);

 private:
  static size_t index(Kind kind) { return static_cast<size_t>(kind); }
  [[nodiscard]] bool load(CatalogueDatabase& database, const std::string& schema);
  // Every list, in the order they have always been applied in.
  [[nodiscard]] bool repointAll(CatalogueDatabase& packages) const;

  std::array<std::vector<model::UpdateFormatIDObject>, 6> lists_;
};

}  // namespace app::storage

