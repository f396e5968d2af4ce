#pragma once

#include <string>

namespace app::storage {

// A damaged catalogue, already kept aside, replaced by the bundle's copy with the person's own rows
// (custom cameras, lenses, adapters, saved packages) that SQLite can still read carried into it. The
// rows are first copied, under their ids, into a scratch catalogue (CatalogueSalvage); the catalogue's
// own carry-over then reads that scratch copy as an update reads the installed file, so they arrive
// renumbered as an update would have them and the stored packages follow.
class CatalogueRescue {
 public:
  // Puts the fresh catalogue at Library/<fileName> (missing now), built from `readable`; true when the
  // person's rows were carried. Without one, or when it fails, the bundle's copy takes the place alone.
  using CarryRows = bool (*)(const std::string& readable);

  // Puts a fresh catalogue in place of the one kept as `kept` and gives back how the warning that names
  // the kept copy ends: that a fresh copy takes its place, and what of the person's could not be read.
  static std::string replace(const std::string& kept, const std::string& fileName, const std::string& resourceName,
                             CarryRows carryRows);

  // Keeps the damaged Library/<fileName> aside and puts a fresh catalogue in its place, with a warning
  // naming the kept copy; false when the file could not be moved (an error line says so).
  static bool keepAsideAndReplace(const std::string& fileName, const std::string& resourceName, CarryRows carryRows);

  // A kill can cut a rescue short anywhere between keeping the damaged file aside and a catalogue taking
  // its place again. Were the place then seeded bare, the person's rows would be left only in the kept
  // copy and the stored packages would point at rows that are not theirs; so a note beside the catalogue
  // ("<fileName>.rescuing") names the damaged file by what a rename keeps, and the next open finishes the
  // rescue from the kept copy. While the note is there, nothing may seed the catalogue.
  [[nodiscard]] static bool isPending(const std::string& fileName);
  // Finishes a rescue a kill cut short and says what the killed run could not; nothing without a note.
  static void finishInterrupted(const std::string& fileName, const std::string& resourceName, CarryRows carryRows);
};

}  // namespace app::storage
