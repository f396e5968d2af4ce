#pragma once

#include <optional>
#include <set>
#include <string>

namespace app::storage {

// The person's own rows of a catalogue (custom cameras and ratios, lens series with their lenses, lenses
// added to shipped series, adapters, saved packages), each by what it holds rather than by its id: a
// carry into a fresh copy renumbers the rows of the person's, and puts a shipped row in the place of a
// person's row alike (a lens or a ratio the new catalogue ships too). So a copy of a catalogue can be
// told to hold everything of the person's that another holds, whoever made it. A catalogue is small:
// each side is read once, up to a bound.
class PersonsRows {
 public:
  // The person's rows in the catalogue `fileName` at `path`. Those of a table or column the copy lacks
  // are not there to be carried, and are left out; nullopt when they are not known (the copy cannot be
  // opened, or a table of it read to the end) or there are more than the bound.
  [[nodiscard]] static std::optional<std::set<std::string>> of(const std::string& fileName, const std::string& path);
  // Whether the catalogue `fileName` at `path` is a sound one that holds every one of `rows`, as the
  // person's row or as a shipped row alike. False when it cannot be read whole, lacks a table or
  // column, or holds more rows than the bound.
  [[nodiscard]] static bool allHeldIn(const std::string& fileName, const std::string& path,
                                      const std::set<std::string>& rows);
};

}  // namespace app::storage
