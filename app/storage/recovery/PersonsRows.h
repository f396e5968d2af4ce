#pragma once

#include <map>
#include <optional>
#include <string>

#include "app/storage/recovery/CatalogueKind.h"

namespace app::storage {

// The person's own rows of a catalogue (custom cameras and ratios, lens series with their lenses, lenses
// added to shipped series, adapters, saved packages), each by every value the person set rather than by
// its id: a carry into a fresh copy renumbers the rows of the person's, and puts a shipped row in the
// place of a person's lens that the new catalogue ships too. So a copy of a catalogue can be told to
// hold everything of the person's that another holds, whoever made it, and an older copy of their own
// catalogue, one value behind, is told from it. A catalogue is small: each side is read once, up to a
// bound.
class PersonsRows {
 public:
  // Each row's text, with the text of the shipped row a carry puts in its place where a newer catalogue
  // ships one alike (a lens the person added to a shipped series), else empty.
  using Rows = std::map<std::string, std::string>;

  // The person's rows in the catalogue of `kind` at `path`. Those of a table or column the copy lacks
  // are not there to be carried, and are left out; nullopt when they are not known (the copy cannot be
  // opened, or a table of it read to the end) or there are more than the bound.
  [[nodiscard]] static std::optional<Rows> of(const CatalogueKind& kind, const std::string& path);
  // Whether the catalogue of `kind` at `path` is a sound one that holds every one of `rows`, as the
  // person's row, or as the shipped row that stands for it. False when it cannot be read whole, lacks a
  // table or column, or holds more rows than the bound.
  [[nodiscard]] static bool allHeldIn(const CatalogueKind& kind, const std::string& path, const Rows& rows);
};

}  // namespace app::storage
