#pragma once

#include <span>
#include <string>

#include "app/storage/CatalogueKind.h"
#include "platform/foundation/DatabaseSideFiles.h"

namespace app::storage {

// What stands at a catalogue's path in Library, looked at without opening it. A catalogue is seeded
// only where nothing stands and opened only where a file (or a link to one) does. Anything else there
// (a link that leads nowhere or to itself, a FIFO, a device, a folder) is the person's or another
// program's doing: it is left in place, named, and the catalogue is taken as unreadable. Opening it
// could wait for ever (a FIFO), and seeding over it would replace a link to the person's catalogue
// with a bare one. The same holds for what stands beside a catalogue file where SQLite keeps its side
// files and could not use it (DatabaseSideFiles): the catalogue is sound, but SQLite would wait on it
// or call it damaged, so it is not used while that stands there, and never replaced for it.
class CataloguePlace {
 public:
  // For Unreadable, what stands there in words ("a link that leads nowhere"), and where: the
  // catalogue's path or that of one of its side files.
  using Look = platform::foundation::DatabaseSideFiles::Place;
  using State = Look::State;
  static Look at(const std::string& path) { return platform::foundation::DatabaseSideFiles::placeOf(path); }
  static State stateOf(const std::string& path) { return at(path).state; }
  // The warning that names what stands in the place of Library/<fileName> and leaves it there; once a
  // run for each thing standing there.
  static void warnUnreadable(const std::string& fileName, const Look& look);

  // A first start finds every catalogue missing and seeds them all; so does a start after the person
  // emptied Library, where no package is left to lose. Called by that start: seeding each of them
  // once is no seeding over a missing one.
  static void startFoundEveryCatalogueMissing(std::span<const CatalogueKind* const> catalogues);
  // Library/<fileName> was just seeded because it was missing. At a start that is not the first, what
  // the fresh copy lacks may still be the person's (in the file they moved away, or on a disk that is
  // not mounted): a note beside it ("<fileName>.was-missing") keeps that known for good, and a warning
  // names it.
  static void seededOverMissing(const std::string& fileName);
  // Whether the catalogue in place may lack rows of the person's that are kept elsewhere: a copy of it
  // kept aside as damaged, a rescue still to finish, or a seeding over a missing one. Nothing built on
  // rows such a catalogue lacks is taken as gone for good.
  [[nodiscard]] static bool mayLackPersonsRows(const std::string& fileName);
};

}  // namespace app::storage
