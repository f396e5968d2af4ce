#pragma once

#include <functional>
#include <string>

#include "app/storage/recovery/CatalogueKind.h"
#include "app/storage/recovery/CatalogueUpdate.h"
#include "app/storage/recovery/PendingPackageRemap.h"

namespace app::storage {

// The stages Staging to Swapped of a catalogue update (see CatalogueUpdate.h for the whole protocol):
// the bundle's copy beside the installed file, the caller's carry-over into it, the flush and the
// rename; then the stored packages follow (PendingPackageRemap).
class CatalogueReplacement {
 public:
  // Returns false when the copy could not be made or filled; the installed file is then untouched.
  using CarryOver = std::function<bool(const std::string& stagingPath)>;

  [[nodiscard]] static bool run(const CatalogueKind& kind, const CarryOver& carryOver);
  // run, for a rescue's rebuild from what could be read of a damaged catalogue (its source was read
  // before: what fails here was not written); the fresh copy is marked as the rescue's
  // (CatalogueRescue::markFreshCopy).
  [[nodiscard]] static CatalogueUpdate::Rebuilt rebuild(const CatalogueKind& kind, const CarryOver& carryOver);
  // Where the next version of Library/<fileName> is assembled: beside it, or beside the file a link
  // there leads to.
  static std::string stagingPath(const std::string& fileName);
  // For a connection to the copy: its commits need not reach the disk one by one, since the copy is
  // thrown away unless complete, and run() flushes it once before it takes the installed file's place.
  [[nodiscard]] static bool fillWithoutSyncing(CatalogueDatabase& staging);
  // A copy must be whole on the disk before a rename makes it the catalogue.
  [[nodiscard]] static bool flushToDisk(const std::string& path);
};

}  // namespace app::storage

