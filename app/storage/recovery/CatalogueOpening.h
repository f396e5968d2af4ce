#pragma once

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
  // Whether the catalogue at `path` is left alone for now: in use elsewhere, damaged with no room to
  // rescue it, or with its rescue not finished. Nothing reads it, and nothing is built in its place.
  [[nodiscard]] static bool isLeftAlone(const std::string& path);
};

}  // namespace app::storage
