#pragma once

#include <functional>
#include <string>

#include "app/storage/connection/CatalogueDatabase.h"
#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

// How every helper opens its catalogue. A rescue left unfinished comes first (CatalogueRescue); then
// what stands in the catalogue's place is looked at (CataloguePlace): something that is not a catalogue
// file is named once and left, and every open fails while it stands; a missing catalogue is seeded
// (CatalogueSeeding). On a connection's first use the file is checked: one that is not a database,
// lacks one of its kind's tables or is damaged inside (read whole once a run) is rescued. One in use
// elsewhere, or whose rescue must wait, is left alone for a while: the open fails, and one after that
// tries again.
class CatalogueOpening {
 public:
  [[nodiscard]] static bool open(CatalogueDatabase& catalogue, const CatalogueKind& kind);
  // What every helper's openDb opens with: `open`, then, the first time this run's connection is used,
  // the catalogue's own checks: a renumbering an interrupted update left in a catalogue whose rows the
  // packages point at is carried to them first (PendingPackageRemap; the package catalogue has none of
  // its own), then the helper's own check of its file (`firstUse`, such as a column an old file lacks).
  // The connection then counts as checked, so none of it runs again on it.
  [[nodiscard]] static bool openForHelper(CatalogueDatabase& catalogue, const CatalogueKind& kind,
                                          const std::function<void()>& firstUse = {});
  // Whether the catalogue at `path` is left alone for now: in use elsewhere, damaged with no room to
  // rescue it, or with its rescue not finished. Nothing reads it, and nothing is built in its place.
  [[nodiscard]] static bool isLeftAlone(const std::string& path);
};

}  // namespace app::storage
